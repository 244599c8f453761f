#!/usr/bin/env bash
# Throughput of the tally file's compressor (build/lzrw1kh) against lz4 -1 on the same
# realistic input: a tar of /usr/include repeated to about 64 MB.
# Usage: bench/compressor.sh [path/to/lzrw1kh]   (default: build/lzrw1kh)
# Prints MB/s (1 MB = 10^6 bytes) for compression and decompression, the
# compression ratios and how each speed compares with lz4's.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
tool=${1:-$root/build/lzrw1kh}
target_mb=${BENCH_MB:-64}
rounds=${BENCH_ROUNDS:-3}

[ -x "$tool" ] || { echo "no compressor at $tool (build the lzrw1kh target)" >&2; exit 1; }
if ! command -v lz4 >/dev/null; then
    echo "installing lz4..." >&2
    apt-get install -y lz4 >/dev/null 2>&1 || { apt-get update >/dev/null && apt-get install -y lz4 >/dev/null; }
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/lzrbench.XXXXXX")
trap 'rm -rf "$work"' EXIT
input=$work/input.tar

# Build the input from real headers; repeat the tar until it reaches the target size.
tar -cf "$work/one.tar" -C /usr include 2>/dev/null || true
[ -s "$work/one.tar" ] || { echo "could not tar /usr/include" >&2; exit 1; }
: > "$input"
while [ "$(stat -c %s "$input")" -lt $((target_mb * 1000000)) ]; do cat "$work/one.tar" >> "$input"; done
head -c $((target_mb * 1000000)) "$input" > "$work/in" && mv "$work/in" "$input"
size=$(stat -c %s "$input")

# Best of `rounds` wall-clock runs of a command, in nanoseconds.
best_ns() {
    local best=0 t0 t1 d
    for _ in $(seq "$rounds"); do
        t0=$(date +%s%N); "$@" >/dev/null; t1=$(date +%s%N)
        d=$((t1 - t0))
        if [ "$best" -eq 0 ] || [ "$d" -lt "$best" ]; then best=$d; fi
    done
    echo "$best"
}
mbps() { awk -v b="$1" -v ns="$2" 'BEGIN { printf "%.1f", b / (ns / 1e9) / 1e6 }'; }

cat "$input" > /dev/null # warm the page cache
load_before=$(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || echo '?')
c_lzr=$(best_ns "$tool" compress "$input" "$work/out.lzr")
d_lzr=$(best_ns "$tool" decompress "$work/out.lzr" "$work/back.lzr")
c_lz4=$(best_ns lz4 -1 -q -f "$input" "$work/out.lz4")
d_lz4=$(best_ns lz4 -d -q -f "$work/out.lz4" "$work/back.lz4")

cmp -s "$input" "$work/back.lzr" || { echo "lzrw1kh round trip FAILED" >&2; exit 1; }
cmp -s "$input" "$work/back.lz4" || { echo "lz4 round trip FAILED" >&2; exit 1; }

zl=$(stat -c %s "$work/out.lzr"); z4=$(stat -c %s "$work/out.lz4")
printf 'input: %d bytes (tar of /usr/include, repeated), best of %d runs\n' "$size" "$rounds"
# Other work on the machine slows both tools; the load says how far to trust the figures.
printf 'machine: %s cores, load average %s before, %s after\n' "$(nproc)" "$load_before" \
    "$(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || echo '?')"
printf '%-10s %12s %12s %14s %8s\n' tool 'compress' 'decompress' 'output bytes' 'ratio'
printf '%-10s %9s MB/s %7s MB/s %14d %8s\n' lzrw1kh "$(mbps "$size" "$c_lzr")" \
    "$(mbps "$size" "$d_lzr")" "$zl" "$(awk -v a="$zl" -v b="$size" 'BEGIN{printf "%.3f", a/b}')"
printf '%-10s %9s MB/s %7s MB/s %14d %8s\n' 'lz4 -1' "$(mbps "$size" "$c_lz4")" \
    "$(mbps "$size" "$d_lz4")" "$z4" "$(awk -v a="$z4" -v b="$size" 'BEGIN{printf "%.3f", a/b}')"
awk -v a="$c_lz4" -v b="$c_lzr" -v c="$d_lz4" -v d="$d_lzr" 'BEGIN {
    printf "lzrw1kh / lz4 speed: compress %.2f (goal >= 1.00), decompress %.2f (goal >= 0.70)\n",
           a / b, c / d }'
