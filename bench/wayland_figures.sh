#!/usr/bin/env bash
# CPU of the saver on one 1920 x 1080 output under headless sway, against the same saver on a
# 1920 x 1080 Xvfb in the same run, and CPU of the wallpaper at its default rate. Each figure is
# the median of RUNS runs of SECONDS seconds, in percent of one core (user + system time of the
# process over wall time). Usage: bench/wayland_figures.sh PROGRAM POINTER-DEVICE [RUNS] [SECONDS]
set -uo pipefail
program=$(realpath "$1")
pointer_device=$(realpath "$2")
runs=${3:-3}
seconds=${4:-10}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../tests/wayland/sway_session.sh"

cpu_percent() { # PID SECONDS: the process's CPU over that many seconds
  local before after ticks
  before=$(awk '{print $14 + $15}' "/proc/$1/stat")
  sleep "$2"
  after=$(awk '{print $14 + $15}' "/proc/$1/stat")
  ticks=$(getconf CLK_TCK)
  python3 -c "print(round(100 * ($after - $before) / $ticks / $2, 2))"
}
median() { python3 -c "import statistics,sys; print(statistics.median(float(a) for a in sys.argv[1:]))" "$@"; }

start_sway || exit 1
user_cmd swaymsg -q 'output HEADLESS-2 disable'
user_cmd swaymsg -q 'output HEADLESS-1 resolution 1920x1080'
sway_saver=(); wallpaper=(); xvfb_saver=()
for _ in $(seq "$runs"); do
  start_client "$program" /s; pid=$last_pid; sleep 2
  sway_saver+=("$(cpu_percent "$pid" "$seconds")"); kill "$pid"; wait "$pid" 2>/dev/null
  start_client "$program" --wallpaper; pid=$last_pid; sleep 2
  wallpaper+=("$(cpu_percent "$pid" "$seconds")"); kill "$pid"; wait "$pid" 2>/dev/null
done
stop_sway

display=:$((90 + RANDOM % 50))
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp > /dev/null 2>&1 &
xvfb=$!
sleep 1
x_home=$(mktemp -d)
for _ in $(seq "$runs"); do
  env -u WAYLAND_DISPLAY HOME="$x_home" DISPLAY="$display" "$program" /s & pid=$!; sleep 2
  xvfb_saver+=("$(cpu_percent "$pid" "$seconds")"); kill "$pid"; wait "$pid" 2>/dev/null
done
kill "$xvfb"; wait "$xvfb" 2>/dev/null; rm -rf "$x_home"

echo "saver under headless sway, 1920x1080: median $(median "${sway_saver[@]}") % of a core (${sway_saver[*]})"
echo "saver under Xvfb, 1920x1080 (baseline): median $(median "${xvfb_saver[@]}") % of a core (${xvfb_saver[*]})"
echo "wallpaper at the default rate under headless sway: median $(median "${wallpaper[@]}") % of a core (${wallpaper[*]})"
