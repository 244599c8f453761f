#!/usr/bin/env bash
# The desktop entry and the metainfo pass the validators desktops and software centres
# use, and name each other consistently; every desktop entry (the lobby's too) has its
# name and description in German. Broken copies must fail the checks, so a check that
# passes everything is caught.
#   check_desktopfiles.sh DESKTOP_FILE METAINFO_FILE VERSION APP_ID [OTHER_DESKTOP_FILE...]
set -u
desktop=$1 metainfo=$2 version=$3 appid=$4
shift 4
others=("$@")
source "$(dirname "$0")/../common/checks.sh"
need_tools "./dev installs it" desktop-file-validate appstreamcli

# desktop-file-validate prints warnings and hints but exits 0 for them: no output at all.
validate_desktop() { desktop-file-validate "$1" >"$tmp/out" 2>&1 && [ ! -s "$tmp/out" ]; }
# appstreamcli exits 0 with warnings: none of those either (infos are advice).
validate_metainfo() {
  appstreamcli validate --no-net --no-color "$1" >"$tmp/out" 2>&1 && ! grep -q '^[EW]:' "$tmp/out"
}

# A German desktop shows Name[de] and Comment[de]; a Comment[de] that is the English
# one was never translated.
german_entry() {
  local name comment english
  name=$(sed -n 's/^Name\[de\]=//p' "$1")
  comment=$(sed -n 's/^Comment\[de\]=//p' "$1")
  english=$(sed -n 's/^Comment=//p' "$1")
  [ -n "$name" ] && [ -n "$comment" ] && [ "$comment" != "$english" ]
}

for entry in "$desktop" "${others[@]}"; do
  validate_desktop "$entry" || { fail "desktop-file-validate $entry"; cat "$tmp/out"; }
  german_entry "$entry" || fail "$entry has no German Name[de] and Comment[de]"
done
validate_metainfo "$metainfo" || { fail "appstreamcli validate $metainfo"; cat "$tmp/out"; }

# Each broken copy keeps the file's name, as the validators read the id from it.
mkdir -p "$tmp/broken"
broken="$tmp/broken/$(basename "$desktop")"
sed '/^Type=/d' "$desktop" >"$broken"
validate_desktop "$broken" && fail "a desktop entry without Type= passed"
sed 's/^Categories=.*/Categories=Dice;/' "$desktop" >"$broken"
validate_desktop "$broken" && fail "a desktop entry with an unknown category passed"
sed '/^Comment\[de\]=/d' "$desktop" >"$broken"
german_entry "$broken" && fail "a desktop entry without Comment[de] passed"
{ sed '/^Comment\[de\]=/d' "$desktop"; sed -n 's/^Comment=/Comment[de]=/p' "$desktop"; } >"$broken"
german_entry "$broken" && fail "a desktop entry whose Comment[de] is English passed"

broken="$tmp/broken/$(basename "$metainfo")"
sed '/<summary>/d' "$metainfo" >"$broken"
validate_metainfo "$broken" && fail "metainfo without a summary passed"
sed 's|<image type="source">[^<]*/|<image type="source">docs/screenshots/|' "$metainfo" >"$broken"
validate_metainfo "$broken" && fail "metainfo with a screenshot that is no web address passed"
sed '/<id>/d' "$metainfo" >"$broken"
validate_metainfo "$broken" && fail "metainfo without an id passed"
sed 's|<project_license>[^<]*<|<project_license>Zumvek-Licence<|' "$metainfo" >"$broken"
validate_metainfo "$broken" && fail "metainfo with a licence that is no SPDX name passed"

# What the files say of each other.
desktop_categories=$(sed -n 's/^Categories=//p' "$desktop" | tr ';' '\n' | sed '/^$/d' | sort)
metainfo_categories=$(sed -n 's|.*<category>\(.*\)</category>.*|\1|p' "$metainfo" | sort)
[ "$desktop_categories" = "$metainfo_categories" ] || fail "categories differ between desktop entry and metainfo"
field() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(basename "$desktop")" = "$appid.desktop" ] || fail "desktop entry is not named $appid.desktop"
[ "$(field Icon)" = "$appid" ] || fail "desktop entry's Icon is $(field Icon), not $appid"
grep -q "<id>$appid</id>" "$metainfo" || fail "metainfo id is not $appid"
grep -q "<launchable type=\"desktop-id\">$appid.desktop</launchable>" "$metainfo" ||
  fail "metainfo does not launch $appid.desktop"
grep -q "<release version=\"$version\" date=\"[0-9-]*\"" "$metainfo" ||
  fail "metainfo's release is not $version"
grep -q '<content_rating type="oars-1.1">' "$metainfo" || fail "metainfo has no OARS rating"
for tag in name summary description project_license metadata_license developer_name url screenshots; do
  grep -q "<$tag[ >]" "$metainfo" || fail "metainfo has no <$tag>"
done

# Links to tables ("vimbrel://join/...") open in the game, which gets the link as %u;
# one handler only, so no desktop has to choose between two.
scheme_handler() {
  grep -qx 'MimeType=\(.*;\)\?x-scheme-handler/vimbrel;.*' "$1" && grep -qx 'Exec=[^ ]* %u' "$1"
}
scheme_handler "$desktop" || fail "the game's entry does not open vimbrel: links with %u"
for entry in "${others[@]}"; do
  grep -q 'x-scheme-handler/vimbrel' "$entry" && fail "$entry claims vimbrel: links too"
done
sed 's/ %u$//' "$desktop" >"$tmp/broken/handler.desktop"
scheme_handler "$tmp/broken/handler.desktop" && fail "an entry that drops the link passed"

[ "$failures" -eq 0 ] || exit 1
echo "desktop entries and metainfo: valid, in German too, broken copies refused"
