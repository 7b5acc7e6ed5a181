#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (and ASan + UBSan) and runs each for a bounded time.
# usage: fuzz/run.sh [seconds-per-target] [target...]   (default 60 seconds, every target)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DOPAL_FUZZ=ON -DOPAL_BUILD_GUI=OFF -DOPAL_BUILD_BENCHMARKS=OFF >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(sed -n 's/^opal_add_fuzzer(\([A-Za-z0-9_]*\).*/\1/p' fuzz/*.cmake)
fi
cmake --build "$build" --target "${targets[@]}"
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  seeds=()
  [ -d "fuzz/corpus/$target" ] && seeds=("fuzz/corpus/$target")
  echo "== $target for ${seconds}s"
  "$build/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 "$corpus" "${seeds[@]}" 2>&1 | tail -n 15
done
