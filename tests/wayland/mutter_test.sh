#!/usr/bin/env bash
# The saver and the wallpaper under GNOME's compositor, headless: without layer-shell the saver
# takes its full-screen window and presents frames there; a key, a button or a pointer move of
# more than 20 pixels ends it (5-pixel moves do not), as does a termination signal; the
# wallpaper refuses with a line that says why. Skipped (status 77) where mutter is absent.
#   mutter_test.sh PROGRAM
set -uo pipefail
program=$1
source "$(dirname "$0")/mutter_session.sh"
mutter_available || { echo "mutter or python3-gi is not installed"; exit 77; }
start_mutter || exit 1
start_mutter_input || exit 1

for ending in key button move; do
  start_client "$program" /s
  saver=$last_pid
  sleep 2
  case $ending in
    key) mutter_input key ;;
    button) mutter_input button ;;
    move)
      mutter_input move 5 0
      mutter_input move 0 5
      sleep 0.5
      check "5-pixel moves leave the saver running" kill -0 "$saver"
      mutter_input move 30 0
      ;;
  esac
  check "a $ending ends the saver with status 0" ended_cleanly "$saver"
  # One that did not end must not hold the single-instance lock for the next.
  kill "$saver" 2>/dev/null && wait "$saver"
done

stats="$shots_dir/saver-stats.txt"
start_client env OPAL_STATS="$stats" "$program" /s
saver=$last_pid
sleep 3
check "the full-screen saver runs" kill -0 "$saver"
kill -TERM "$saver"
ended_cleanly "$saver"
check "SIGTERM ends it" test $? -eq 143
presents=$(awk '$1 == "presents" {print $2}' "$stats" 2>/dev/null)
echo "  $presents frames presented in about 3 s"
check "it presented frames" test "${presents:-0}" -gt 0

start_client "$program" --wallpaper 2> "$shots_dir/wallpaper.err"
wallpaper=$last_pid
ended_cleanly "$wallpaper"
status=$?
check "the wallpaper refuses (status $status)" test "$status" -eq 1
check "saying why" grep -q "no layer-shell" "$shots_dir/wallpaper.err"

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ] || { tail -n 20 "$session_dir/mutter.log"; exit 1; }
