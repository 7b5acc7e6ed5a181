#!/usr/bin/env bash
# A private headless KWin for the tests, sourced by them (beside compositor_session.sh's shared
# parts). It runs as the session's unprivileged user with its own session bus, on virtual outputs
# Virtual-0, Virtual-1, ... of 1280 x 720, without Xwayland or a lock screen.
#   start_kwin [OUTPUT-COUNT]      starts it (two outputs unless told); clients then see it
#   kwin_shot FILE [OUTPUT]        a screenshot of one output, or of the whole workspace
#   start_kwin_input DEVICE        gives the seat a keyboard and pointer (tests/wayland/kwin_input_device)
#   kwin_input COMMAND             "move DX DY", "button" or "key" through that device
#   stop_kwin                      (also on exit) ends the clients, KWin and its bus
# The packaged binary carries a file capability that a sandbox without it refuses to run; a copy
# without the capability runs anywhere. Screenshots and fake input are open to every client here.

source "$(dirname "${BASH_SOURCE[0]}")/compositor_session.sh"
kwin_pid=""
kwin_socket="opal-kwin"
kwin_helpers="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

kwin_available() { command -v kwin_wayland > /dev/null && /usr/bin/python3 -c 'import gi' 2> /dev/null; }

start_kwin() { # [OUTPUT-COUNT]
  cp "$(command -v kwin_wayland)" "$session_dir/kwin_wayland"
  start_session_bus || { echo "the session bus did not start"; return 1; }
  session_env+=(WAYLAND_DISPLAY="$kwin_socket")
  # Its own process group, so that stopping it also stops what it starts.
  setsid env -i "${session_env[@]}" KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 \
    QT_QPA_PLATFORM=offscreen "${run_as[@]}" "$session_dir/kwin_wayland" --virtual --width 1280 --height 720 \
    --output-count "${1:-2}" --socket "$kwin_socket" --no-lockscreen --no-global-shortcuts --no-kactivities \
    > "$session_dir/kwin.log" 2>&1 &
  kwin_pid=$!
  for _ in $(seq 100); do
    [ -S "$runtime_dir/$kwin_socket" ] && user_cmd gdbus call --session --dest org.kde.KWin --object-path /KWin \
      --method org.kde.KWin.currentDesktop > /dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "KWin did not start:"; cat "$session_dir/kwin.log"; return 1
}

kwin_shot() { # FILE [OUTPUT]
  user_cmd python3 "$kwin_helpers/kwin_screenshot.py" "$shots_dir/kwin-shot.png" "${@:2}" || return 1
  cp "$shots_dir/kwin-shot.png" "$1"
}

start_kwin_input() { start_input_device "$1"; } # DEVICE-PROGRAM
kwin_input() { send_input "$@"; }

stop_kwin() { stop_session "$kwin_pid"; kwin_pid=""; }
trap stop_kwin EXIT
