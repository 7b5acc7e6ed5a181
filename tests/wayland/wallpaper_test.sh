#!/usr/bin/env bash
# The wallpaper under a real headless sway with two outputs: it covers the desktop's
# background on both outputs, takes no input (a key and a click leave it running), and a
# termination signal ends it by that signal. Presented at its slower cadence, its picture is
# still the sprite schedule's: the headless tool given the sprites on screen draws it pixel for
# pixel.
# Usage: wallpaper_test.sh PROGRAM POINTER-DEVICE RENDER-FRAME
set -uo pipefail
program=$1
pointer_device=$2
render_frame=$3
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
# The picture on one output at 800 x 600 (a compositor with that output alone, since the
# figures add up every output's) against the headless tool's. The wallpaper is stopped
# (SIGSTOP) for the screenshot and its figures are read once it has ended; a stop that lands
# between a step and its commit shows one present less than the figures, so a mismatch is
# tried again.
picture_options=(--preset "$(cd "$(dirname "$0")/../.." && pwd)/data/presets/candy.vhp" --formula 7 --mirror 3)
picture_matches() {
  local attempt stats shown differing
  user_cmd swaymsg -q 'output HEADLESS-1 resolution 800x600'
  for attempt in 1 2 3; do
    stats="$shots_dir/stats-$attempt.txt"
    start_client env OPAL_STATS="$stats" "$program" --wallpaper --no-blur --no-travel --change-seconds 0 --scale 60 \
      "${picture_options[@]}"
    local pid=$last_pid
    sleep 2
    kill -STOP "$pid"; sleep 0.2
    user_cmd grim -o HEADLESS-1 "$shots_dir/wallpaper-$attempt.png"
    kill -TERM "$pid"; kill -CONT "$pid"; wait "$pid"
    started_pids=("${started_pids[@]/$pid}")
    shown=$(awk '$1 == "presented_sprites" {print $2}' "$stats")
    [ -n "$shown" ] && [ "$shown" -gt 100 ] || { echo "  $shown sprites shown"; return 1; }
    "$render_frame" --out "$shots_dir/drawn.png" --blur 0 --travel 0 --scale 60 --size 800x600 \
      --exact-sprites "$shown" "${picture_options[@]}" || return 1
    differing=$(compare -metric AE "$shots_dir/wallpaper-$attempt.png" -alpha off "$shots_dir/drawn.png" -alpha off null: 2>&1)
    echo "  attempt $attempt: $shown sprites, $differing pixels differ"
    [ "$differing" = 0 ] && return 0
  done
  return 1
}
stop_sway again
SWAY_ONE_OUTPUT=1 start_sway || exit 1
check "the wallpaper's picture is the headless tool's for the sprites it shows" picture_matches

# The compositor dies under the wallpaper and the saver: each ends with status 1 and one line,
# as the X11 modes do when their display goes. (LeakSanitizer reads the suppression of the one
# surface proxy libwayland-client keeps.)
compositor_goes_away() {
  local mode pid status statuses=() pids=()
  for mode in --wallpaper /s; do
    start_client env "LSAN_OPTIONS=${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(cd "$(dirname "$0")" && pwd)/lsan.supp:print_suppressions=0" \
      "ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0" \
      sh -c 'exec "$0" "$1" 2>"$2"' "$program" "$mode" "$shots_dir/gone${mode//\//-}.txt"
    pids+=("$last_pid")
  done
  sleep 2
  for pid in "${pids[@]}"; do kill -0 "$pid" || { echo "  $pid ended early"; return 1; }; done
  kill -- "-$sway_pid"; wait "$sway_pid" 2>/dev/null; sway_pid=""
  for pid in "${pids[@]}"; do
    wait "$pid"; statuses+=($?)
    started_pids=("${started_pids[@]/$pid}")
  done
  echo "  statuses ${statuses[*]}"; cat "$shots_dir"/gone*.txt | sed 's/^/  /'
  [ "${statuses[*]}" = "1 1" ] && for mode in --wallpaper -s; do
    [ "$(cat "$shots_dir/gone$mode.txt")" = "opal-revel: the Wayland compositor went away" ] || return 1
  done
}
check "the compositor going away ends the wallpaper and the saver with status 1 and one line" compositor_goes_away

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
