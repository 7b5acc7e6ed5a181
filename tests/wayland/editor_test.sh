#!/usr/bin/env bash
# The editor under Qt's Wayland platform, over the wallpaper, in a real headless sway: its window
# appears, its live view moves, and the wallpaper covers the background around it.
# Usage: editor_test.sh PROGRAM
set -uo pipefail
program=$1
if ! command -v sway > /dev/null || ! command -v grim > /dev/null; then
  echo "sway or grim is not installed"; exit 77
fi
SWAY_NO_BACKGROUND=1
source "$(dirname "$0")/sway_session.sh"

# The editor window's rectangle as "WxH+X+Y" from sway's tree; empty while there is none.
editor_rect() {
  user_cmd swaymsg -t get_tree -r | python3 -c '
import json, sys
def walk(node):
    if node.get("app_id") == "opal-revel" and node.get("visible"):
        r = node["rect"]; print("%dx%d+%d+%d" % (r["width"], r["height"], r["x"], r["y"])); sys.exit(0)
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        walk(child)
walk(json.load(sys.stdin))'
}

editor_appears() {
  for _ in $(seq 100); do
    rect=$(editor_rect); [ -n "$rect" ] && return 0; sleep 0.1
  done
  return 1
}

live_view_moves() {
  user_cmd grim -o HEADLESS-1 "$shots_dir/a.png" && sleep 1 && user_cmd grim -o HEADLESS-1 "$shots_dir/b.png" || return 1
  changed=$(convert "$shots_dir/a.png" "$shots_dir/b.png" -crop "$rect" +repage -compose difference -composite \
    -colorspace gray -threshold 1% -format '%[fx:mean]' info:)
  python3 -c "import sys; sys.exit(0 if float('$changed') > 0.001 else 1)"
}

wallpaper_around() {
  python3 -c "import sys; sys.exit(0 if float('$(desktop_fraction HEADLESS-1 editor)') < 0.001 else 1)"
}

start_sway || exit 1
start_client "$program" --wallpaper
start_client "$program" /c
check "the editor's window appears" editor_appears
sleep 2
check "its live view moves" live_view_moves
check "the wallpaper covers the background around it" wallpaper_around
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
