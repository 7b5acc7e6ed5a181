#!/usr/bin/env bash
# How often a small pointer nudge ends the saver under GNOME's compositor (headless mutter, as
# the tests run it): RUNS times, the saver starts, the pointer moves 5 pixels (its direction
# turning each run), and a run counts as ended when the saver is gone half a second later. A
# 30-pixel move then ends the saver, so the pointer wanders between runs, as a person's does.
#   bench/mutter_nudge.sh PROGRAM [RUNS]   (50 runs unless told)
set -uo pipefail
program=$(readlink -f "$1")
runs=${2:-50}
source "$(dirname "$0")/../tests/wayland/mutter_session.sh"
mutter_available || { echo "mutter or python3-gi is not installed"; exit 77; }
start_mutter || exit 1
start_mutter_input || exit 1

nudges=("5 0" "0 5" "-5 0" "0 -5")
moves=("30 0" "0 30" "-30 0" "0 -30")
ended_by_nudge=0
ended_by_move=0
for run in $(seq "$runs"); do
  start_client "$program" /s
  saver=$last_pid
  sleep 1
  mutter_input move ${nudges[$((run % 4))]}
  sleep 0.5
  if ! kill -0 "$saver" 2>/dev/null; then
    ended_by_nudge=$((ended_by_nudge + 1))
  else
    mutter_input move ${moves[$(((run / 4) % 4))]}
    ended_cleanly "$saver" && ended_by_move=$((ended_by_move + 1))
  fi
  kill "$saver" 2>/dev/null; wait "$saver" 2>/dev/null
  started_pids=("${started_pids[@]/$saver}")
done
echo "runs $runs: a 5-pixel nudge ended the saver $ended_by_nudge times; a 30-pixel move ended it $ended_by_move times"
