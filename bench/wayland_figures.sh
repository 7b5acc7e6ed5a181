#!/usr/bin/env bash
# The saver and the wallpaper on Wayland against their baselines, every figure the median of
# RUNS runs with its baseline measured in the same run of this script:
#  - CPU of the saver on one 1920 x 1080 output under headless sway, against the same saver on a
#    1920 x 1080 Xvfb, and CPU of the wallpaper at its default rate; in percent of one core (user
#    + system time of the process over SECONDS seconds of wall time, after 2 s of start);
#  - the start to the first picture: from the start of the process to its first commit of a
#    surface with a buffer (the compositor shows it from the next refresh on), for the saver
#    against a bare Qt Widgets window under Qt's Wayland platform (MINIMAL-WINDOW, a black
#    full-screen window). The commits are read from the client's protocol log (WAYLAND_DEBUG),
#    which both pay for alike.
#  - the saver's and the wallpaper's CPU together with the display server's over the same
#    seconds (sway, or Xvfb), and with BASELINE (another build of the program) the same figures
#    of the baseline, measured in every run right after this build's.
# Usage: bench/wayland_figures.sh PROGRAM MINIMAL-WINDOW [RUNS] [SECONDS] [BASELINE]
set -uo pipefail
program=$(realpath "$1")
minimal_window=$(realpath "$2")
runs=${3:-3}
seconds=${4:-10}
baseline=${5:+$(realpath "$5")}
here=$(cd "$(dirname "$0")" && pwd)
# One output: headless outputs cannot be disabled on sway 1.7, so a second one would be drawn too.
SWAY_ONE_OUTPUT=1
source "$here/../tests/wayland/sway_session.sh"

cpu_percent() { # PID SECONDS: the process's CPU over that many seconds
  local before after ticks
  before=$(awk '{print $14 + $15}' "/proc/$1/stat")
  sleep "$2"
  after=$(awk '{print $14 + $15}' "/proc/$1/stat")
  ticks=$(getconf CLK_TCK)
  python3 -c "print(round(100 * ($after - $before) / $ticks / $2, 2))"
}
cpu_pair() { # PID SERVER-PID SECONDS: both processes' CPU over the same seconds, "a b"
  local before after server_before server_after ticks
  before=$(awk '{print $14 + $15}' "/proc/$1/stat"); server_before=$(awk '{print $14 + $15}' "/proc/$2/stat")
  sleep "$3"
  after=$(awk '{print $14 + $15}' "/proc/$1/stat"); server_after=$(awk '{print $14 + $15}' "/proc/$2/stat")
  ticks=$(getconf CLK_TCK)
  python3 -c "print(round(100 * ($after - $before) / $ticks / $3, 2), round(100 * ($server_after - $server_before) / $ticks / $3, 2))"
}
median() { python3 -c "import statistics,sys; print(statistics.median(float(a) for a in sys.argv[1:]))" "$@"; }

# Milliseconds from the start to the first commit of a surface with a buffer attached, read
# from the protocol log, whose clock is the wall clock's microseconds cut to 32 bits, shown in
# milliseconds.
first_commit_ms() { # STARTED-MICROSECONDS LOG
  python3 - "$1" "$2" <<'PY'
import re, sys
started = int(sys.argv[1]) % (1 << 32)
attached = set()
for line in open(sys.argv[2], errors="replace"):
    match = re.match(r"\[\s*(\d+)\.(\d+)\]\s+-> (wl_surface@\d+)\.(attach|commit)\((wl_buffer@)?", line)
    if not match:
        continue
    stamp = int(match.group(1)) * 1000 + int(match.group(2))
    surface, request = match.group(3), match.group(4)
    if request == "attach" and match.group(5):
        attached.add(surface)
    elif request == "commit" and surface in attached:
        print(round(((stamp - started) % (1 << 32)) / 1000, 1)); sys.exit(0)
print("nan")
PY
}

