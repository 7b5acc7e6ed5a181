#!/usr/bin/env bash
# What every private headless desktop session of the tests shares, sourced by the compositors'
# own helpers (sway_session.sh, kwin_session.sh, mutter_session.sh): a scratch folder with a
# runtime folder, a home and the screenshots; the unprivileged user that runs the compositor and
# its clients (compositors refuse root or drop what it allows); a private session bus; starting
# and stopping clients; and the tests' tally and picture measures.

SESSION_USER=${SESSION_USER:-${SWAY_USER:-nobody}}
SESSION_GROUP=${SESSION_GROUP:-${SWAY_GROUP:-nogroup}}
session_dir=$(mktemp -d /tmp/opal-session.XXXXXX)
chmod 755 "$session_dir"
runtime_dir="$session_dir/runtime"
home_dir="$session_dir/home"
shots_dir="$session_dir/shots"
mkdir -p "$runtime_dir" "$home_dir" "$shots_dir"
chmod 700 "$runtime_dir"
if [ "$(id -u)" -eq 0 ]; then
  chown "$SESSION_USER:$SESSION_GROUP" "$runtime_dir" "$home_dir" "$shots_dir"
  run_as=(setpriv --reuid="$SESSION_USER" --regid="$SESSION_GROUP" --clear-groups --)
else
  run_as=()
fi
started_pids=()
# The variables a client of the session sees; each compositor's helper adds its own.
session_env=(PATH=/usr/bin:/bin HOME="$home_dir" XDG_RUNTIME_DIR="$runtime_dir")
# The sanitizers' settings of a sanitized build reach the clients through the cleared environment.
sanitizer_env=()
for name in ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS; do
  if [ -n "${!name:-}" ]; then sanitizer_env+=("$name=${!name}"); fi
done

# Runs a command as the session's user, in the session's environment, and waits for it.
user_cmd() { env -i "${session_env[@]}" "${run_as[@]}" "$@"; }

# Starts a client in the background as the session's user; its pid is in $last_pid.
start_client() {
  # Not through a shell function: one run in the background stays a shell around the client,
  # and killing that shell would leave the client running. The client reads what this call
  # reads (a background command's input would otherwise be /dev/null).
  env -i "${session_env[@]}" "${sanitizer_env[@]}" "${run_as[@]}" "$@" <&0 &
  last_pid=$!
  started_pids+=("$last_pid")
}

# An input device for compositors whose tests drive the seat through a helper that reads one
# command a line ("move DX DY", "button", "key"), prints "ready" once the device exists and "done"
# after each command the compositor has taken.
input_fifo="$session_dir/input"
input_writer=""
start_input_device() { # COMMAND...
  mkfifo "$input_fifo"
  # Opened for reading and writing, so that neither end waits for the other to open.
  exec {input_writer}<> "$input_fifo"
  start_client "$@" <&"$input_writer" > "$session_dir/input.log" 2>&1
  for _ in $(seq 100); do grep -q ready "$session_dir/input.log" && return 0; sleep 0.1; done
  echo "the input device did not start:"; cat "$session_dir/input.log"; return 1
}

# Sends one command and waits until the compositor has taken it.
send_input() { # COMMAND...
  local before
  before=$(grep -c done "$session_dir/input.log")
  echo "$*" >&"$input_writer"
  for _ in $(seq 100); do
    [ "$(grep -c done "$session_dir/input.log")" -gt "$before" ] && return 0
    sleep 0.05
  done
  return 1
}

stop_clients() {
  if [ -n "$input_writer" ]; then exec {input_writer}>&-; input_writer=""; fi
  for pid in "${started_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${started_pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  started_pids=()
}

# A session bus of the session's own, for compositors that offer screenshots and input on D-Bus.
bus_pid=""
start_session_bus() {
  local address="unix:path=$runtime_dir/bus"
  env -i "${session_env[@]}" "${run_as[@]}" dbus-daemon --session --nofork --address="$address" \
    > "$session_dir/bus.log" 2>&1 &
  bus_pid=$!
  for _ in $(seq 100); do [ -S "$runtime_dir/bus" ] && break; sleep 0.05; done
  session_env+=(DBUS_SESSION_BUS_ADDRESS="$address")
  [ -S "$runtime_dir/bus" ]
}
stop_session_bus() {
  if [ -n "$bus_pid" ]; then
    kill "$bus_pid" 2>/dev/null || true
    wait "$bus_pid" 2>/dev/null || true
    bus_pid=""
  fi
}

# Ends the clients, a compositor started in a process group of its own, and the session bus, and
# removes the session's folder unless KEEP_SHOTS is set.
stop_session() { # COMPOSITOR-PID
  stop_clients
  if [ -n "$1" ]; then
    kill -- "-$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
  fi
  stop_session_bus
  [ -z "${KEEP_SHOTS:-}" ] && rm -rf "$session_dir"
  return 0
}

# Waits up to 10 s for a process to end; true when it did with status 0.
ended_cleanly() {
  for _ in $(seq 100); do
    if ! kill -0 "$1" 2>/dev/null; then
      wait "$1"; return $?
    fi
    sleep 0.1
  done
  return 1
}

# The fraction of pixels of a picture that are not black.
lit_share() { convert "$1" -colorspace gray -threshold 2% -format '%[fx:mean]' info:; }

# The fraction of pixels of a picture that have the colour.
colour_fraction() { # PICTURE COLOUR
  convert "$1" -alpha off -fill black +opaque "$2" -fill white -opaque "$2" -colorspace gray -format '%[fx:mean]' info:
}

# The most frequent colour of a picture other than black, as #RRGGBB.
main_colour() {
  convert "$1" -alpha off -format %c histogram:info:- | sort -rn | awk '{print $3}' | grep -v -i '^#000000$' | head -1
}

# The tests' tally: check NAME COMMAND... counts a pass or a failure and says which.
failures=0
passes=0
check() { # NAME CONDITION...
  local name=$1; shift
  if "$@"; then passes=$((passes + 1)); echo "ok: $name"; else failures=$((failures + 1)); echo "FAILED: $name"; fi
}
below() { python3 -c "import sys; sys.exit(0 if float('$1') < float('$2') else 1)"; }
above() { python3 -c "import sys; sys.exit(0 if float('$1') > float('$2') else 1)"; }
