#!/usr/bin/env bash
# The saver's figures, measured from outside the program under Xvfb (see x_watch.cpp):
#   - sprites drawn per second at 1920 x 1080, against the pacing limit of one sprite per
#     300 microseconds (3333 per second);
#   - CPU time of the saver process per second of wall time at that rate;
#   - time from start to the first sprite on screen, against the time a minimal Qt program
#     takes to put its one window's first pixels on screen, both measured in the same run;
#   - resident memory of the saver at 1920 x 1080 and at 3840 x 2160.
# Each figure is the median of several runs (default 5): bench/saver_figures.sh [runs]
#
# The saver runs with the mirror off, so that every sprite is one block on screen, and with
# fresh per-user folders, so the user's own options play no part.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-5}
build=build-release
scripts/install-deps.sh # Xvfb and the DAMAGE headers the watcher needs
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOPAL_BUILD_TESTS=OFF -DOPAL_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$build" --target opal-revel opal_x_watch opal_minimal_window >/dev/null
program="$PWD/$build/app/opal-revel"
watch="$PWD/$build/bench/opal_x_watch"
minimal="$PWD/$build/bench/opal_minimal_window"

work=$(mktemp -d /tmp/opal-figures-XXXXXX)
xvfb=
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

start_xvfb() { # width height
  rm -f "$work/display"
  exec 3>"$work/display"
  Xvfb -displayfd 3 -screen 0 "$1x$2x24" -nolisten tcp -noreset 2>"$work/xvfb.log" &
  xvfb=$!
  exec 3>&-
  for _ in $(seq 1 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  export DISPLAY=":$(cat "$work/display")"
}

stop_xvfb() {
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  xvfb=
}

# Fresh per-user folders with the options of the measurement: defaults, mirror off.
fresh_user() {
  rm -rf "$work/user"
  mkdir -p "$work/user/config" "$work/user/data" "$work/user/runtime"
  chmod 700 "$work/user/runtime"
  export XDG_CONFIG_HOME="$work/user/config" XDG_DATA_HOME="$work/user/data" XDG_RUNTIME_DIR="$work/user/runtime"
  "$program" /a # the first run creates the key store and copies the sample presets
  cat >>"$XDG_CONFIG_HOME/opal-revel/registry.reg" <<'VALUES'

[HKEY_CURRENT_USER\Software\Tallow Engines\Opal Revel\Values]
"Scale"=dword:0000004b
"DoChange"=dword:00000001
"Seconds"=dword:0000000a
"Travel"=dword:00000001
"LowRes"=dword:00000000
"Filter"=dword:00000000
"Interlace"=dword:00000001
"Formula"=dword:00000000
"FiterAuto"=dword:00000000
"FiterAutoSeconds"=dword:0000000a
"ChangeFormula"=dword:00000001
"Mirror"=dword:00000000
"ChangeMirror"=dword:00000000
VALUES
}

value() { # file key
  sed -n "s/^$2=//p" "$1"
}

median() {
  sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

for run in $(seq 1 "$runs"); do
  start_xvfb 1920 1080
  fresh_user
  "$watch" 0.5 0.5 "$minimal" >"$work/minimal-$run"
  "$watch" 2 5 "$program" /s >"$work/saver-$run"
  stop_xvfb
  start_xvfb 3840 2160
  fresh_user
  "$watch" 2 2 "$program" /s >"$work/saver4k-$run"
  stop_xvfb
  echo "run $run: $(tr '\n' ' ' <"$work/saver-$run")" >&2
done

collect() { # prefix key
  for run in $(seq 1 "$runs"); do value "$work/$1-$run" "$2"; done | median
}

sprites=$(collect saver sprites_per_second)
printf 'Saver figures under Xvfb, medians of %d runs\n' "$runs"
printf '  sprites per second at 1920 x 1080:          %s (pacing limit 3333)\n' "$sprites"
printf '  share of the pacing limit:                  %s %%\n' "$(awk -v s="$sprites" 'BEGIN { printf "%.1f", s * 100 / 3333.3 }')"
printf '  CPU seconds per wall second:                %s\n' "$(collect saver cpu_per_wall_second)"
printf '  start to first sprite on screen:            %s ms\n' "$(collect saver first_sprite_ms)"
printf '  start to first pixels, saver window:        %s ms\n' "$(collect saver first_paint_ms)"
printf '  start to first pixels, minimal Qt window:   %s ms\n' "$(collect minimal first_paint_ms)"
printf '  resident memory at 1920 x 1080:             %s kB (minimal Qt window: %s kB)\n' \
  "$(collect saver rss_kb)" "$(collect minimal rss_kb)"
printf '  resident memory at 3840 x 2160:             %s kB\n' "$(collect saver4k rss_kb)"
