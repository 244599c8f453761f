#!/usr/bin/env bash
# Builds the Debian packages with cpack and checks what a user's dpkg gets: the control
# fields (games, dependencies found from the libraries), every file where Debian wants
# it, the units pointing at the installed programs, and files the validators accept. The
# server's package must depend on no GUI library and hold none of the game's files.
#   check_package.sh BUILD_DIR CPACK DEB VERSION APP_ID SERVER_DEB
set -u
build=$1 cpack=$2 deb=$3 version=$4 appid=$5 server_deb=$6
source "$(dirname "$0")/../common/checks.sh"
need_tools "./dev installs dpkg-dev and file" dpkg-deb dpkg-shlibdeps file

rm -f "$deb" "$server_deb"
(cd "$build" && "$cpack" -G DEB --config CPackConfig.cmake -B "$(dirname "$deb")") >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log"; echo "FAIL: cpack"; exit 1; }
for d in "$deb" "$server_deb"; do
  [ -f "$d" ] || { cat "$tmp/cpack.log"; echo "FAIL: cpack wrote no $(basename "$d")"; exit 1; }
done

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
for path in usr/bin/vimbrel usr/libexec/vimbrel/vimbrel-portmap \
            "usr/share/applications/$appid.desktop" "usr/share/metainfo/$appid.metainfo.xml" \
            usr/share/man/man6/vimbrel.6.gz usr/share/doc/vimbrel/copyright \
            "usr/share/icons/hicolor/scalable/apps/$appid.svg"; do
  grep -q " \./$path\$" "$tmp/contents" || fail "the package lacks /$path"
done
# The lobby program, where this build has it.
if [ -x "$build/zumveklobby" ]; then
  for path in usr/bin/zumveklobby usr/share/applications/com.zumvek.ZumvekLobby.desktop; do
    grep -q " \./$path\$" "$tmp/contents" || fail "the package lacks /$path"
  done
fi
# The servers are the other package's: both installed, no file may be in both.
grep -qE ' \./usr/(bin/vimbrel-(host|lobbybot)|lib/systemd/)' "$tmp/contents" &&
  fail "the game's package holds the server's files"
for size in 16 22 24 32 48 64 128 256; do
  grep -q " \./usr/share/icons/hicolor/${size}x$size/apps/$appid.png\$" "$tmp/contents" ||
    fail "the package lacks the ${size}px icon"
done
# Everything under /usr, owned by root, nothing of the build folder.
awk '{print $6}' "$tmp/contents" | grep -vE '^\./(usr/.*)?$' && fail "files outside /usr"
awk '{print $2}' "$tmp/contents" | grep -v '^root/root$' && fail "files not owned by root"
grep -q "$build" "$tmp/contents" && fail "the build folder's path is in the package"

dpkg-deb -x "$deb" "$tmp/root"
for exe in bin/vimbrel libexec/vimbrel/vimbrel-portmap; do
  file -b "$tmp/root/usr/$exe" | grep -q '^ELF.*, stripped' || fail "/usr/$exe is not a stripped program"
done
gzip -t "$tmp/root/usr/share/man/man6/vimbrel.6.gz" || fail "vimbrel.6.gz is not gzip"
# A web page's "Play" links open the installed game, which takes the link as %u.
grep -qx 'MimeType=.*x-scheme-handler/vimbrel;.*' "$tmp/root/usr/share/applications/$appid.desktop" &&
  grep -qx 'Exec=vimbrel %u' "$tmp/root/usr/share/applications/$appid.desktop" ||
  fail "the installed entry does not handle vimbrel: links"
if command -v desktop-file-validate >/dev/null; then
  for entry in "$tmp"/root/usr/share/applications/*.desktop; do
    desktop-file-validate "$entry" >"$tmp/desktop" 2>&1 && [ ! -s "$tmp/desktop" ] ||
      { fail "desktop-file-validate on $(basename "$entry")"; cat "$tmp/desktop"; }
  done
fi
if command -v appstreamcli >/dev/null; then
  # The installed tree as a software centre's indexer reads it: metainfo, desktop entry, icons.
  appstreamcli validate-tree --no-net --no-color "$tmp/root" >"$tmp/tree" 2>&1 && ! grep -q '^[EW]:' "$tmp/tree" ||
    { fail "appstreamcli validate-tree"; cat "$tmp/tree"; }
else
  echo "note: appstreamcli is missing, the installed tree was not validated"
fi

# ---- vimbrel-server ---------------------------------------------------------------------
sfield() { dpkg-deb -f "$server_deb" "$1"; }
[ "$(sfield Package)" = vimbrel-server ] || fail "Package is $(sfield Package), not vimbrel-server"
[ "$(sfield Version)" = "$version" ] || fail "the server's Version is $(sfield Version)"
[ "$(sfield Architecture)" = amd64 ] || fail "the server's Architecture is $(sfield Architecture)"
sdepends=$(sfield Depends)
for lib in libc6 libqt6core6 libqt6network6 libstrophe0; do
  echo "$sdepends" | tr ',' '\n' | sed 's/^ *//' | grep -qE "^$lib[a-z0-9]* \(>= " ||
    fail "the server's Depends lacks $lib from shlibs: $sdepends"
