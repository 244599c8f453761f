#!/usr/bin/env bash
# What run_isolated.sh tells ctest about a Qt Test program: passed (0), passed with a
# case skipped (77, ctest's "skipped"), or failed, skipped cases or not.
#   check_runisolated.sh RUN_ISOLATED PROBE
set -u
source "$(dirname "$0")/checks.sh"
run=$1
probe=$2

verdict() {
  local want=$1
  shift
  "$run" "$probe" "$@" >"$tmp/out.txt" 2>&1
  local got=$?
  if [ "$got" -ne "$want" ]; then
    fail "$* gave $got, not $want"
    cat "$tmp/out.txt"
  fi
}

verdict 0 passes
verdict 77 passes skips
verdict 1 passes skips fails
verdict 1 fails
[ "$failures" -eq 0 ] || exit 1
echo "run_isolated.sh: 4 verdicts as expected"
