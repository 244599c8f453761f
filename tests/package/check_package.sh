#!/usr/bin/env bash
# Builds the Debian package with cpack and checks what a user's dpkg gets: the control
# fields (games, dependencies found from the libraries), every file where Debian wants
# it, the unit pointing at the installed host, and files the validators accept.
#   check_package.sh BUILD_DIR CPACK DEB VERSION APP_ID
set -u
build=$1 cpack=$2 deb=$3 version=$4 appid=$5
source "$(dirname "$0")/../common/checks.sh"
need_tools "./dev installs dpkg-dev and file" dpkg-deb dpkg-shlibdeps file

rm -f "$deb"
(cd "$build" && "$cpack" -G DEB --config CPackConfig.cmake -B "$(dirname "$deb")") >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log"; echo "FAIL: cpack"; exit 1; }
[ -f "$deb" ] || { cat "$tmp/cpack.log"; echo "FAIL: cpack wrote no $(basename "$deb")"; exit 1; }

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = vimbrel ] || fail "Package is $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version is $(field Version), not $version"
[ "$(field Architecture)" = amd64 ] || fail "Architecture is $(field Architecture)"
[ "$(field Section)" = games ] || fail "Section is $(field Section), not games"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
depends=$(field Depends)
# dpkg-shlibdeps writes versioned dependencies on the libraries the programs link.
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6multimedia6; do
  echo "$depends" | tr ',' '\n' | sed 's/^ *//' | grep -qF "$lib (>= " || fail "Depends lacks $lib from shlibs: $depends"
done

dpkg-deb -c "$deb" >"$tmp/contents"
for path in usr/bin/vimbrel usr/bin/vimbrel-host usr/libexec/vimbrel/vimbrel-portmap \
            "usr/share/applications/$appid.desktop" "usr/share/metainfo/$appid.metainfo.xml" \
            usr/share/man/man6/vimbrel.6.gz usr/share/man/man6/vimbrel-host.6.gz \
            usr/lib/systemd/system/vimbrel-host.service usr/share/doc/vimbrel/copyright \
            "usr/share/icons/hicolor/scalable/apps/$appid.svg"; do
  grep -q " \./$path\$" "$tmp/contents" || fail "the package lacks /$path"
done
for size in 16 22 24 32 48 64 128 256; do
  grep -q " \./usr/share/icons/hicolor/${size}x$size/apps/$appid.png\$" "$tmp/contents" ||
    fail "the package lacks the ${size}px icon"
done
# Everything under /usr, owned by root, nothing of the build folder.
awk '{print $6}' "$tmp/contents" | grep -vE '^\./(usr/.*)?$' && fail "files outside /usr"
awk '{print $2}' "$tmp/contents" | grep -v '^root/root$' && fail "files not owned by root"
grep -q "$build" "$tmp/contents" && fail "the build folder's path is in the package"

dpkg-deb -x "$deb" "$tmp/root"
for exe in bin/vimbrel bin/vimbrel-host libexec/vimbrel/vimbrel-portmap; do
  file -b "$tmp/root/usr/$exe" | grep -q '^ELF.*, stripped' || fail "/usr/$exe is not a stripped program"
done
for page in vimbrel.6.gz vimbrel-host.6.gz; do
  gzip -t "$tmp/root/usr/share/man/man6/$page" || fail "$page is not gzip"
done
unit="$tmp/root/usr/lib/systemd/system/vimbrel-host.service"
grep -qx 'ExecStart=/usr/bin/vimbrel-host --port 7772' "$unit" || fail "the unit does not start /usr/bin/vimbrel-host: $(grep ExecStart "$unit")"
for script in postinst prerm postrm; do
  dpkg-deb -I "$deb" "$script" >/dev/null 2>&1 || fail "no $script"
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$tmp/root/usr/share/applications/$appid.desktop" >"$tmp/desktop" 2>&1 && [ ! -s "$tmp/desktop" ] ||
    { fail "desktop-file-validate on the installed entry"; cat "$tmp/desktop"; }
fi
if command -v appstreamcli >/dev/null; then
  # The installed tree as a software centre's indexer reads it: metainfo, desktop entry, icons.
  appstreamcli validate-tree --no-net --no-color "$tmp/root" >"$tmp/tree" 2>&1 && ! grep -q '^[EW]:' "$tmp/tree" ||
    { fail "appstreamcli validate-tree"; cat "$tmp/tree"; }
else
  echo "note: appstreamcli is missing, the installed tree was not validated"
fi

[ "$failures" -eq 0 ] || exit 1
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes, Depends: $depends"
