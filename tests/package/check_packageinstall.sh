#!/usr/bin/env bash
# Installs the packages with apt as a user would (which also proves their dependencies
# resolve), runs the programs from /usr/bin with no build folder in reach, then purges
# them and checks that none of their files remain. Runs only as root, and never replaces
# a vimbrel that was installed before.
#   check_packageinstall.sh DEB VERSION SERVER_DEB
set -u
deb=$1 version=$2 server_deb=$3
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: installing the package needs root"
  exit 77
fi
if ! command -v apt-get >/dev/null; then
  echo "SKIP: apt-get is not available"
  exit 77
fi
for pkg in vimbrel vimbrel-server; do
  if dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'installed'; then
    echo "SKIP: $pkg is already installed here; the test will not replace it"
    exit 77
  fi
done
tmp=$(mktemp -d)
installed=0
cleanup() {
  [ "$installed" -eq 1 ] && DEBIAN_FRONTEND=noninteractive apt-get purge -y -q -o DPkg::Lock::Timeout=120 vimbrel vimbrel-server >/dev/null 2>&1
  rm -rf "$tmp"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
export DEBIAN_FRONTEND=noninteractive

deb=$(realpath "$deb")
server_deb=$(realpath "$server_deb")
# The dependencies must be on the machine already: a test never fetches packages from
# the internet, so anything apt would add besides vimbrel fails the test instead.
apt-get install -s -q --no-install-recommends "$deb" "$server_deb" >"$tmp/plan" 2>&1 || { cat "$tmp/plan"; echo "FAIL: apt-get cannot install the package"; exit 1; }
extra=$(sed -n 's/^Inst \([^ ]*\) .*/\1/p' "$tmp/plan" | grep -vxE 'vimbrel|vimbrel-server')
if [ -n "$extra" ]; then
  echo "FAIL: dependencies missing on this machine: $extra"
  exit 1
fi
apt-get install -y -q -o DPkg::Lock::Timeout=120 --no-install-recommends "$deb" "$server_deb" >"$tmp/apt.log" 2>&1 ||
  { cat "$tmp/apt.log"; echo "FAIL: apt-get install"; exit 1; }
installed=1
dpkg-query -L vimbrel vimbrel-server | while read -r path; do [ -d "$path" ] || echo "$path"; done >"$tmp/files"
[ -s "$tmp/files" ] || fail "dpkg lists no files of vimbrel"

# A fresh home and no build folder in reach: what the package holds must be enough.
mkdir -p "$tmp/home"
run() { (cd "$tmp/home" && env -i PATH=/usr/bin:/bin HOME="$tmp/home" QT_QPA_PLATFORM=offscreen "$@"); }
[ "$(run /usr/bin/vimbrel --version)" = "Vimbrel $version" ] || fail "/usr/bin/vimbrel --version"
run /usr/bin/vimbrel --help | grep -q 'NAME HOST true' || fail "/usr/bin/vimbrel --help"
[ "$(run /usr/bin/vimbrel-host --version)" = "vimbrel-host $version" ] || fail "/usr/bin/vimbrel-host --version"
run /usr/bin/vimbrel-host --help | grep -q -- '--port N' || fail "/usr/bin/vimbrel-host --help"
if [ -e /usr/bin/vimbrel-lobbybot ]; then
  run /usr/bin/vimbrel-lobbybot --version | grep -q "$version" || fail "/usr/bin/vimbrel-lobbybot --version"
fi
if [ -e /usr/bin/vimbrel-lobby-server ]; then
  run /usr/bin/vimbrel-lobby-server --help | grep -q -- '--dir' || fail "/usr/bin/vimbrel-lobby-server --help"
fi
# The router helper runs (its libraries resolve) where the game looks for it.
run /usr/libexec/vimbrel/vimbrel-portmap 2>&1 | grep -q 'usage: vimbrel-portmap' ||
  fail "/usr/libexec/vimbrel/vimbrel-portmap does not run"
# A solo game comes up from the installed files alone: the table hosts itself, so its
# port answers (a free one, never the real game port). Nothing is written under /usr.
touch "$tmp/before"
port=$((20000 + RANDOM % 20000))
while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((20000 + RANDOM % 20000)); done
mkdir -p "$tmp/runtime" && chmod 700 "$tmp/runtime"
(cd "$tmp/home" && exec env -i PATH=/usr/bin:/bin HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/runtime" \
  XDG_CONFIG_HOME="$tmp/home/config" XDG_DATA_HOME="$tmp/home/data" QT_QPA_PLATFORM=offscreen \
  VIMBREL_PORT=$port VIMBREL_LOBBY_PORT=$((port + 1)) /usr/bin/vimbrel >"$tmp/game.log" 2>&1) &
game=$!
up=0
for _ in $(seq 50); do
  if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then up=1; break; fi
  sleep 0.2
done
[ "$up" -eq 1 ] || { fail "the installed vimbrel did not host its solo game"; cat "$tmp/game.log"; }
kill "$game" 2>/dev/null
wait "$game" 2>/dev/null
[ -z "$(find /usr/bin /usr/share/applications -newer "$tmp/before" -print -quit)" ] || fail "the game wrote under /usr"
[ "$(man -w 6 vimbrel-host 2>/dev/null)" = /usr/share/man/man6/vimbrel-host.6.gz ] || fail "man does not find vimbrel-host(6)"
if command -v systemd-analyze >/dev/null; then
  for unit in /usr/lib/systemd/system/vimbrel-*.service; do
    systemd-analyze verify "$unit" >"$tmp/verify" 2>&1 ||
      { fail "systemd-analyze verify $(basename "$unit")"; cat "$tmp/verify"; }
  done
fi

apt-get purge -y -q -o DPkg::Lock::Timeout=120 vimbrel vimbrel-server >"$tmp/apt.log" 2>&1 || { cat "$tmp/apt.log"; fail "apt-get purge"; }
installed=0
for pkg in vimbrel vimbrel-server; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'installed' && fail "$pkg is still installed"
done
while read -r path; do
  [ -e "$path" ] && fail "$path remains after purge"
done <"$tmp/files"
for dir in /usr/share/doc/vimbrel /usr/share/doc/vimbrel-server /usr/share/vimbrel-server; do
  [ -e "$dir" ] && fail "$dir remains after purge"
done
ls /var/lib/systemd/deb-systemd-helper-enabled 2>/dev/null | grep -q vimbrel && fail "systemd state of the unit remains"

[ "$failures" -eq 0 ] || exit 1
echo "installed, ran and purged $(basename "$deb"): $(wc -l <"$tmp/files") files, none left"
