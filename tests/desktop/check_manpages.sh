#!/usr/bin/env bash
# The manual pages render without a warning, as man shows them and as mandb indexes
# them, and tell what the programs themselves tell: every option --help lists, the
# version, the port. A page with a known fault must draw a warning, so a checker that
# never complains is caught.
#   check_manpages.sh MAN_FOLDER VIMBREL VIMBREL_HOST VERSION
set -u
pages=$1 game=$2 host=$3 version=$4
source "$(dirname "$0")/../common/checks.sh"
need_tools "./dev installs man-db and groff-base" man groff lexgrog col

# Renders a page as a reader sees it, every troff warning on; stderr must stay empty.
render() {
  MANWIDTH=80 man --warnings=w -l "$1" 2>"$tmp/err" | col -bx >"$tmp/text"
  [ ! -s "$tmp/err" ] && [ -s "$tmp/text" ]
}

for page in vimbrel.6 vimbrel-host.6; do
  for file in "$pages/$page" "$pages/$page.gz"; do
    render "$file" || { fail "man -l $file"; cat "$tmp/err"; }
    groff -man -ww -z "$pages/$page" 2>"$tmp/err" && [ ! -s "$tmp/err" ] || { fail "groff -ww $page"; cat "$tmp/err"; }
  done
  name=${page%.6}
  lexgrog "$pages/$page" >"$tmp/whatis" 2>&1 && grep -q ": \"$name - " "$tmp/whatis" ||
    { fail "mandb cannot read the NAME of $page"; cat "$tmp/whatis"; }
done

printf '.TH BROKEN 6\n.SH NAME\nbroken \\- a page with a fault\n.SH DESCRIPTION\n.XY no such macro\n' >"$tmp/broken.6"
render "$tmp/broken.6" && fail "a page calling an undefined macro rendered without a warning"

# The pages and the programs agree.
# As one line, so a phrase broken across lines is still found.
render "$pages/vimbrel.6"
tr -s '\n ' '  ' <"$tmp/text" >"$tmp/game.txt"
render "$pages/vimbrel-host.6"
tr -s '\n ' '  ' <"$tmp/text" >"$tmp/host.txt"
"$host" --help >"$tmp/hosthelp" || fail "vimbrel-host --help"
"$game" --help >"$tmp/gamehelp" || fail "vimbrel --help"
for option in $(grep -oE '(^|[ [])--?[a-z][a-z-]*' "$tmp/hosthelp" | tr -d ' [' | sort -u) -h --help --version; do
  grep -qe "$option" "$tmp/host.txt" || fail "vimbrel-host.6 does not mention $option"
done
for mode in 'NAME HOST true' 'NAME HOST join' '--help' '--version'; do
  grep -qe "$mode" "$tmp/game.txt" || fail "vimbrel.6 does not mention $mode"
done
# Both say "join", as the README and the lobby do, and how a host on another port is named.
grep -q 'NAME HOST join' "$tmp/gamehelp" && ! grep -q 'NAME HOST other' "$tmp/gamehelp" ||
  fail "vimbrel.6 and vimbrel --help disagree on what joins"
grep -q 'HOST:PORT' "$tmp/gamehelp" && grep -q 'HOST:PORT' "$tmp/game.txt" ||
  fail "vimbrel.6 and vimbrel --help disagree on how a port is given"
for text in "$tmp/game.txt" "$tmp/host.txt"; do
  grep -q "Vimbrel $version" "$text" || fail "$(basename "$text") does not carry version $version"
  grep -q 7772 "$text" || fail "$(basename "$text") does not name port 7772"
  grep -q 'EXIT STATUS' "$text" || fail "$(basename "$text") has no EXIT STATUS"
done
grep -q "bad argument or busy port" "$tmp/hosthelp" && grep -q 'STATUS .* 2 A bad argument' "$tmp/host.txt" ||
  fail "vimbrel-host.6 does not give exit status 2 for a bad argument"
# Test-only hooks stay out of what players read.
for hook in VIMBREL_PORT VIMBREL_LOBBY_PORT VIMBREL_PAUSE_TICK_MS; do
  grep -qw "$hook" "$tmp/game.txt" "$tmp/host.txt" && fail "a page documents the test hook $hook"
done

[ "$failures" -eq 0 ] || exit 1
echo "manual pages: no warnings, agree with --help"
