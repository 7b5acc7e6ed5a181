#!/usr/bin/env bash
# A private headless GNOME compositor (mutter) for the tests, sourced by them (beside
# compositor_session.sh's shared parts). It runs as the session's unprivileged user with its own
# session bus, on one virtual monitor of 1280 x 720, without X11.
#   start_mutter          starts it; clients then see it
#   start_mutter_input    gives the seat a keyboard and pointer (remote desktop over D-Bus)
#   mutter_input COMMAND  "move DX DY", "button" or "key" through it
#   stop_mutter           (also on exit) ends the clients, mutter and its bus
# It offers no layer-shell: full-screen toplevels are its clients' way to cover the screen.

source "$(dirname "${BASH_SOURCE[0]}")/compositor_session.sh"
mutter_pid=""
mutter_socket="opal-mutter"

mutter_available() { command -v mutter > /dev/null && /usr/bin/python3 -c 'import gi' 2> /dev/null; }

start_mutter() {
  start_session_bus || { echo "the session bus did not start"; return 1; }
  session_env+=(WAYLAND_DISPLAY="$mutter_socket")
  # Its own process group, so that stopping it also stops what it starts.
  setsid env -i "${session_env[@]}" "${run_as[@]}" mutter --wayland --headless --no-x11 --virtual-monitor 1280x720 \
    --wayland-display "$mutter_socket" > "$session_dir/mutter.log" 2>&1 &
  mutter_pid=$!
  for _ in $(seq 100); do
    [ -S "$runtime_dir/$mutter_socket" ] && user_cmd gdbus call --session --dest org.gnome.Mutter.DisplayConfig \
      --object-path /org/gnome/Mutter/DisplayConfig --method org.gnome.Mutter.DisplayConfig.GetCurrentState \
      > /dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "mutter did not start:"; cat "$session_dir/mutter.log"; return 1
}

start_mutter_input() { start_input_device /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/mutter_input.py"; }
mutter_input() { send_input "$@"; }

stop_mutter() { stop_session "$mutter_pid"; mutter_pid=""; }
trap stop_mutter EXIT
