#!/usr/bin/env bash
# The figures of drawing once per display refresh, measured from outside under Xvfb (see
# x_watch.cpp) for this build and, when given, a baseline build of opal-revel in the same
# runs, one after the other, so that both see the same machine load:
#   - the saver's CPU time and the X server's per second of wall time at 1920 x 1080;
#   - sprites and presents per second: from the program's run statistics (OPAL_STATS) where
#     it writes them, else from the sprite-sized blocks the server saw (one per sprite and
#     present for a program that presents every sprite);
#   - the same at 3840 x 2160, and the saver's CPU there against 1920 x 1080;
#   - the editor's CPU per second with its live view running and nobody at it;
#   - start to the first sprite on screen, for the saver and the editor, against the first
#     pixels of a minimal Qt window;
#   - beside each saver figure, its floor from opal_engine_floor_bench for the same scene
#     (the start preset, mirror off): the exact-blend composite of the same sprites and a
#     plain copy of their painted pixels, as CPU per wall second at 60 refreshes a second,
#     and the pixels presented per refresh against those painted. The X server's floor is
#     the painted pixels copied once.
# Each figure is the median of several runs (default 5): bench/refresh_figures.sh [runs] [baseline]
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-5}
baseline=${2:-}
source bench/figures_common.sh
figures_setup refresh
cmake --build "$build" --target opal_engine_floor_bench >/dev/null
floor_bench="$PWD/$build/bench/opal_engine_floor_bench"

# The floor of this build's scene at both sizes, as lines <size>_<way>=<CPU per wall second>
# and <size>_presented_per_painted=<ratio>.
measure_floor() {
  "$floor_bench" --benchmark_filter='^BM_Floor/start/' --benchmark_min_time=0.3 2>/dev/null | awk '
    $1 ~ /^BM_Floor\// {
      split($1, name, "/")
      for (i = 2; i <= NF; i++) {
        if ($i ~ /^cpu_at_60hz=/) { v = $i; sub(/^cpu_at_60hz=/, "", v); sub(/s$/, "", v); printf "%s_%s=%.4f\n", name[3], name[4], v / 100 }
        if ($i ~ /^presented_per_painted=/ && name[4] == "present") { v = $i; sub(/^[a-z_]*=/, "", v); printf "%s_presented_per_painted=%s\n", name[3], v }
      }
    }'
}

# One program in one mode: <label> <width> <height> <switch>. The watcher's figures, then the
# run statistics the program wrote when the watcher ended it.
measure() {
  start_xvfb "$2" "$3"
  fresh_user
  OPAL_STATS="$work/$1-$run.stats" OPAL_WATCH_SERVER_PID=$xvfb "$watch" 2 4 "$binary" "$4" >"$work/$1-$run"
  stop_xvfb
  if [ -s "$work/$1-$run.stats" ]; then
    awk '{ v[$1] = $2 } END { if (v["drawing_seconds"] > 0) {
           printf "stats_sprites_per_second=%.0f\nstats_presents_per_second=%.1f\n",
                  v["sprites"] / v["drawing_seconds"], v["presents"] / v["drawing_seconds"] } }' \
      "$work/$1-$run.stats" >>"$work/$1-$run"
  fi
}

programs=(new)
[ -n "$baseline" ] && programs+=(base)
for run in $(seq 1 "$runs"); do
  measure_floor >"$work/floor-$run"
  start_xvfb 1920 1080
  fresh_user
  "$watch" 0.5 0.5 "$minimal" >"$work/minimal-$run"
  stop_xvfb
  for which in "${programs[@]}"; do
    binary=$program
    [ "$which" = base ] && binary=$baseline
    measure "$which-saver" 1920 1080 /s
    measure "$which-saver4k" 3840 2160 /s
    measure "$which-editor" 1920 1080 /c
  done
  echo "run $run: $(tr '\n' ' ' <"$work/new-saver-$run")" >&2
done

collect() { # prefix key
  for run in $(seq 1 "$runs"); do value "$work/$1-$run" "$2"; done | median
}
# Sprites or presents per second: the statistics' figure where there is one, else the blocks
# the server saw.
rate() { # prefix stats-key
  if [ -n "$(value "$work/$1-1" "$2")" ]; then collect "$1" "$2"; else collect "$1" sprites_per_second; fi
}

printf 'Refresh figures under Xvfb, medians of %d runs\n' "$runs"
printf '  minimal Qt window: first pixels %s ms (1920 x 1080)\n' "$(collect minimal first_paint_ms)"
floor() { collect floor "$1"; }
printf '  floor (this build, start preset): 1920 x 1080 exact blend %s, painted copy %s, presented/painted %s;\n' \
  "$(floor 1080p_composite)" "$(floor 1080p_painted_copy)" "$(floor 1080p_presented_per_painted)"
printf '                                    3840 x 2160 exact blend %s, painted copy %s, presented/painted %s\n' \
  "$(floor 4k_composite)" "$(floor 4k_painted_copy)" "$(floor 4k_presented_per_painted)"
for which in "${programs[@]}"; do
  printf '%s:\n' "$([ "$which" = new ] && echo "this build" || echo "baseline $baseline")"
  saver=$(collect "$which-saver" cpu_per_wall_second)
  saver4k=$(collect "$which-saver4k" cpu_per_wall_second)
  printf '  saver 1920 x 1080: CPU/wall %s, X server CPU/wall %s, sprites/s %s (%s of 3333), presents/s %s\n' \
    "$saver" "$(collect "$which-saver" server_cpu_per_wall_second)" "$(rate "$which-saver" stats_sprites_per_second)" \
    "$(ratio "$(rate "$which-saver" stats_sprites_per_second)" 3333.3)" \
    "$(rate "$which-saver" stats_presents_per_second)"
  printf '    against the floor: saver %s x the exact-blend floor, X server %s x the painted copy\n' \
    "$(ratio "$saver" "$(floor 1080p_composite)")" \
    "$(ratio "$(collect "$which-saver" server_cpu_per_wall_second)" "$(floor 1080p_painted_copy)")"
  printf '  saver 3840 x 2160: CPU/wall %s (%s x 1920 x 1080), X server CPU/wall %s, sprites/s %s (%s of 3333)\n' \
    "$saver4k" "$(ratio "$saver4k" "$saver")" "$(collect "$which-saver4k" server_cpu_per_wall_second)" \
    "$(rate "$which-saver4k" stats_sprites_per_second)" \
    "$(ratio "$(rate "$which-saver4k" stats_sprites_per_second)" 3333.3)"
  printf '    against the floor: saver %s x the exact-blend floor, X server %s x the painted copy\n' \
    "$(ratio "$saver4k" "$(floor 4k_composite)")" \
    "$(ratio "$(collect "$which-saver4k" server_cpu_per_wall_second)" "$(floor 4k_painted_copy)")"
  printf '  editor, live view idle: CPU/wall %s, X server CPU/wall %s\n' \
    "$(collect "$which-editor" cpu_per_wall_second)" "$(collect "$which-editor" server_cpu_per_wall_second)"
  printf '  first sprite / minimal window: saver %s, editor %s\n' \
    "$(ratio "$(collect "$which-saver" first_sprite_ms)" "$(collect minimal first_paint_ms)")" \
    "$(ratio "$(collect "$which-editor" first_sprite_ms)" "$(collect minimal first_paint_ms)")"
done
