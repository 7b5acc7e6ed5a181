#!/usr/bin/env bash
# The idle service under a private Xvfb, with a private session bus and a private system bus on
# which python3-dbusmock plays the login manager: the saver starts after the idle time, input
# ends it and the service watches again; the session is locked through the login manager; a
# bus client's inhibitor holds the saver off for as long as the client lives, and so does an
# idle lock of the login manager; a second service, another owner of the freedesktop name and
# a running XScreenSaver daemon are refused. Skipped (77) without python3-dbusmock.
set -u
program=$1
source_dir=$2
after=2

/usr/bin/python3 -c "import dbusmock" 2>/dev/null || { echo "python3-dbusmock is not installed"; exit 77; }

work=$(mktemp -d /tmp/opal-idle.XXXXXX)
chmod 755 "$work"
pids=()
service=""
source "$source_dir/bench/xvfb_session.sh"
cleanup() {
  for pid in $service "${pids[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
source "$(dirname "$0")/../wait_for.sh"
active() {
  gdbus call --session -d org.freedesktop.ScreenSaver -o /ScreenSaver -m org.freedesktop.ScreenSaver.GetActive \
    2>/dev/null | grep -q true
}
inactive() { ! active; }
status_has() { "$program" --idle-status | grep -qF "$1"; }
start_bus() { # FILE: a private bus whose address goes into FILE
  dbus-daemon --config-file=/usr/share/dbus-1/session.conf --nofork --print-address=3 3>"$1" >/dev/null 2>&1 &
  pids+=($!)
  wait_for 5 test -s "$1" || fail "no private bus"
}
saver_shown() { local saver; saver=$(pgrep -P "$service") && xdotool search --onlyvisible --pid "$saver" >/dev/null 2>&1; }
# Ends the running saver with a key, once its window is up, and waits until the service has
# seen it end.
end_saver() {
  wait_for 10 saver_shown || fail "$1: the saver shows no window"
  xdotool key space
  wait_for 5 inactive || fail "$1: a key did not end the saver"
}

export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
start_xvfb 320 240
start_bus "$work/session.address"
start_bus "$work/system.address"
DBUS_SESSION_BUS_ADDRESS=$(head -1 "$work/session.address")
DBUS_SYSTEM_BUS_ADDRESS=$(head -1 "$work/system.address")
export DBUS_SESSION_BUS_ADDRESS DBUS_SYSTEM_BUS_ADDRESS XDG_SESSION_ID=c1

/usr/bin/python3 -m dbusmock --system --template logind -l "$work/logind.log" >/dev/null 2>&1 &
pids+=($!)
/usr/bin/python3 -m dbusmock --system --template upower >/dev/null 2>&1 &
pids+=($!)
wait_for 10 gdbus call --system -d org.freedesktop.login1 -o /org/freedesktop/login1 \
  -m org.freedesktop.DBus.Mock.AddSession c1 seat0 1000 tester true >/dev/null 2>&1 || fail "the fake login manager did not start"

# A first run makes the key store; the service then locks one second after the saver starts.
"$program" /a
printf '\n[HKEY_CURRENT_USER\\Software\\Tallow Engines\\Opal Revel\\Idle]\n"LockSeconds"=dword:00000001\n' \
  >> "$XDG_CONFIG_HOME/opal-revel/registry.reg"

OPAL_STATS="$work/stats" "$program" --idle-service --after "$after" > "$work/service.log" 2>&1 &
service=$!
wait_for 10 status_has "X11 SYNC IDLETIME" || fail "the service did not answer --idle-status"

# The saver starts after the idle time, not before. The session may have gone idle while the
# service came up: such a saver is ended first.
xdotool key shift
if active; then end_saver "a start during the service's own"; fi
started=$(date +%s.%N)
sleep 1
inactive || fail "the saver started before the idle time"
wait_for 10 active || fail "the saver did not start after the idle time"
echo "saver started $(echo "$(date +%s.%N) - $started - $after" | bc) s after the idle time"
saver=$(pgrep -P "$service")
[ -n "$saver" ] || fail "the saver is not the service's child"
wait_for 5 grep -q "Lock" "$work/logind.log" || fail "the lock request did not reach the login manager"

# Input ends it, and the service watches again; on battery the saver draws at a reduced rate.
sprite_rate() { # sprites a second of wall time of the saver run that wrote the statistics
  awk '/^sprites /{s=$2} /^run_seconds /{d=$2} END{if (d > 0) printf "%.0f", s / d; else print 0}' "$work/stats"
}
sleep 1
end_saver "first start"
[ -z "$(pgrep -P "$service")" ] || fail "the saver is still running after the key"
wait_for 5 test -s "$work/stats" || fail "the saver wrote no statistics"
mains=$(sprite_rate)
rm -f "$work/stats"
gdbus call --system -d org.freedesktop.UPower -o /org/freedesktop/UPower -m org.freedesktop.DBus.Properties.Set \
  org.freedesktop.UPower OnBattery "<true>" >/dev/null || fail "the fake UPower did not go on battery"
wait_for 10 active || fail "the saver did not start a second time"
sleep 2
end_saver "second start"
wait_for 5 test -s "$work/stats" || fail "the saver on battery wrote no statistics"
battery=$(sprite_rate)
echo "sprites a second: $mains on mains, $battery on battery"
[ "$mains" -gt 0 ] && [ $((battery * 100)) -le $((mains * 40)) ] || fail "the saver on battery did not slow down"

# Checks that the inhibitor the process holds keeps the saver off for the process's lifetime,
# shows in --idle-status, and goes with the process.
holds_saver_off() { # PID STATUS-LINE WHAT
  pids+=($1)
  wait_for 5 status_has "$2" || fail "--idle-status does not list $3"
  sleep $((after + 2))
  inactive || fail "the saver started although $3 inhibits it"
  kill "$1"; wait "$1" 2>/dev/null
  wait_for 5 status_has "inhibitors: none" || fail "$3 stayed after its process ended"
  wait_for 10 active || fail "the saver did not start after $3 went"
  end_saver "after $3"
}

# A bus client's inhibitor.
/usr/bin/python3 -c '
import dbus, time
saver = dbus.SessionBus().get_object("org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver")
saver.Inhibit("testplayer", "film", dbus_interface="org.freedesktop.ScreenSaver")
time.sleep(120)' &
holds_saver_off $! "inhibitor: testplayer (film)" "a bus client's inhibitor"

# An idle lock of the login manager.
systemd-inhibit --what=idle --who=tester --why=download sleep 120 &
holds_saver_off $! "inhibitor: tester (download) through the login manager" "the login manager's idle lock"

# A second service for the same session ends at once and leaves the first alone.
timeout 10 "$program" --idle-service --after "$after" 2> "$work/second.log"
[ $? -eq 0 ] && grep -q "already runs" "$work/second.log" || fail "a second service was not refused: $(cat "$work/second.log")"
kill -0 "$service" || fail "the second service ended the first"

# The service's end ends its saver.
wait_for 10 active || fail "the saver did not start before the service's end"
saver=$(pgrep -P "$service")
kill "$service"; wait "$service"
service=""
[ -n "$saver" ] && ! kill -0 "$saver" 2>/dev/null || fail "a saver outlived the service"

# Another owner of the freedesktop name: the service refuses in one line.
/usr/bin/python3 -c '
import dbus, dbus.service, time
name = dbus.service.BusName("org.freedesktop.ScreenSaver", dbus.SessionBus())
time.sleep(120)' &
owner=$!
pids+=($owner)
name_owned() {
  gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus -m org.freedesktop.DBus.NameHasOwner \
    org.freedesktop.ScreenSaver 2>/dev/null | grep -q true
}
wait_for 5 name_owned || fail "the test's owner of the freedesktop name did not start"
timeout 10 "$program" --idle-service --after "$after" 2> "$work/owner.log"
[ $? -eq 1 ] && [ "$(wc -l < "$work/owner.log")" -eq 1 ] || fail "another owner of the name was not refused: $(cat "$work/owner.log")"
kill "$owner"; wait "$owner" 2>/dev/null

# XScreenSaver's daemon on the display (it refuses to run as root, so it runs as nobody).
run_as=()
if [ "$(id -u)" -eq 0 ]; then run_as=(setpriv --reuid=nobody --regid=nogroup --clear-groups --); fi
mkdir -p "$work/nobody"; chmod 777 "$work/nobody"
env -i PATH=/usr/bin:/bin DISPLAY="$DISPLAY" HOME="$work/nobody" "${run_as[@]}" xscreensaver -no-splash > "$work/xscreensaver.log" 2>&1 &
daemon=$!
pids+=($daemon)
wait_for 10 xscreensaver-command -version >/dev/null 2>&1 || fail "XScreenSaver's daemon did not start: $(cat "$work/xscreensaver.log")"
timeout 10 "$program" --idle-service --after "$after" 2> "$work/daemon.log"
[ $? -eq 1 ] && grep -q "XScreenSaver" "$work/daemon.log" || fail "XScreenSaver's daemon was not refused: $(cat "$work/daemon.log")"

if [ "$failures" -ne 0 ]; then
  echo "service log:"; cat "$work/service.log"
  exit 1
fi
echo "all idle service checks passed"
