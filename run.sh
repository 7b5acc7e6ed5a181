#!/usr/bin/env bash
# Installs what is missing, builds opal-revel (Release, in build-release/) and starts it with
# the given switch, the saver (/s) when none is given:
#   ./run.sh            the full-screen saver; any key, click or pointer move ends it
#   ./run.sh /c         configure mode: the live view
#   ./run.sh /p <id>    the preview inside the X11 window <id>
# On a machine without a display it runs the program inside a private Xvfb for a few
# seconds and writes a screenshot, printing its path.
set -euo pipefail
cd "$(dirname "$0")"

build=build-release
seconds=${OPAL_RUN_SECONDS:-5}

scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOPAL_BUILD_TESTS=OFF -DOPAL_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target opal-revel
program="$PWD/$build/app/opal-revel"

switches=("$@")
if [ ${#switches[@]} -eq 0 ]; then
  switches=(/s)
fi

if [ -n "${DISPLAY:-}" ]; then
  exec "$program" "${switches[@]}"
fi

# No display: a private X server on a free display number, the program for a few seconds,
# then a screenshot of the whole screen.
folder=$(mktemp -d /tmp/opal-run-XXXXXX)
exec 3>"$folder/display"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 2>"$folder/xvfb.log" &
xvfb=$!
exec 3>&-
cleanup() {
  [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 1 100); do
  [ -s "$folder/display" ] && break
  sleep 0.1
done
if [ ! -s "$folder/display" ]; then
  echo "run.sh: Xvfb did not start (see $folder/xvfb.log)" >&2
  exit 1
fi
export DISPLAY=":$(cat "$folder/display")"

"$program" "${switches[@]}" 2>"$folder/opal-revel.log" &
app=$!
sleep "$seconds"
shot="$PWD/$build/opal-revel-screenshot.png"
import -window root "$shot"
if kill -0 "$app" 2>/dev/null; then
  kill -TERM "$app"
  wait "$app" 2>/dev/null || true
else
  wait "$app" 2>/dev/null || true
  echo "run.sh: opal-revel ended by itself (see $folder/opal-revel.log)"
fi
app=
echo "Screenshot after ${seconds} s under Xvfb (1920 x 1080): $shot"
