#!/usr/bin/env bash
# The hardening steps CI runs after ./dev test:
#   1. the whole test suite again with AddressSanitizer and UndefinedBehaviorSanitizer
#      (build-asan); any report fails the run;
#   2. every fuzz target for a bounded time (build-fuzz, clang and libFuzzer), with
#      the seed corpus and the dictionary; any crash fails the run.
# VIMBREL_FUZZ_SECONDS sets the time per target (60 by default); VIMBREL_FUZZ_SEED the
# mutation seed, fixed by default so a CI run repeats what was run before it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)
fuzz_seconds=${VIMBREL_FUZZ_SECONDS:-60}
targets=(framing host table tally settings router)

# intercept_tls_get_addr=0: the runtime's guess at a dynamic TLS block's bounds can send
# LeakSanitizer's tracer into unmapped memory at exit (tools/lsan-tracer-repro/README).
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$root/tools/lsan-thirdparty.supp:print_suppressions=0
export QT_QPA_PLATFORM=offscreen

timed() {
  local name=$1
  shift
  local start=$SECONDS
  echo "== $name"
  "$@"
  echo "== $name: $((SECONDS - start)) s"
}

sanitized_suite() {
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVIMBREL_SANITIZE=ON >/dev/null
  cmake --build build-asan -j"$jobs"
  local log=build-asan/sanitized-ctest.log
  # One run: a test that fails once and passes the next time is a flaky test to fix.
  (cd build-asan && ctest --output-on-failure -j"$jobs" --output-log sanitized-ctest.log)
  # A report from a child process does not always fail its test: look for any.
  if grep -E "ERROR: (Address|Leak)Sanitizer|runtime error:" "$log"; then
    echo "sanitizer reports found in $log" >&2
    return 1
  fi
  echo "sanitizer reports: 0"
}

build_fuzzers() {
  CC=clang CXX=clang++ cmake -S fuzz -B build-fuzz -G Ninja -DVIMBREL_FUZZ=ON >/dev/null
  cmake --build build-fuzz -j"$jobs" --target "${targets[@]/#/fuzz_}"
}

run_fuzzers() {
  local failed=()
  for t in "${targets[@]}"; do
    mkdir -p "build-fuzz/corpus/$t" "build-fuzz/crashes/$t"
    local log="build-fuzz/fuzz_$t.log"
    if ! (cd build-fuzz && "./fuzz_$t" -dict="$root/fuzz/vimbrel.dict" \
            -max_total_time="$fuzz_seconds" -timeout=10 -seed="${VIMBREL_FUZZ_SEED:-20261207}" -print_final_stats=1 \
            -artifact_prefix="crashes/$t/" "corpus/$t" "$root/fuzz/corpus/$t") >"$log" 2>&1; then
      failed+=("$t")
      grep -E "ERROR|SUMMARY|fuzz check failed|runtime error" "$log" | head -5 || true
    fi
    echo "fuzz_$t: $(grep -m1 -oP 'stat::number_of_executed_units: *\K[0-9]+' "$log" || echo 0) inputs," \
         "$(ls "build-fuzz/crashes/$t" | wc -l) crash files (log: $log)"
  done
  if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz targets that crashed: ${failed[*]}; inputs in build-fuzz/crashes/" >&2
    return 1
  fi
}

timed "sanitized test suite" sanitized_suite
timed "fuzz build" build_fuzzers
timed "fuzzing, ${fuzz_seconds} s per target" run_fuzzers
