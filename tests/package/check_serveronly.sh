#!/usr/bin/env bash
# A server machine's build: configures with VIMBREL_SERVER_ONLY in a folder of its own,
# builds the servers, and checks that the configure found no GUI part of Qt and that no
# server program links a GUI library. The folder stays put between runs so that ccache
# finds the same paths again.
#   check_serveronly.sh SOURCE_DIR WORK_DIR CMAKE
set -u
src=$1 work=$2 cmake=$3
source "$(dirname "$0")/../common/checks.sh"
need_tools "./dev installs ninja-build and binutils" ninja ldd

rm -rf "$work"
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$src")}"
fi
"$cmake" -S "$src" -B "$work" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIMBREL_SERVER_ONLY=ON \
  -DVIMBREL_TESTS=OFF "${launcher[@]}" >"$tmp/configure.log" 2>&1 ||
  { cat "$tmp/configure.log"; echo "FAIL: the server-only configure"; exit 1; }

# The configure asked for Core and Network alone: not even Qt Test, with the tests off.
for part in Gui Widgets Multimedia LinguistTools Svg Test; do
  grep -q "^Qt6${part}_DIR:PATH=/" "$work/CMakeCache.txt" && fail "the configure looked for Qt6 $part"
done
targets=(vimbrel-host)
grep -q '^build vimbrel-lobbybot:' "$work/build.ninja" && targets+=(vimbrel-lobbybot)
grep -qE '^build (vimbrel|zumveklobby|vimbrel-portmap):' "$work/build.ninja" &&
  fail "the server-only build has desktop programs"
"$cmake" --build "$work" -j"$(nproc)" --target "${targets[@]}" >"$tmp/build.log" 2>&1 ||
  { tail -50 "$tmp/build.log"; echo "FAIL: building ${targets[*]}"; exit 1; }

gui='libQt6(Gui|Widgets|Multimedia|OpenGL|Svg)|libGL|libEGL|libX11|libxcb|libwayland|libfontconfig|libpulse|libgstreamer'
for t in "${targets[@]}"; do
  exe="$work/$t"
  [ -x "$exe" ] || { fail "$t was not built"; continue; }
  ldd "$exe" >"$tmp/ldd" 2>&1 || { fail "ldd $t"; continue; }
  grep -q libQt6Core "$tmp/ldd" || fail "$t does not link QtCore: is ldd lying?"
  grep -E "$gui" "$tmp/ldd" && fail "$t links a GUI library"
  "$exe" --version >/dev/null 2>&1 || fail "$t --version does not run"
done

[ "$failures" -eq 0 ] || exit 1
echo "server-only build: ${targets[*]}, no GUI library"
