#!/usr/bin/env bash
# The idle service's figures under Xvfb, each the median of several runs (default 5):
#   - how long after the idle time the saver's process starts and its window shows, in one
#     service that starts the saver again and again (a key ends it between the runs);
#   - the waiting service's CPU time and voluntary context switches over 60 s, with several
#     services waiting side by side, each on its own Xvfb and bus;
#   - the saver's CPU time on battery (its reduced rate, /s --rate 25) against on mains, the two
#     measured one after the other in every run.
# Usage: bench/idle_figures.sh [runs]
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-5}
source bench/figures_common.sh
figures_setup idle
after=2
pids=()
trap 'for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; figures_cleanup' EXIT

# A private session bus for the current shell; its address goes into DBUS_SESSION_BUS_ADDRESS.
start_bus() { # folder
  dbus-daemon --config-file=/usr/share/dbus-1/session.conf --nofork --print-address=3 3>"$1/bus" >/dev/null 2>&1 &
  pids+=($!)
  while [ ! -s "$1/bus" ]; do sleep 0.05; done
  export DBUS_SESSION_BUS_ADDRESS=$(head -1 "$1/bus")
}
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
switches() { awk '/^voluntary_ctxt_switches/ { print $2 }' "/proc/$1/status"; }
now() { date +%s.%N; }

# 1. Start latency.
fresh_user_with_values </dev/null
start_xvfb 640 480
start_bus "$work"
"$program" --idle-service --after "$after" 2>/dev/null &
service=$!
pids+=($service)
sleep 1
: >"$work/process"; : >"$work/window"
for _ in $(seq "$runs"); do
  xdotool key shift
  idle_from=$(awk -v t="$(now)" -v a="$after" 'BEGIN { printf "%.3f", t + a }')
  until saver=$(pgrep -P "$service"); do sleep 0.01; done
  awk -v t="$(now)" -v i="$idle_from" 'BEGIN { printf "%.3f\n", t - i }' >>"$work/process"
  until xdotool search --onlyvisible --pid "$saver" >/dev/null 2>&1; do sleep 0.01; done
  awk -v t="$(now)" -v i="$idle_from" 'BEGIN { printf "%.3f\n", t - i }' >>"$work/window"
  xdotool key space
  while pgrep -P "$service" >/dev/null; do sleep 0.05; done
done
kill "$service"; wait "$service" 2>/dev/null || true
stop_xvfb
echo "saver process started after the idle time: median $(median <"$work/process") s (runs: $(tr '\n' ' ' <"$work/process"))"
echo "saver window shown after the idle time:    median $(median <"$work/window") s"

# 2. The waiting services, side by side for 60 s.
hz=$(getconf CLK_TCK)
waiting=()
xvfbs=()
for run in $(seq "$runs"); do
  mkdir -p "$work/wait$run/runtime"; chmod 700 "$work/wait$run/runtime"
  start_xvfb 320 240
  xvfbs+=($xvfb); pids+=($xvfb)
  start_bus "$work/wait$run"
  XDG_RUNTIME_DIR="$work/wait$run/runtime" "$program" --idle-service --after 3600 2>/dev/null &
  waiting+=($!); pids+=($!)
done
sleep 2
for pid in "${waiting[@]}"; do echo "$pid $(cpu_ticks "$pid") $(switches "$pid")"; done >"$work/wait-start"
sleep 60
: >"$work/cpu"; : >"$work/switches"
while read -r pid ticks count; do
  awk -v a="$ticks" -v b="$(cpu_ticks "$pid")" -v hz="$hz" 'BEGIN { printf "%.4f\n", (b - a) / hz / 60 * 100 }' >>"$work/cpu"
  echo $(( $(switches "$pid") - count )) >>"$work/switches"
  kill "$pid"
done <"$work/wait-start"
for server in "${xvfbs[@]}"; do kill "$server" 2>/dev/null || true; done
xvfb=
echo "waiting service CPU over 60 s: median $(median <"$work/cpu") % of a core (runs: $(tr '\n' ' ' <"$work/cpu"))"
echo "waiting service voluntary context switches in 60 s: median $(median <"$work/switches") (runs: $(tr '\n' ' ' <"$work/switches"))"

# 3. The saver on battery against on mains, 5 s each.
start_xvfb 1280 720
saver_cpu() { # arguments...
  "$program" "$@" 2>/dev/null &
  local pid=$!
  sleep 1
  local from; from=$(cpu_ticks "$pid")
  sleep 5
  local to; to=$(cpu_ticks "$pid")
  kill "$pid"; wait "$pid" 2>/dev/null || true
  echo $((to - from))
}
: >"$work/ratio"
for _ in $(seq "$runs"); do
  mains=$(saver_cpu /s)
  battery=$(saver_cpu /s --rate 25)
  ratio "$battery" "$mains" >>"$work/ratio"; echo >>"$work/ratio"
done
stop_xvfb
echo "saver CPU on battery / on mains: median $(grep . "$work/ratio" | median) (runs: $(grep . "$work/ratio" | tr '\n' ' '))"
