# The idle service's checks on a private desktop whose session helper (kwin_session.sh,
# mutter_session.sh) has started the compositor and its input device, sourced by the tests:
#   idle_service_checks PROGRAM SOURCE INPUT
# starts `PROGRAM --idle-service --after 2` as a client of the session, checks that
# --idle-status names SOURCE, then twice: a key (through the helper's INPUT function) ends the
# saver or keeps the session active, and the saver starts again after the idle time, which the
# key began afresh. The time from the idle time to the saver's start is printed. Last, the
# service's end ends its saver.

idle_after=2

idle_service_checks() { # PROGRAM SOURCE INPUT
  local program=$1 source=$2 input=$3
  start_client "$program" --idle-service --after "$idle_after"
  idle_service=$last_pid
  local status=""
  for _ in $(seq 100); do
    status=$(user_cmd "$program" --idle-status 2>&1) && grep -qF "idle source: $source" <<< "$status" && break
    sleep 0.1
  done
  check "--idle-status names $source" grep -qF "idle source: $source" <<< "$status"
  echo "$status" | sed 's/^/  /'
  for round in first second; do
    # A saver the session's own idleness started before now ends with the key as well.
    check "a key ends the saver, or keeps the session active ($round)" idle_key_ends_saver "$input"
    idle_start_latency || true
  done
  local saver
  saver=$(pgrep -P "$idle_service")
  kill "$idle_service"
  wait "$idle_service" 2>/dev/null
  check "the service's end ends its saver" idle_process_gone "$saver"
}

idle_process_gone() { # PID
  [ -n "$1" ] || return 1
  for _ in $(seq 20); do [ -e "/proc/$1" ] || return 0; sleep 0.1; done
  return 1
}

idle_saver_runs() { pgrep -P "$idle_service" > /dev/null; }

# Sends a key until no saver runs: a saver's window takes keys only once the compositor has
# mapped and focused it, which the first start of a session can take a second for.
idle_key_ends_saver() { # INPUT
  for _ in 1 2 3 4 5; do
    idle_key_sent=$EPOCHREALTIME
    "$1" key
    for _ in $(seq 10); do idle_saver_runs || return 0; sleep 0.1; done
  done
  return 1
}

# From the last key, waits for the saver's start within 3 s of the idle time and prints how long
# after the idle time it came (polled every twentieth of a second; a compositor's coarse timer may
# fire a twentieth early). A start in the first half of the idle time would mean that the key did
# not count as activity.
idle_start_latency() {
  local seen=""
  for _ in $(seq $(((idle_after + 3) * 20))); do
    if idle_saver_runs; then seen=$EPOCHREALTIME; break; fi
    sleep 0.05
  done
  check "the saver starts after the idle time ($round)" test -n "$seen"
  [ -n "$seen" ] || return 1
  local late
  late=$(python3 -c "print(f'{$seen - $idle_key_sent - $idle_after:.2f}')")
  echo "  the saver started $late s after the idle time ($round)"
  check "not in the first half of it ($round)" python3 -c "import sys; sys.exit($late <= -$idle_after / 2)"
}
