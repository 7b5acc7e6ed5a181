#!/usr/bin/env bash
# The editor's figures, measured from outside the program under Xvfb (see x_watch.cpp), each
# run measuring three programs one after the other on the same 1920 x 1080 screen so that
# they see the same machine load:
#   - the minimal Qt window: start to its first pixels (the baseline of the start time);
#   - the editor (opal-revel /c) with an idle user: start to its first live-view sprite,
#     sprites per second and CPU time per second of wall time;
#   - the saver (opal-revel /s): the same rate and CPU figures beside it.
# Each figure is the median of several runs (default 5): bench/editor_figures.sh [runs]
#
# Both modes run with the mirror off, so that every sprite is one block on screen, with
# fresh per-user folders and the start scene, so the user's own options play no part.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-5}
source bench/figures_common.sh
figures_setup editor

# Fresh per-user folders: the start options with the mirror off and no settings file yet
# (the editor then shows a random sample preset, the saver too).
fresh_user() {
  fresh_user_with_values <<'VALUES'
"Mirror"=dword:00000000
"ChangeMirror"=dword:00000000
"DoChange"=dword:00000000
VALUES
}

collect() { for run in $(seq 1 "$runs"); do value "$work/$1-$run" "$2"; done | median; }
per_sprite() {
  for run in $(seq 1 "$runs"); do
    awk -v c="$(value "$work/$1-$run" cpu_per_wall_second)" -v s="$(value "$work/$1-$run" sprites_per_second)" \
      'BEGIN { if (s > 0) printf "%.1f\n", c * 1e6 / s; else print 0 }'
  done | median
}

for run in $(seq 1 "$runs"); do
  start_xvfb 1920 1080
  fresh_user
  "$watch" 0.5 0.5 "$minimal" >"$work/minimal-$run"
  fresh_user
  "$watch" 2 5 "$program" /c >"$work/editor-$run"
  fresh_user
  "$watch" 2 5 "$program" /s >"$work/saver-$run"
  stop_xvfb
  echo "run $run: editor $(tr '\n' ' ' <"$work/editor-$run")" >&2
done

printf 'Editor figures under Xvfb at 1920 x 1080, medians of %d runs\n' "$runs"
printf '  minimal Qt window: first pixels %s ms\n' "$(collect minimal first_paint_ms)"
printf '  editor: first live-view sprite %s ms (%s x the minimal window), sprites/s %s, CPU/wall %s, CPU per sprite %s us\n' \
  "$(collect editor first_sprite_ms)" "$(ratio "$(collect editor first_sprite_ms)" "$(collect minimal first_paint_ms)")" \
  "$(collect editor sprites_per_second)" "$(collect editor cpu_per_wall_second)" "$(per_sprite editor)"
printf '  saver:  first sprite %s ms, sprites/s %s, CPU/wall %s, CPU per sprite %s us\n' \
  "$(collect saver first_sprite_ms)" "$(collect saver sprites_per_second)" "$(collect saver cpu_per_wall_second)" \
  "$(per_sprite saver)"
