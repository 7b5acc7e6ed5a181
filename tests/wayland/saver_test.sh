#!/usr/bin/env bash
# The saver on a Wayland desktop under a real headless sway with two outputs: it lights both
# outputs above a full-screen window (the editor's, on layer-shell), and a key, a button or a pointer move of
# more than 20 pixels ends it (a smaller move does not). Run once with layer-shell and once with
# it hidden, when the saver falls back to full-screen windows. Then, in a sway nested in the
# first, an output added while the saver runs gets its picture, and one taken away loses it
# while the saver runs on and ends cleanly.
# Usage: saver_test.sh PROGRAM POINTER-DEVICE
set -uo pipefail
program=$1
pointer_device=$2
if ! command -v sway > /dev/null || ! command -v grim > /dev/null || ! command -v wtype > /dev/null; then
  echo "sway, grim or wtype is not installed"; exit 77
fi
source "$(dirname "$0")/sway_session.sh"

# Waits until the outputs show the saver: no pixel of the desktop colour, some lit ones, and on
# the first output next to none of the full-screen client's picture.
saver_covers() { # OUTPUT...
  local output
  for _ in $(seq 50); do
    local all=0
    for output in "$@"; do
      desktop=$(desktop_fraction "$output" saver)
      lit=$(lit_fraction "$output" saver)
      client=0
      if [ "$output" = HEADLESS-1 ] && [ -f "$shots_dir/client.png" ]; then client=$(client_shown "$shots_dir/shot.png"); fi
      if below "$desktop" 0.001 && below "$client" 0.001 && above "$lit" 0.0001; then all=$((all + 1)); fi
    done
    [ "$all" -eq $# ] && return 0
    sleep 0.2
  done
  echo "  desktop fraction $desktop, client fraction $client, lit fraction $lit on $output"
  return 1
}

# The editor, full screen on the first output: sway says so, and its picture is there.
fullscreen_client() {
  start_client "$program" /c
  for _ in $(seq 100); do
    user_cmd swaymsg -q '[app_id="opal-revel"] fullscreen enable' 2>/dev/null && break
    sleep 0.1
  done
  sleep 1
  local mode
  mode=$(user_cmd swaymsg -t get_tree -r | python3 -c '
import json, sys
def walk(node):
    if node.get("app_id") == "opal-revel":
        print(node.get("fullscreen_mode")); sys.exit(0)
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        walk(child)
walk(json.load(sys.stdin))')
  user_cmd grim -o HEADLESS-1 "$shots_dir/client.png" || return 1
  convert "$shots_dir/client.png" -alpha off -colorspace gray -threshold 0 "$shots_dir/client-drawn.png"
  local drawn
  drawn=$(convert "$shots_dir/client-drawn.png" -format '%[fx:mean]' info:)
  echo "  full-screen mode $mode, $drawn of the output drawn"
  [ "$mode" = 1 ] && above "$drawn" 0.1
}

# Of the pixels the full-screen client drew (not black), the fraction a screenshot still shows
# as they were.
client_shown() { # SCREENSHOT
  convert "$shots_dir/client.png" "$1" -alpha off -compose difference -composite -colorspace gray -threshold 0 -negate \
    "$shots_dir/client-drawn.png" -compose multiply -composite "$shots_dir/client-same.png"
  python3 -c "print($(convert "$shots_dir/client-same.png" -format '%[fx:mean]' info:) / $(convert "$shots_dir/client-drawn.png" -format '%[fx:mean]' info:))"
}

output_names_of() { # COMMAND-RUNNER: the outputs of that compositor, one a line
  "$1" swaymsg -t get_outputs -r | python3 -c 'import json,sys; [print(o["name"]) for o in json.load(sys.stdin)]'
}

# Waits for a compositor's outputs to be these names, in order.
outputs_become() { # RUNNER NAME...
  local runner=$1; shift
  for _ in $(seq 50); do
    [ "$(output_names_of "$runner" | tr '\n' ' ')" = "$* " ] && return 0
    sleep 0.1
  done
  echo "  outputs: $(output_names_of "$runner" | tr '\n' ' ')"
  return 1
}

run_mode() { # LABEL EXTRA-ENV...
  local label=$1; shift
  local above=""
  if [ -f "$shots_dir/client.png" ]; then above=" above the full-screen editor"; fi
  # Start the saver, see it on both outputs, end it in each of the ways.
  for ending in key button move; do
    start_client env "$@" "$program" /s
    local saver=$last_pid
    check "$label: the saver lights both outputs$above ($ending)" saver_covers HEADLESS-1 HEADLESS-2
    case $ending in
      key)
        user_cmd wtype -k space
        ;;
      button)
        user_cmd swaymsg -q 'seat - cursor press button1'; user_cmd swaymsg -q 'seat - cursor release button1'
        ;;
      move)
        user_cmd swaymsg -q 'seat - cursor move 5 5'
        sleep 0.5
        check "$label: a 5-pixel move leaves the saver running" kill -0 "$saver"
        user_cmd swaymsg -q 'seat - cursor move 30 0'
        ;;
    esac
    check "$label: a $ending ends the saver with status 0" ended_cleanly "$saver"
    # A saver that did not end must not hold the single-instance lock for the next one.
    kill "$saver" 2>/dev/null && wait "$saver" 2>/dev/null
    started_pids=("${started_pids[@]/$saver}")
  done
}

start_sway || exit 1
add_input_devices "$pointer_device" || exit 1
user_cmd swaymsg -q 'seat - cursor set 400 300'
check "the editor goes full screen" fullscreen_client
run_mode layer-shell
# Without layer-shell the saver's own full-screen windows would compete with the editor's for
# each output, so the editor is closed first.
user_cmd swaymsg -q '[app_id="opal-revel"] kill'
rm -f "$shots_dir/client.png"
run_mode full-screen OPAL_WAYLAND_NO_LAYER_SHELL=1

# Outputs that come and go while the saver runs, in the nested sway (no full-screen client there).
rm -f "$shots_dir/client.png"
start_nested_sway || exit 1
start_inner_client wtype -s 3600000 -k F24
shoot_cmd=inner_cmd
# Under LeakSanitizer this run reads tests/wayland/lsan.supp; the full unwinding lets its
# one line find our frame under libwayland-client's.
start_inner_client env "LSAN_OPTIONS=${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(cd "$(dirname "$0")" && pwd)/lsan.supp:print_suppressions=0" \
  "ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0" "$program" /s
saver=$last_pid
check "nested: the saver lights the one output" saver_covers WL-1
inner_cmd swaymsg -q create_output
check "nested: an output is added" outputs_become inner_cmd WL-1 WL-2
check "nested: the added output gets the saver's picture" saver_covers WL-1 WL-2
user_cmd swaymsg -q '[title="wlroots - WL-2"] kill'
check "nested: the output is taken away" outputs_become inner_cmd WL-1
sleep 0.5
check "nested: the saver runs on" kill -0 "$saver"
check "nested: the output left keeps the saver's picture" saver_covers WL-1
inner_cmd wtype -k space
check "nested: a key ends the saver with status 0" ended_cleanly "$saver"
started_pids=("${started_pids[@]/$saver}")
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
