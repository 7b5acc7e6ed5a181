#!/usr/bin/env bash
# Opal Revel as an XScreenSaver display mode, beside stock display modes run by the same
# daemon in the same run, under Xvfb at 1920 x 1080:
#   - CPU time of the display-mode process per second of wall time (the daemon nices it to 10);
#   - time from "xscreensaver-command -activate" to the first lit pixel on screen (for Opal
#     Revel its first sprite; for a stock mode its first drawing).
# Every run measures each mode once, in turn, so a busy moment of the shared machine falls on
# all of them alike; the figures are medians over the runs.
#   bench/desktop_figures.sh [runs] [build folder]     (defaults: 5, build-release)
# The daemon refuses to run display modes as root; under root it runs as "nobody".
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-5}
build=${2:-build-release}
stock=(metaballs galaxy fuzzyflakes)
measure_seconds=10
warm_seconds=3

scripts/install-deps.sh
if [ "$build" = build-release ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOPAL_BUILD_TESTS=OFF -DOPAL_BUILD_BENCHMARKS=ON >/dev/null
fi
cmake --build "$build" --target opal-revel opal_first_drawing_watch >/dev/null
program="$PWD/$build/app/opal-revel"
watch="$PWD/$build/bench/opal_first_drawing_watch"

source bench/xvfb_session.sh
work=$(mktemp -d /tmp/opal-desktop-figures-XXXXXX)
chmod 755 "$work"
daemon=
cleanup() {
  [ -n "$daemon" ] && kill "$daemon" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

as_user=()
user_name=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
  as_user=(runuser -u nobody --)
  user_name=nobody
fi

# A daemon whose only display mode is the given command line, in a fresh home.
start_daemon() { # command line
  home="$work/home"
  rm -rf "$home"
  mkdir -p "$home"
  cat >"$home/.xscreensaver" <<SETTINGS
timeout: 0:30:00
cycle: 0:00:00
lock: False
fade: False
unfade: False
splash: False
dpmsEnabled: False
mode: one
selected: 0
programs: $1 \\n\\

SETTINGS
  chown -R "$user_name" "$home"
  # The user's first run (key store, presets folder) is done once beforehand, not measured.
  "${as_user[@]}" env -i HOME="$home" DISPLAY="$DISPLAY" "$program" /a
  "${as_user[@]}" env -i HOME="$home" DISPLAY="$DISPLAY" PATH=/usr/libexec/xscreensaver:/usr/bin:/bin \
    xscreensaver -no-splash >"$work/daemon.log" 2>&1 &
  daemon=$!
  for _ in $(seq 1 100); do
    xscreensaver-command -time >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "the daemon did not start" >&2
  exit 1
}

stop_daemon() {
  xscreensaver-command -exit >/dev/null 2>&1 || true
  wait "$daemon" 2>/dev/null || true
  daemon=
}

# The display mode's process: a descendant of this daemon (other programs may run the same
# command meanwhile) whose command line starts with the given command.
mode_pid() { # command
  local candidate
  for candidate in $(pgrep -f -- "(^|/)$(basename "$1")( |$)"); do
    local walk=$candidate
    for _ in 1 2 3 4 5 6; do
      walk=$(awk '{ print $4 }' "/proc/$walk/stat" 2>/dev/null || echo 1)
      if [ "$walk" = "$daemon" ]; then
        echo "$candidate"
        return 0
      fi
      [ "$walk" -le 1 ] && break
    done
  done
  return 1
}

cpu_ticks() { # pid
  awk '{ print $14 + $15 }' "/proc/$1/stat"
}

measure() { # label command-line pattern
  start_daemon "$2"
  "$watch" 20 xscreensaver-command -activate | sed -n 's/^first_drawing_ms=//p' >"$work/first"
  sleep "$warm_seconds"
  pid=$(mode_pid "$3")
  before=$(cpu_ticks "$pid")
  sleep "$measure_seconds"
  after=$(cpu_ticks "$pid")
  xscreensaver-command -deactivate >/dev/null 2>&1
  stop_daemon
  ticks=$(getconf CLK_TCK)
  cpu=$(awk -v b="$before" -v a="$after" -v t="$ticks" -v s="$measure_seconds" 'BEGIN { printf "%.3f", (a - b) / t / s }')
  echo "$cpu" >>"$work/cpu-$1"
  cat "$work/first" >>"$work/first-$1"
  echo "  $1: cpu ${cpu} s/s, first drawing $(cat "$work/first") ms" >&2
}

median() {
  grep -v none | sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "none"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

for run in $(seq 1 "$runs"); do
  echo "run $run" >&2
  start_xvfb 1920 1080
  measure opal-revel "$program --root" "$program"
  for mode in "${stock[@]}"; do
    measure "$mode" "$mode --root" "$mode"
  done
  stop_xvfb
done

printf 'Display modes under the XScreenSaver daemon, Xvfb 1920 x 1080, medians of %d runs\n' "$runs"
printf '  %-12s %18s %28s\n' mode "CPU s per wall s" "activate to first drawing"
for mode in opal-revel "${stock[@]}"; do
  printf '  %-12s %18s %25s ms\n' "$mode" "$(median <"$work/cpu-$mode")" "$(median <"$work/first-$mode")"
done