done
echo "$sdepends" | grep -qE 'libqt6(gui|widgets|multimedia|opengl|svg)|libgl|libx11|libxcb|libwayland|libpulse|gstreamer' &&
  fail "the server's package depends on a GUI library: $sdepends"
dpkg-deb -c "$server_deb" >"$tmp/scontents"
spaths=(usr/bin/vimbrel-host usr/share/man/man6/vimbrel-host.6.gz usr/lib/systemd/system/vimbrel-host.service
        usr/share/doc/vimbrel-server/copyright)
[ -x "$build/vimbrel-lobbybot" ] && spaths+=(usr/bin/vimbrel-lobbybot usr/lib/systemd/system/vimbrel-lobbybot.service)
[ -f "$(dirname "$0")/../../server/vimbrel-lobby-server" ] &&
  spaths+=(usr/share/vimbrel-server/vimbrel-lobby-server usr/share/vimbrel-server/ejabberd.yml.in
           usr/share/vimbrel-server/protocol-version)
# The lobby's web page with the library it loads, where the build had it from npm.
[ -f "$(dirname "$0")/../../web/node_modules/strophe.js/dist/strophe.umd.min.js" ] &&
  spaths+=(usr/share/vimbrel-server/web/index.html usr/share/vimbrel-server/web/lobby.js
           usr/share/vimbrel-server/web/lib/strophe.umd.min.js)
for path in "${spaths[@]}"; do
  grep -q " \./$path\$" "$tmp/scontents" || fail "the server's package lacks /$path"
done
grep -qE ' \./usr/(bin/vimbrel|bin/zumveklobby|share/applications/.*)$' "$tmp/scontents" &&
  fail "the server's package holds the game's files"
awk '{print $6}' "$tmp/scontents" | grep -vE '^\./(usr/.*)?$' && fail "server files outside /usr"
awk '{print $2}' "$tmp/scontents" | grep -v '^root/root$' && fail "server files not owned by root"
for script in postinst prerm postrm; do
  dpkg-deb -I "$server_deb" "$script" >/dev/null 2>&1 || fail "the server's package has no $script"
done
dpkg-deb -x "$server_deb" "$tmp/sroot"
for exe in bin/vimbrel-host bin/vimbrel-lobbybot; do
  [ -e "$tmp/sroot/usr/$exe" ] || continue
  file -b "$tmp/sroot/usr/$exe" | grep -q '^ELF.*, stripped' || fail "/usr/$exe is not a stripped program"
done
gzip -t "$tmp/sroot/usr/share/man/man6/vimbrel-host.6.gz" || fail "vimbrel-host.6.gz is not gzip"
unit="$tmp/sroot/usr/lib/systemd/system/vimbrel-host.service"
grep -qx 'ExecStart=/usr/bin/vimbrel-host --port 7772' "$unit" || fail "the unit does not start /usr/bin/vimbrel-host: $(grep ExecStart "$unit")"
# Hardened, and left for the operator to enable.
for unit in "$tmp"/sroot/usr/lib/systemd/system/*.service; do
  for key in DynamicUser=yes ProtectSystem=strict ProtectHome=yes PrivateTmp=yes NoNewPrivileges=yes \
             'RestrictAddressFamilies=AF_INET AF_INET6 AF_UNIX' 'CapabilityBoundingSet='; do
    grep -qx "$key" "$unit" || fail "$(basename "$unit") lacks $key"
  done
  grep -q '^MemoryMax=' "$unit" || fail "$(basename "$unit") has no MemoryMax"
  grep -q '^ExecStart=/usr/bin/' "$unit" || fail "$(basename "$unit") does not start a program in /usr/bin"
done

[ "$failures" -eq 0 ] || exit 1
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes, Depends: $depends"
echo "$(basename "$server_deb"): $(stat -c %s "$server_deb") bytes, Depends: $sdepends"
