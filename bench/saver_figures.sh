#!/usr/bin/env bash
# The saver's figures, measured from outside the program under Xvfb (see x_watch.cpp):
#   - sprites drawn per second at 1920 x 1080, against the pacing limit of one sprite per
#     300 microseconds (3333 per second);
#   - CPU time of the saver process per second of wall time at that rate;
#   - time from start to the first sprite on screen, against the time a minimal Qt program
#     takes to put its one window's first pixels on screen, both measured in the same run;
#   - resident memory of the saver at 1920 x 1080 and at 3840 x 2160;
#   - CPU time per sprite at 3840 x 2160 against 1280 x 720, with the sprites of the larger
#     screen at their own size and at the size of the smaller screen's (scale 25 instead of
#     75), which tells the cost of the screen's size from the cost of the sprite's.
# Each figure is the median of several runs (default 5): bench/saver_figures.sh [runs] [baseline]
# With a baseline program (another build of opal-revel), both are measured in every run,
# one after the other, so that the comparison sees the same machine load.
#
# The saver runs with the mirror off, so that every sprite is one block on screen, and with
# fresh per-user folders, so the user's own options play no part.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-5}
baseline=${2:-}
source bench/figures_common.sh
figures_setup saver

# Fresh per-user folders with the options of the measurement: defaults, mirror off, and the
# sprite scale in percent (default 75).
fresh_user() { # [scale]
  fresh_user_with_values <<VALUES
"Scale"=dword:$(printf '%08x' "${1:-75}")
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

# One program at one screen size: <label> <width> <height> <warm-up s> <measured s> <program> [scale]
measure() {
  start_xvfb "$2" "$3"
  fresh_user "${7:-75}"
  "$watch" "$4" "$5" "$6" /s >"$work/$1-$run"
  stop_xvfb
}

programs=(new)
[ -n "$baseline" ] && programs+=(base)
for run in $(seq 1 "$runs"); do
  start_xvfb 1920 1080
  fresh_user
  "$watch" 0.5 0.5 "$minimal" >"$work/minimal-$run"
  stop_xvfb
  start_xvfb 3840 2160
  fresh_user
  "$watch" 0.5 0.5 "$minimal" >"$work/minimal4k-$run"
  stop_xvfb
  for which in "${programs[@]}"; do
    binary=$program
    [ "$which" = base ] && binary=$baseline
    measure "$which-720" 1280 720 2 3 "$binary"
    measure "$which-1080" 1920 1080 2 5 "$binary"
    measure "$which-2160" 3840 2160 2 3 "$binary"
    # The sprite's side follows the screen's height; at scale 25 a 3840 x 2160 sprite has the
    # size of a 1280 x 720 one at 75, so this run tells what the bigger screen itself costs.
    measure "$which-2160s" 3840 2160 2 3 "$binary" 25
  done
  echo "run $run: $(tr '\n' ' ' <"$work/new-1080-$run")" >&2
done

collect() { # prefix key
  for run in $(seq 1 "$runs"); do value "$work/$1-$run" "$2"; done | median
}
# CPU microseconds per sprite, per run, then the median.
per_sprite() { # prefix
  for run in $(seq 1 "$runs"); do
    awk -v c="$(value "$work/$1-$run" cpu_per_wall_second)" -v s="$(value "$work/$1-$run" sprites_per_second)" \
      'BEGIN { if (s > 0) printf "%.1f\n", c * 1e6 / s; else print 0 }'
  done | median
}

printf 'Saver figures under Xvfb, medians of %d runs\n' "$runs"
printf '  minimal Qt window: first pixels %s ms (1920 x 1080), %s ms (3840 x 2160); RSS %s kB, %s kB\n' \
  "$(collect minimal first_paint_ms)" "$(collect minimal4k first_paint_ms)" "$(collect minimal rss_kb)" \
  "$(collect minimal4k rss_kb)"
for which in "${programs[@]}"; do
  printf '%s:\n' "$([ "$which" = new ] && echo "this build" || echo "baseline $baseline")"
  for size in 720 1080 2160; do
    sprites=$(collect "$which-$size" sprites_per_second)
    printf '  %-5s sprites/s %6s (%s of 3333), CPU/wall %s, CPU per sprite %s us, first sprite %s ms, RSS %s kB\n' \
      "$size" "$sprites" "$(ratio "$sprites" 3333.3)" "$(collect "$which-$size" cpu_per_wall_second)" \
      "$(per_sprite "$which-$size")" "$(collect "$which-$size" first_sprite_ms)" "$(collect "$which-$size" rss_kb)"
  done
  printf '  first sprite / minimal window: %s at 1920 x 1080, %s at 3840 x 2160\n' \
    "$(ratio "$(collect "$which-1080" first_sprite_ms)" "$(collect minimal first_paint_ms)")" \
    "$(ratio "$(collect "$which-2160" first_sprite_ms)" "$(collect minimal4k first_paint_ms)")"
  printf '  CPU per sprite 3840 x 2160 / 1280 x 720: %s; with sprites of the 1280 x 720 size (%s us): %s\n' \
    "$(ratio "$(per_sprite "$which-2160")" "$(per_sprite "$which-720")")" "$(per_sprite "$which-2160s")" \
    "$(ratio "$(per_sprite "$which-2160s")" "$(per_sprite "$which-720")")"
done
