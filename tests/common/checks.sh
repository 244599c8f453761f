# Shared by the shell checks: skip (ctest's code 77) when a tool is missing, a private
# scratch folder removed on exit, and a failure counter.
#   source checks.sh; need_tools "how to get them" tool...
need_tools() {
  local hint=$1
  shift
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null; then
      echo "SKIP: $tool is not installed ($hint)"
      exit 77
    fi
  done
}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
