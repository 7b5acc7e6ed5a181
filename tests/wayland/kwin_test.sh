#!/usr/bin/env bash
# The saver and the wallpaper under a real headless KWin with two outputs: the saver lights
# both outputs above the editor's window, and a key, a button or a pointer move of more than 20
# pixels ends it (5-pixel moves do not); the wallpaper draws below that window, which still
# shows, and lights the rest of both outputs; a termination signal ends either.
# Skipped (status 77) where KWin is not installed.
#   kwin_test.sh PROGRAM INPUT-DEVICE
set -uo pipefail
program=$1
input_device=$2
source "$(dirname "$0")/kwin_session.sh"
kwin_available || { echo "kwin_wayland or python3-gi is not installed"; exit 77; }

start_kwin 2 || exit 1
start_kwin_input "$input_device" || exit 1

# Waits up to 10 s for a process to end by SIGTERM.
ended_by_signal() {
  ended_cleanly "$1"
  [ $? -eq 143 ]
}

# Of the pixels the editor drew (not black), the fraction a screenshot shows as they were.
editor_shown() { # SCREENSHOT
  convert "$shots_dir/editor.png" "$1" -compose difference -composite -colorspace gray -threshold 0 -negate \
    "$shots_dir/editor-drawn.png" -compose multiply -composite "$shots_dir/editor-same.png"
  python3 -c "print($(convert "$shots_dir/editor-same.png" -format '%[fx:mean]' info:) / $(convert "$shots_dir/editor-drawn.png" -format '%[fx:mean]' info:))"
}

start_client "$program" /c
editor=$last_pid
editor_shows() {
  for _ in $(seq 50); do
    kwin_shot "$shots_dir/editor.png" Virtual-0 && drawn=$(lit_share "$shots_dir/editor.png") && above "$drawn" 0.05 \
      && convert "$shots_dir/editor.png" -colorspace gray -threshold 0 "$shots_dir/editor-drawn.png" && return 0
    sleep 0.2
  done
  return 1
}
check "the editor shows on the first output" editor_shows
echo "  lit share of the editor's output: $drawn"

# One screenshot of the workspace, cut into NAME-0.png and NAME-1.png, an output each.
outputs_shot() { # NAME
  kwin_shot "$shots_dir/$1.png" || return 1
  convert "$shots_dir/$1.png" -crop 1280x720+0+0 +repage "$shots_dir/$1-0.png"
  convert "$shots_dir/$1.png" -crop 1280x720+1280+0 +repage "$shots_dir/$1-1.png"
}

# Waits until both outputs show the saver: lit, and on the first next to none of the editor.
saver_covers() {
  for _ in $(seq 30); do
    outputs_shot saver || return 1
    lit0=$(lit_share "$shots_dir/saver-0.png"); lit1=$(lit_share "$shots_dir/saver-1.png")
    shown=$(editor_shown "$shots_dir/saver-0.png")
    above "$lit0" 0.05 && above "$lit1" 0.05 && below "$shown" 0.05 && return 0
    sleep 0.2
  done
  echo "  lit shares $lit0 and $lit1, $shown of the editor shown"
  return 1
}

for ending in key button move signal; do
  start_client "$program" /s
  saver=$last_pid
  check "the saver lights both outputs above the editor ($ending)" saver_covers
  echo "  lit shares of the outputs: $lit0, $lit1; $shown of the editor shown"
  case $ending in
    key) kwin_input key ;;
    button) kwin_input button ;;
    move)
      kwin_input move 5 0
      kwin_input move 0 5
      sleep 0.5
      check "5-pixel moves leave the saver running" kill -0 "$saver"
      kwin_input move 30 0
      ;;
    signal) kill -TERM "$saver" ;;
  esac
  if [ "$ending" = signal ]; then
    check "SIGTERM ends the saver" ended_by_signal "$saver"
  else
    check "a $ending ends the saver with status 0" ended_cleanly "$saver"
  fi
  # One that did not end must not hold the single-instance lock for the next.
  kill "$saver" 2>/dev/null && wait "$saver"
done

# The wallpaper: below the editor, whose preview runs on (so not all its pixels stay as they were).
start_client "$program" --wallpaper
wallpaper=$last_pid
wallpaper_below() {
  for _ in $(seq 10); do
    outputs_shot wallpaper || return 1
    lit1=$(lit_share "$shots_dir/wallpaper-1.png")
    shown=$(editor_shown "$shots_dir/wallpaper-0.png")
    lit0=$(lit_share "$shots_dir/wallpaper-0.png")
    above "$lit0" "$drawn" && above "$lit1" 0.05 && above "$shown" 0.5 && return 0
    sleep 0.2
  done
  echo "  lit shares $lit0 and $lit1, $shown of the editor shown"
  return 1
}
check "the wallpaper draws below the editor" wallpaper_below
echo "  lit shares of the outputs: $lit0, $lit1; $shown of the editor shown"
kill -TERM "$wallpaper"
check "SIGTERM ends the wallpaper" ended_by_signal "$wallpaper"
kill -0 "$editor" 2>/dev/null
check "the editor ran throughout" test "$?" -eq 0

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ] || { tail -n 20 "$session_dir/kwin.log"; exit 1; }
