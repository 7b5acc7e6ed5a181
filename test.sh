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
# Tests of the real program under Xvfb depend on timing; one that fails is run once more, and
# the failure stays in the log for anyone reading it.
ctest --test-dir "$build" --output-on-failure --parallel 2 --timeout 300 --repeat until-pass:2
