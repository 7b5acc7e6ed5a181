#!/usr/bin/env bash
# The desktop files and the Debian package, checked by the tools that consume them:
#   desktop_files_test.sh <source folder> <build folder> <program>
# xmllint reads the settings dialog's description, every argument it can pass is one the
# program accepts and every preset it offers is shipped; desktop-file-validate accepts the
# MATE screen-saver themes (which run the program as a display mode) and the
# menu entry; appstreamcli accepts the software centres' metadata; cpack builds the .deb, whose contents (unpacked with dpkg -x into a scratch
# root) and dependencies are the expected ones.
set -euo pipefail
source=$1
build=$2
program=$3
xml=$source/data/desktop/opal-revel.xml
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

xmllint --noout "$xml" || fail "xmllint refuses $xml"
desktop-file-validate "$source/data/desktop/opal-revel.desktop" || fail "desktop-file-validate refuses the menu entry"
# The software centres' entry: clean to the metadata checker, launching the menu entry, and
# each screenshot one of the pictures the tests keep.
metainfo=$source/data/metainfo/org.opalrevel.OpalRevel.metainfo.xml
if command -v appstreamcli > /dev/null; then
  appstreamcli validate --no-net "$metainfo" > "$scratch/appstream.log" 2>&1 \
    || { cat "$scratch/appstream.log"; fail "appstreamcli refuses the metadata"; }
fi
[ "$(xmllint --xpath 'string(//launchable)' "$metainfo")" = opal-revel.desktop ] || fail "the metadata launches another entry"
for picture in $(xmllint --xpath '//screenshot/image/text()' "$metainfo"); do
  [ -f "$source/tests/data/screens/$(basename "$picture")" ] || fail "the screenshot $picture is no kept picture"
done
for theme in "$source"/data/desktop/screensavers/*.desktop; do
  desktop-file-validate "$theme" | grep -v ': hint: ' && fail "desktop-file-validate refuses $(basename "$theme")"
  grep -q '^Exec=opal-revel --root' "$theme" || fail "$(basename "$theme") does not run the program as a display mode"
done

# Arguments a select can pass, and each slider's argument at its ends and its default.
mapfile -t choices < <(xmllint --xpath '//option/@arg-set' "$xml" | sed -n 's/.*arg-set="\([^"]*\)".*/\1/p')
[ ${#choices[@]} -ge 30 ] || fail "only ${#choices[@]} choices read from the settings description"
while IFS='|' read -r argument low high default; do
  for value in "$low" "$high" "$default"; do
    choices+=("${argument/\%/$value}")
  done
done < <(xmllint --xpath '//number' "$xml" | tr '\n' ' ' | sed 's|/>|/>\n|g' \
  | sed -n 's/.*arg="\([^"]*\)".*low="\([^"]*\)".*high="\([^"]*\)".*default="\([^"]*\)".*/\1|\2|\3|\4/p')
for choice in "${choices[@]}"; do
  # shellcheck disable=SC2086 # the choice is an option and its value
  "$program" --help $choice >/dev/null 2>"$scratch/error" || fail "the program refuses \"$choice\": $(cat "$scratch/error")"
  case $choice in
    "--preset random") ;;
    --preset*) [ -f "$source/data/presets/${choice#--preset }.vhp" ] || fail "no shipped preset for \"$choice\"" ;;
  esac
done
[ "$(xmllint --xpath 'string(//command/@arg)' "$xml")" = "--root" ] || fail "the daemon's command is not --root"

# The package, built into the scratch folder so that parallel runs do not meet.
(cd "$build" && cpack -G DEB -B "$scratch/package" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; fail "cpack failed"; }
deb=$(ls "$scratch"/package/opal-revel_*_*.deb 2>/dev/null | head -n 1)
if [ -z "$deb" ]; then
  fail "no .deb was made"
else
  dpkg-deb -x "$deb" "$scratch/root"
  for file in usr/bin/opal-revel usr/share/applications/opal-revel.desktop \
      usr/share/applications/screensavers/opal-revel.desktop usr/share/applications/screensavers/opal-revel-random.desktop \
      usr/share/metainfo/org.opalrevel.OpalRevel.metainfo.xml \
      usr/share/xscreensaver/config/opal-revel.xml usr/share/icons/hicolor/48x48/apps/opal-revel.png \
      usr/share/icons/hicolor/128x128/apps/opal-revel.png usr/share/icons/hicolor/256x256/apps/opal-revel.png \
      usr/share/opal-revel/presets/candy.vhp "usr/share/opal-revel/Opal Revel Help.html" \
      usr/lib/systemd/user/opal-revel-idle.service; do
    [ -f "$scratch/root/$file" ] || fail "the package lacks /$file"
  done
  [ "$(readlink -f "$scratch/root/usr/libexec/xscreensaver/opal-revel")" = "$(readlink -f "$scratch/root/usr/bin/opal-revel")" ] \
    || fail "/usr/libexec/xscreensaver/opal-revel does not lead to the program"
  [ -x "$scratch/root/usr/bin/opal-revel" ] || fail "the program is not executable"
  for size in 48 128 256; do
    [ "$(identify -format '%wx%h' "$scratch/root/usr/share/icons/hicolor/${size}x${size}/apps/opal-revel.png")" = "${size}x${size}" ] \
      || fail "the ${size} pixel icon has another size"
  done
  depends=$(dpkg-deb -f "$deb" Depends)
  for package in libqt6widgets6 libjpeg62-turbo libxrandr2 qt6-qpa-plugins; do
    grep -q "\\b$package\\b" <<<"$depends" || fail "the package does not depend on $package ($depends)"
  done
  # The installed program runs from its new place: --help needs no display.
  "$scratch/root/usr/bin/opal-revel" --help | grep -q -- "--window-id" || fail "the packaged program does not run"
fi

[ "$failures" -eq 0 ] && echo "all desktop files and the package are in order"
exit "$failures"
