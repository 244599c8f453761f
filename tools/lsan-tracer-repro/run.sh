#!/usr/bin/env bash
# Builds the two files here with AddressSanitizer (LeakSanitizer on) and runs the program
# with 0..255 small blocks taken first; prints which runs end in "Tracer caught signal 11",
# then runs those again with intercept_tls_get_addr=0.   run.sh [g++|clang++]
set -u
cxx=${1:-g++}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$(dirname "$0")"
"$cxx" -shared -fPIC -O1 tlsmod.cpp -o "$dir/libtlsmod.so" || exit 2
"$cxx" -g -fsanitize=address main.cpp -o "$dir/tlsrepro" -ldl || exit 2
crashed=()
for n in $(seq 0 255); do
  ASAN_OPTIONS=detect_leaks=1 "$dir/tlsrepro" "$dir/libtlsmod.so" "$n" >"$dir/out" 2>&1
  if grep -q "Tracer caught signal 11" "$dir/out"; then
    crashed+=("$n")
    echo "N=$n: $(grep -o 'TLS block.*' "$dir/out"); $(grep -o 'Tracer caught.*' "$dir/out")"
  fi
done
echo "tracer crashed in ${#crashed[@]} of 256 runs"
for n in "${crashed[@]}"; do
  ASAN_OPTIONS=detect_leaks=1:intercept_tls_get_addr=0 "$dir/tlsrepro" "$dir/libtlsmod.so" "$n" >"$dir/out" 2>&1
  echo "N=$n, intercept_tls_get_addr=0: exit $?, $(grep -c 'Tracer caught' "$dir/out") tracer crashes"
done
