#!/usr/bin/env bash
# A private headless sway for the Wayland tests, sourced by them. Sway refuses to run as root,
# so it and every client run as "nobody" with a runtime folder and a home of their own.
# Two outputs (one with SWAY_ONE_OUTPUT set), pixman rendering, no input devices but the virtual ones the tests make.
# start_sway; then user_cmd CMD... or start_client CMD... runs a client; stop_sway (also on exit) ends what was started,
# and "stop_sway again" does so ready for another start_sway.

source "$(dirname "${BASH_SOURCE[0]}")/compositor_session.sh"
sway_pid=""
wayland_socket=""

start_sway() {
  # Without swaybg (SWAY_NO_BACKGROUND set) the desktop's background is sway's own clear colour,
  # #3F3F3F, and the background layer is free for the wallpaper.
  if [ -n "${SWAY_NO_BACKGROUND:-}" ]; then desktop_colour='#3F3F3F'; background=""; else
    desktop_colour='#204060'; background="background $desktop_colour solid_color"; fi
  cat > "$session_dir/config" <<CONFIG
output * resolution 1280x720 $background
default_border none
for_window [app_id="opal-revel"] floating enable
CONFIG
  # A process group of its own, so that stopping it also stops the helpers sway starts (swaybg).
  setsid env -i PATH=/usr/bin:/bin HOME="$home_dir" XDG_RUNTIME_DIR="$runtime_dir" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    "${run_as[@]}" sway -c "$session_dir/config" > "$session_dir/sway.log" 2>&1 &
  sway_pid=$!
  # sway names its IPC socket itself; wait for it and for the Wayland socket.
  for _ in $(seq 100); do
    sock=$(ls "$runtime_dir"/sway-ipc.*.sock 2>/dev/null | head -1)
    wayland_socket=$(cd "$runtime_dir" && ls wayland-? 2>/dev/null | head -1)
    if [ -n "$sock" ] && [ -n "$wayland_socket" ]; then
      ln -sf "$sock" "$runtime_dir/sway.sock"
      session_env+=(WAYLAND_DISPLAY="$wayland_socket" SWAYSOCK="$runtime_dir/sway.sock")
      break
    fi
    sleep 0.1
  done
  if [ ! -S "$runtime_dir/sway.sock" ]; then
    echo "sway did not start:"; cat "$session_dir/sway.log"; return 1
  fi
  # A second output unless SWAY_ONE_OUTPUT is set. Headless outputs cannot be disabled on this
  # compositor (the commit is refused), so a run that wants one output must not make it.
  if [ -z "${SWAY_ONE_OUTPUT:-}" ]; then user_cmd swaymsg -q create_output; fi
  user_cmd swaymsg -q 'output * resolution 1280x720'
}

# Gives the seat a keyboard and a pointer, as a desktop has: a virtual keyboard (wtype waiting
# an hour before its one key) and a virtual pointer device (the test's helper).
add_input_devices() { # POINTER-DEVICE-PROGRAM
  start_client wtype -s 3600000 -k F24
  start_client "$1"
  for _ in $(seq 50); do
    caps=$(user_cmd swaymsg -t get_seats -r | python3 -c 'import json,sys; print(json.load(sys.stdin)[0]["capabilities"])')
    [ "$caps" = 3 ] && return 0
    sleep 0.1
  done
  echo "the seat has no keyboard and pointer (capabilities $caps)"; return 1
}

# A second sway nested in the first (its outputs are windows there): the one way to take an
# output away while clients run, since headless outputs can be neither unplugged nor disabled on
# this compositor. Its outputs are WL-1, WL-2, ...; closing the outer window "wlroots - WL-N"
# removes that output. inner_cmd CMD... and start_inner_client CMD... run clients on it.
inner_runtime_dir="$session_dir/inner-runtime"
inner_socket=""
start_nested_sway() {
  mkdir -p "$inner_runtime_dir"; chmod 700 "$inner_runtime_dir"
  if [ "$(id -u)" -eq 0 ]; then chown "$SESSION_USER:$SESSION_GROUP" "$inner_runtime_dir"; fi
  printf 'output * background %s solid_color\ndefault_border none\n' "$desktop_colour" > "$session_dir/inner-config"
  start_client env WLR_BACKENDS=wayland WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    WAYLAND_DISPLAY="$runtime_dir/$wayland_socket" XDG_RUNTIME_DIR="$inner_runtime_dir" \
    sway -c "$session_dir/inner-config" > "$session_dir/inner-sway.log" 2>&1
  for _ in $(seq 100); do
    inner_ipc=$(ls "$inner_runtime_dir"/sway-ipc.*.sock 2>/dev/null | head -1)
    inner_socket=$(cd "$inner_runtime_dir" && ls wayland-? 2>/dev/null | head -1)
    [ -n "$inner_ipc" ] && [ -n "$inner_socket" ] && return 0
    sleep 0.1
  done
  echo "the nested sway did not start:"; cat "$session_dir/inner-sway.log"; return 1
}
inner_cmd() {
  env -i PATH=/usr/bin:/bin HOME="$home_dir" XDG_RUNTIME_DIR="$inner_runtime_dir" WAYLAND_DISPLAY="$inner_socket" \
    SWAYSOCK="$inner_ipc" "${run_as[@]}" "$@"
}
start_inner_client() {
  env -i PATH=/usr/bin:/bin HOME="$home_dir" XDG_RUNTIME_DIR="$inner_runtime_dir" WAYLAND_DISPLAY="$inner_socket" \
    SWAYSOCK="$inner_ipc" "${sanitizer_env[@]}" "${run_as[@]}" "$@" &
  last_pid=$!
  started_pids+=("$last_pid")
}

# Outputs' names, one a line.
output_names() { user_cmd swaymsg -t get_outputs -r | python3 -c 'import json,sys; [print(o["name"]) for o in json.load(sys.stdin)]'; }

# Screenshots come from the compositor that shoot_cmd names: user_cmd (the first) or inner_cmd.
shoot_cmd=user_cmd

# The fraction of pixels of a screenshot of one output that are not black.
lit_fraction() {
  "$shoot_cmd" grim -o "$1" "$shots_dir/shot.png" || return 1
  cp "$shots_dir/shot.png" "$shots_dir/shot-$1-$2.png"
  lit_share "$shots_dir/shot.png"
}

# The fraction of pixels of a screenshot that have the desktop's own background colour.
desktop_fraction() {
  "$shoot_cmd" grim -o "$1" "$shots_dir/shot.png" || return 1
  cp "$shots_dir/shot.png" "$shots_dir/shot-$1-$2.png"
  colour_fraction "$shots_dir/shot.png" "$desktop_colour"
}

stop_sway() {
  stop_clients
  if [ -n "$sway_pid" ]; then
    kill -- "-$sway_pid" 2>/dev/null || true
    wait "$sway_pid" 2>/dev/null || true
    sway_pid=""
  fi
  if [ "${1:-}" = again ]; then
    # Another compositor follows in the same folders: the old one's sockets must not be found.
    rm -rf "${runtime_dir:?}"/*
  elif [ -z "${KEEP_SHOTS:-}" ]; then
    rm -rf "$session_dir"
  fi
}
trap stop_sway EXIT
