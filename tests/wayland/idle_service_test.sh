#!/usr/bin/env bash
# The idle service on a Wayland desktop under a real headless sway: the compositor's idle
# notification starts the saver after the idle time, a key ends it and the service watches
# again; a window with an idle inhibitor (a film playing) holds the saver off until it closes.
# Usage: idle_service_test.sh PROGRAM POINTER-DEVICE IDLE-INHIBITOR
set -uo pipefail
program=$1
pointer_device=$2
inhibitor=$3
after=2
if ! command -v sway > /dev/null || ! command -v wtype > /dev/null; then
  echo "sway or wtype is not installed"; exit 77
fi
export SWAY_ONE_OUTPUT=1
source "$(dirname "$0")/sway_session.sh"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
source "$(dirname "$0")/../wait_for.sh"

start_sway || exit 1
add_input_devices "$pointer_device" || exit 1
bus="unix:path=$runtime_dir/bus"
start_client dbus-daemon --config-file=/usr/share/dbus-1/session.conf --nofork --address="$bus"
wait_for 5 test -S "$runtime_dir/bus" || fail "no session bus"
start_client env DBUS_SESSION_BUS_ADDRESS="$bus" "$program" --idle-service --after "$after"
service=$last_pid

status_has() { user_cmd env DBUS_SESSION_BUS_ADDRESS="$bus" "$program" --idle-status | grep -qF "$1"; }
saver_runs() { pgrep -P "$service" >/dev/null; }
saver_stopped() { ! saver_runs; }
end_saver() {
  sleep 0.5 # the saver's surfaces take their first configure before keys reach them
  user_cmd wtype -k space
  wait_for 5 saver_stopped || fail "$1: a key did not end the saver"
}

wait_for 10 status_has "idle source: Wayland" || fail "the service did not answer --idle-status on sway"
user_cmd wtype -k Shift_L
# The session may have gone idle while the service came up: such a saver is ended first.
if saver_runs; then end_saver "a start during the service's own"; fi
sleep 1
saver_stopped || fail "the saver started before the idle time"
wait_for 10 saver_runs || fail "the saver did not start after the idle time"
end_saver "first start"
wait_for 10 saver_runs || fail "the saver did not start a second time"
end_saver "second start"

# A window with an idle inhibitor holds it off, and its closing lets it start again.
start_client "$inhibitor"
film=$last_pid
user_cmd wtype -k Shift_L
sleep $((after + 2))
saver_stopped || fail "the saver started although a window inhibits idleness"
kill "$film"; wait "$film" 2>/dev/null
wait_for 10 saver_runs || fail "the saver did not start after the inhibiting window closed"
end_saver "after the inhibitor"

wait_for 10 saver_runs || fail "the saver did not start before the service's end"
saver=$(pgrep -P "$service")
kill "$service"; wait "$service" 2>/dev/null
[ -n "$saver" ] && ! kill -0 "$saver" 2>/dev/null || fail "a saver outlived the service"
stop_sway
[ "$failures" -eq 0 ] || { cat "$session_dir/sway.log" | tail -20; exit 1; }
echo "all idle service checks on sway passed"
