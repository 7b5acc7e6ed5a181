#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
#   ./test.sh              the normal build (build/)
#   ./test.sh --sanitize   everything under AddressSanitizer and UndefinedBehaviorSanitizer (build-sanitize/)
set -euo pipefail
cd "$(dirname "$0")"

build=build
options=()
if [ "${1:-}" = "--sanitize" ]; then
  build=build-sanitize
  options+=(-DOPAL_SANITIZE=ON)
fi

scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}"
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure --parallel 2 --timeout 300
