#!/usr/bin/env bash
# The wallpaper under a real headless sway with two outputs: it covers the desktop's
# background on both outputs, takes no input (a key and a click leave it running), and a
# termination signal ends it by that signal.
# Usage: wallpaper_test.sh PROGRAM POINTER-DEVICE
set -uo pipefail
program=$1
pointer_device=$2
if ! command -v sway > /dev/null || ! command -v grim > /dev/null || ! command -v wtype > /dev/null; then
  echo "sway, grim or wtype is not installed"; exit 77
fi
# swaybg would share the background layer with the wallpaper; the test leaves it to the wallpaper.
SWAY_NO_BACKGROUND=1
source "$(dirname "$0")/sway_session.sh"

wallpaper_covers() {
  for _ in $(seq 50); do
    local all=0 output
    for output in HEADLESS-1 HEADLESS-2; do
      desktop=$(desktop_fraction "$output" wallpaper)
      lit=$(lit_fraction "$output" wallpaper)
      if below "$desktop" 0.001 && above "$lit" 0.0001; then all=$((all + 1)); fi
    done
    [ "$all" -eq 2 ] && return 0
    sleep 0.2
  done
  echo "  desktop fraction $desktop, lit fraction $lit"
  return 1
}

start_sway || exit 1
add_input_devices "$pointer_device" || exit 1
user_cmd swaymsg -q 'seat - cursor set 400 300'
start_client "$program" --wallpaper --rate 50
wallpaper=$last_pid
check "the wallpaper covers the background of both outputs" wallpaper_covers
user_cmd wtype -k space
user_cmd swaymsg -q 'seat - cursor move 200 100'
user_cmd swaymsg -q 'seat - cursor press button1'; user_cmd swaymsg -q 'seat - cursor release button1'
sleep 1
check "a key, a move and a click leave the wallpaper running" kill -0 "$wallpaper"
kill -TERM "$wallpaper"
wait "$wallpaper"
status=$?
check "SIGTERM ends the wallpaper by that signal (status $status)" test "$status" -eq 143
started_pids=("${started_pids[@]/$wallpaper}")
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
