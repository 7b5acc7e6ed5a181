#!/usr/bin/env bash
# The idle service under GNOME's compositor (headless, its own session bus): with no idle
# protocol for clients there, the service reads the compositor's idle monitor on the bus and
# starts the saver after the idle time. Nothing here can type into that compositor, so the
# saver is ended by the service's own end. Skipped (77) where the compositor is absent.
# Usage: idle_service_mutter_test.sh PROGRAM
set -uo pipefail
program=$1
after=2
command -v mutter > /dev/null || { echo "mutter is not installed"; exit 77; }
source "$(dirname "$0")/../wait_for.sh"

work=$(mktemp -d /tmp/opal-idle-mutter.XXXXXX)
mkdir -p "$work/runtime" "$work/config" "$work/data" && chmod 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" HOME="$work"
unset DISPLAY
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done; rm -rf "$work"; }
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

dbus-daemon --config-file=/usr/share/dbus-1/session.conf --nofork --print-address=3 3>"$work/bus" >/dev/null 2>&1 &
pids+=($!)
wait_for 5 test -s "$work/bus" || fail "no session bus"
export DBUS_SESSION_BUS_ADDRESS=$(head -1 "$work/bus")
mutter --headless --wayland --no-x11 --virtual-monitor 640x480 --wayland-display=opal-idle > "$work/mutter.log" 2>&1 &
pids+=($!)
wait_for 20 test -S "$work/runtime/opal-idle" || { cat "$work/mutter.log"; exit 1; }
export WAYLAND_DISPLAY=opal-idle

"$program" --idle-service --after "$after" > "$work/service.log" 2>&1 &
service=$!
pids+=($service)
status_has() { "$program" --idle-status | grep -qF "$1"; }
saver_runs() { pgrep -P "$service" >/dev/null; }
wait_for 10 status_has "idle source: GNOME org.gnome.Mutter.IdleMonitor" || fail "the service does not read the idle monitor"
wait_for 10 saver_runs || fail "the saver did not start after the idle time"
saver=$(pgrep -P "$service")
kill "$service"; wait "$service" 2>/dev/null
[ -n "$saver" ] && ! kill -0 "$saver" 2>/dev/null || fail "a saver outlived the service"

[ "$failures" -eq 0 ] || { cat "$work/service.log"; exit 1; }
echo "the idle service starts the saver under GNOME's compositor"
