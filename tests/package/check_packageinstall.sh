#!/usr/bin/env bash
# Installs the package with apt as a user would (which also proves its dependencies
# resolve), runs both programs from /usr/bin with no build folder in reach, then purges
# it and checks that none of its files remain. Runs only as root, and never replaces a
# vimbrel that was installed before.
#   check_packageinstall.sh DEB VERSION
set -u
deb=$1 version=$2
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: installing the package needs root"
  exit 77
fi
if ! command -v apt-get >/dev/null; then
  echo "SKIP: apt-get is not available"
  exit 77
fi
if dpkg-query -W -f='${Status}' vimbrel 2>/dev/null | grep -q 'installed'; then
  echo "SKIP: vimbrel is already installed here; the test will not replace it"
  exit 77
fi
tmp=$(mktemp -d)
installed=0
cleanup() {
  [ "$installed" -eq 1 ] && DEBIAN_FRONTEND=noninteractive apt-get purge -y -q vimbrel >/dev/null 2>&1
  rm -rf "$tmp"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
export DEBIAN_FRONTEND=noninteractive

# --no-download: a dependency that is not on the machine fails the test instead of
# being fetched from the internet.
apt-get install -y -q --no-download --no-install-recommends "$(realpath "$deb")" >"$tmp/apt.log" 2>&1 ||
  { cat "$tmp/apt.log"; echo "FAIL: apt-get install"; exit 1; }
installed=1
dpkg-query -L vimbrel | while read -r path; do [ -d "$path" ] || echo "$path"; done >"$tmp/files"
[ -s "$tmp/files" ] || fail "dpkg lists no files of vimbrel"

# A fresh home and no build folder in reach: what the package holds must be enough.
mkdir -p "$tmp/home"
run() { (cd "$tmp/home" && env -i PATH=/usr/bin:/bin HOME="$tmp/home" QT_QPA_PLATFORM=offscreen "$@"); }
[ "$(run /usr/bin/vimbrel --version)" = "Vimbrel $version" ] || fail "/usr/bin/vimbrel --version"
run /usr/bin/vimbrel --help | grep -q 'NAME HOST true' || fail "/usr/bin/vimbrel --help"
[ "$(run /usr/bin/vimbrel-host --version)" = "vimbrel-host $version" ] || fail "/usr/bin/vimbrel-host --version"
run /usr/bin/vimbrel-host --help | grep -q -- '--port N' || fail "/usr/bin/vimbrel-host --help"
[ "$(man -w 6 vimbrel-host 2>/dev/null)" = /usr/share/man/man6/vimbrel-host.6.gz ] || fail "man does not find vimbrel-host(6)"
if command -v systemd-analyze >/dev/null; then
  systemd-analyze verify /usr/lib/systemd/system/vimbrel-host.service >"$tmp/verify" 2>&1 ||
    { fail "systemd-analyze verify"; cat "$tmp/verify"; }
fi

apt-get purge -y -q vimbrel >"$tmp/apt.log" 2>&1 || { cat "$tmp/apt.log"; fail "apt-get purge"; }
installed=0
dpkg-query -W -f='${Status}' vimbrel 2>/dev/null | grep -q 'installed' && fail "vimbrel is still installed"
while read -r path; do
  [ -e "$path" ] && fail "$path remains after purge"
done <"$tmp/files"
for dir in /usr/share/doc/vimbrel; do
  [ -e "$dir" ] && fail "$dir remains after purge"
done
ls /var/lib/systemd/deb-systemd-helper-enabled 2>/dev/null | grep -q vimbrel && fail "systemd state of the unit remains"

[ "$failures" -eq 0 ] || exit 1
echo "installed, ran and purged $(basename "$deb"): $(wc -l <"$tmp/files") files, none left"
