#!/usr/bin/env bash
# Where the saver's time goes at 1920 x 1080 under Xvfb: perf samples (call graphs by frame
# pointer, or DWARF where the build has none) of PROGRAM /s over SECONDS seconds after two of
# start, with the start options of the refresh figures; prints the top entries by self time
# and by time including callees.
# Usage: bench/saver_profile.sh PROGRAM [SECONDS] [ENTRIES]
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "$1")
seconds=${2:-8}
entries=${3:-25}
work=$(mktemp -d /tmp/opal-profile-XXXXXX)
source bench/figures_common.sh
trap '[ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
start_xvfb 1920 1080
fresh_user
"$program" /s &
saver=$!
sleep 2
perf record -q -F 2000 --call-graph dwarf,16384 -p "$saver" -o "$work/perf.data" -- sleep "$seconds" 2>/dev/null
kill "$saver"; wait "$saver" 2>/dev/null || true
echo "self:"
perf report -i "$work/perf.data" --no-children --sort symbol --stdio -g none 2>/dev/null \
  | grep -E '^ +[0-9]' | head -n "$entries"
echo "including callees:"
perf report -i "$work/perf.data" --children --sort symbol --stdio -g none 2>/dev/null \
  | grep -E '^ +[0-9]' | head -n "$entries"