start_sway || exit 1
user_cmd swaymsg -q 'output HEADLESS-1 resolution 1920x1080'
sway_saver=(); wallpaper=(); xvfb_saver=(); saver_start=(); window_start=()
declare -A together # <which>-<mode>-<client|server> -> values, for this build (new) and the baseline
programs=(new); [ -n "$baseline" ] && programs+=(base)
binary_of() { if [ "$1" = base ]; then echo "$baseline"; else echo "$program"; fi; }
for run in $(seq "$runs"); do
  for which in "${programs[@]}"; do
    for mode in /s --wallpaper; do
      start_client "$(binary_of "$which")" "$mode"; pid=$last_pid; sleep 2
      read -r client server < <(cpu_pair "$pid" "$sway_pid" "$seconds")
      together[$which-sway$mode-client]+=" $client"; together[$which-sway$mode-server]+=" $server"
      kill "$pid"; wait "$pid" 2>/dev/null
    done
  done
  start_client "$program" /s; pid=$last_pid; sleep 2
  sway_saver+=("$(cpu_percent "$pid" "$seconds")"); kill "$pid"; wait "$pid" 2>/dev/null
  start_client "$program" --wallpaper; pid=$last_pid; sleep 2
  wallpaper+=("$(cpu_percent "$pid" "$seconds")"); kill "$pid"; wait "$pid" 2>/dev/null
  for client in saver window; do
    log="$shots_dir/$client-$run.log"
    started=$(date +%s%6N)
    if [ "$client" = saver ]; then
      start_client env WAYLAND_DEBUG=1 "$program" /s 2> "$log"
    else
      start_client env WAYLAND_DEBUG=1 QT_QPA_PLATFORM=wayland "$minimal_window" 2> "$log"
    fi
    pid=$last_pid; sleep 2; kill "$pid"; wait "$pid" 2>/dev/null
    if [ "$client" = saver ]; then saver_start+=("$(first_commit_ms "$started" "$log")")
    else window_start+=("$(first_commit_ms "$started" "$log")"); fi
  done
done
stop_sway

# Xvfb picks a free display number itself and writes it once it accepts clients; -noreset
# keeps it from resetting (and refusing the next client a moment) when a saver ends.
display_file=$(mktemp)
Xvfb -displayfd 3 -noreset -screen 0 1920x1080x24 -nolisten tcp 3> "$display_file" > /dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
display=:$(head -1 "$display_file"); rm -f "$display_file"
x_home=$(mktemp -d)
for _ in $(seq "$runs"); do
  env -u WAYLAND_DISPLAY HOME="$x_home" DISPLAY="$display" "$program" /s & pid=$!; sleep 2
  xvfb_saver+=("$(cpu_percent "$pid" "$seconds")"); kill "$pid"; wait "$pid" 2>/dev/null
  for which in "${programs[@]}"; do
    for mode in /s --wallpaper; do
      env -u WAYLAND_DISPLAY HOME="$x_home" DISPLAY="$display" "$(binary_of "$which")" "$mode" & pid=$!; sleep 2
      read -r client server < <(cpu_pair "$pid" "$xvfb" "$seconds")
      together[$which-xvfb$mode-client]+=" $client"; together[$which-xvfb$mode-server]+=" $server"
      kill "$pid"; wait "$pid" 2>/dev/null
    done
  done
done
kill "$xvfb"; wait "$xvfb" 2>/dev/null; rm -rf "$x_home"

echo "saver under headless sway, 1920x1080: median $(median "${sway_saver[@]}") % of a core (${sway_saver[*]})"
echo "saver under Xvfb, 1920x1080 (baseline): median $(median "${xvfb_saver[@]}") % of a core (${xvfb_saver[*]})"
echo "wallpaper at the default rate under headless sway: median $(median "${wallpaper[@]}") % of a core (${wallpaper[*]})"
echo "saver start to first picture under headless sway: median $(median "${saver_start[@]}") ms (${saver_start[*]})"
echo "bare Qt Wayland window start to first frame (baseline): median $(median "${window_start[@]}") ms (${window_start[*]})"
for which in "${programs[@]}"; do
  [ "$which" = new ] && echo "client + display server together, this build:" || echo "client + display server together, baseline $baseline:"
  for place in sway xvfb; do
    for mode in /s --wallpaper; do
      # shellcheck disable=SC2086
      client=$(median ${together[$which-$place$mode-client]}); server=$(median ${together[$which-$place$mode-server]})
      echo "  $mode on $place: client $client % + server $server % = $(python3 -c "print(round($client + $server, 2))") %"
    done
  done
done
