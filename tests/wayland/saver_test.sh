#!/usr/bin/env bash
# The saver on a Wayland desktop under a real headless sway with two outputs: it lights both
# outputs above a full-screen window, and a key, a button or a pointer move of more than 20
# pixels ends it (a smaller move does not). Run once with layer-shell and once with it hidden,
# when the saver falls back to full-screen windows.
# Usage: saver_test.sh PROGRAM POINTER-DEVICE
set -uo pipefail
program=$1
pointer_device=$2
if ! command -v sway > /dev/null || ! command -v grim > /dev/null || ! command -v wtype > /dev/null; then
  echo "sway, grim or wtype is not installed"; exit 77
fi
source "$(dirname "$0")/sway_session.sh"

# Waits up to 10 s for a process to end; true when it did with status 0.
ended_cleanly() {
  for _ in $(seq 100); do
    if ! kill -0 "$1" 2>/dev/null; then
      wait "$1"; return $?
    fi
    sleep 0.1
  done
  return 1
}

# Waits until both outputs show the saver: no pixel of the desktop colour, some lit ones.
saver_covers() {
  local output
  for _ in $(seq 50); do
    local all=0
    for output in HEADLESS-1 HEADLESS-2; do
      desktop=$(desktop_fraction "$output" saver)
      lit=$(lit_fraction "$output" saver)
      if below "$desktop" 0.001 && above "$lit" 0.0001; then all=$((all + 1)); fi
    done
    [ "$all" -eq 2 ] && return 0
    sleep 0.2
  done
  echo "  desktop fraction $desktop, lit fraction $lit on $output"
  return 1
}

run_mode() { # LABEL EXTRA-ENV...
  local label=$1; shift
  # Start the saver, see it on both outputs, end it in each of the ways.
  for ending in key button move; do
    start_client env "$@" "$program" /s
    local saver=$last_pid
    check "$label: the saver lights both outputs ($ending)" saver_covers
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
run_mode layer-shell
run_mode full-screen OPAL_WAYLAND_NO_LAYER_SHELL=1
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
