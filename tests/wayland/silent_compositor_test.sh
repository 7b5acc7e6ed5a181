#!/usr/bin/env bash
# The saver and the wallpaper against a compositor socket that this test serves itself: one
# that takes the connection and never answers, and one that closes it at once. A termination
# signal ends either mode while it waits for the first answer, by that signal; a compositor
# that stays silent is given up after its five seconds with one line and status 1.
# Usage: silent_compositor_test.sh PROGRAM
set -uo pipefail
program=$1
work=$(mktemp -d /tmp/opal-silent.XXXXXX)
server_pids=()
cleanup() {
  for pid in "${server_pids[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

# Serves SOCKET: "silent" reads what each client sends and never answers, noting in
# SOCKET.heard that a client's first requests came; "close" closes each connection at once.
serve() { # SOCKET silent|close
  python3 - "$1" "$2" <<'PY' &
import socket, sys
path, mode = sys.argv[1], sys.argv[2]
server = socket.socket(socket.AF_UNIX)
server.bind(path)
server.listen(16)
held = []
while True:
    client, _ = server.accept()
    if mode == "close":
        client.close()
        continue
    held.append(client)
    client.recv(4096)
    with open(path + ".heard", "a") as heard:
        heard.write("x")
PY
  server_pids+=($!)
  for _ in $(seq 50); do [ -S "$1" ] && return 0; sleep 0.1; done
  echo "the test's socket did not come up"; exit 1
}

# The program as a client of SOCKET, in a home of its own, without X11.
client() { # SOCKET ARGUMENTS...
  local socket=$1; shift
  env -u DISPLAY -u XDG_RUNTIME_DIR HOME="$work/home" WAYLAND_DISPLAY="$socket" "$program" "$@" 2>>"$work/errors.txt" &
  client_pid=$!
}

failures=0
passes=0
check() { # NAME CONDITION...
  local name=$1; shift
  if "$@"; then passes=$((passes + 1)); echo "ok: $name"; else failures=$((failures + 1)); echo "FAILED: $name"; fi
}
milliseconds() { date +%s%3N; }

mkdir -p "$work/home"
serve "$work/silent.sock" silent
serve "$work/closing.sock" close

# A signal in the first round trip: the client has sent its requests and waits for an answer
# that never comes. The bound only tells a wait the signal ended from one the five-second
# answer time ended; the time taken is printed.
signal_ends_wait() { # SIGNAL STATUS ARGUMENTS...
  local signal=$1 expected=$2; shift 2
  rm -f "$work/silent.sock.heard"
  client "$work/silent.sock" "$@"
  for _ in $(seq 100); do [ -f "$work/silent.sock.heard" ] && break; sleep 0.05; done
  sleep 0.2
  local sent ended status
  sent=$(milliseconds)
  kill "-$signal" "$client_pid"
  wait "$client_pid"; status=$?
  ended=$(milliseconds)
  echo "  SIG$signal: status $status, $((ended - sent)) ms after the signal"
  [ "$status" -eq "$expected" ] && [ $((ended - sent)) -lt 2000 ]
}
check "SIGTERM ends the saver waiting on a silent compositor" signal_ends_wait TERM 143 /s
check "SIGINT ends the saver waiting on a silent compositor" signal_ends_wait INT 130 /s
check "SIGHUP ends the wallpaper waiting on a silent compositor" signal_ends_wait HUP 129 --wallpaper

# Both modes at once against the silent compositor, then against the closing one.
given_up() { # SOCKET MESSAGE
  : > "$work/errors.txt"
  client "$1" /s; local saver=$client_pid
  client "$1" --wallpaper; local wallpaper=$client_pid
  local saver_status wallpaper_status
  wait "$saver"; saver_status=$?
  wait "$wallpaper"; wallpaper_status=$?
  echo "  statuses $saver_status and $wallpaper_status:"; sed 's/^/  /' "$work/errors.txt"
  [ "$saver_status" -eq 1 ] && [ "$wallpaper_status" -eq 1 ] && [ "$(wc -l < "$work/errors.txt")" -eq 2 ] \
    && [ "$(grep -c -F "opal-revel: $2" "$work/errors.txt")" -eq 2 ]
}
check "a compositor that never answers is given up with status 1" \
  given_up "$work/silent.sock" "the Wayland compositor at $work/silent.sock does not answer"
check "a compositor that closes the connection is told with status 1" \
  given_up "$work/closing.sock" "the Wayland compositor closed the connection"

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
