#!/usr/bin/env bash
# MATE's screen saver runs the shipped theme: under a private Xvfb and session bus the theme is
# chosen through gsettings, the daemon is told to activate, our picture fills the screen, and
# on deactivation the daemon ends the program. Skipped (status 77) where mate-screensaver is absent.
#   mate_screensaver_test.sh SOURCE-FOLDER PROGRAM
set -uo pipefail
source=$1
program=$2
if ! command -v mate-screensaver > /dev/null || ! command -v gsettings > /dev/null; then
  echo "mate-screensaver or gsettings is not installed"; exit 77
fi
# The daemon runs a theme's program only from its own folders, among them XScreenSaver's display
# modes' folder, where the package puts its link to the program. The test runs in a mount namespace
# of its own, with a scratch folder holding such a link mounted over that folder.
hacks=/usr/libexec/xscreensaver
if [ -z "${OPAL_MATE_NAMESPACE:-}" ]; then
  namespace=(unshare --mount --propagation private)
  [ "$(id -u)" -eq 0 ] || namespace=(unshare --map-root-user --mount --propagation private)
  OPAL_MATE_NAMESPACE=1 exec "${namespace[@]}" "$0" "$@"
fi
work=$(mktemp -d /tmp/opal-mate-XXXXXX)
mkdir -p "$work/hacks"
ln -s "$(readlink -f "$program")" "$work/hacks/opal-revel"
mount --bind "$work/hacks" "$hacks" || { echo "cannot mount over $hacks"; exit 1; }
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  umount "$hacks" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
check() { # NAME CONDITION...
  local name=$1; shift
  if "$@"; then echo "ok: $name"; else failures=$((failures + 1)); echo "FAILED: $name"; fi
}

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 2>"$work/xvfb.log" &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(cat "$work/display")"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb NO_AT_BRIDGE=1
# The daemon looks for themes in the data folders' applications/screensavers.
mkdir -p "$work/share/applications/screensavers"
cp "$source"/data/desktop/screensavers/*.desktop "$work/share/applications/screensavers/"
export XDG_DATA_DIRS="$work/share:/usr/share"

dbus-daemon --session --nofork --address="unix:path=$XDG_RUNTIME_DIR/bus" --print-address=4 4>"$work/bus" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/bus" ] && break; sleep 0.05; done
export DBUS_SESSION_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/bus"

gsettings set org.mate.screensaver lock-enabled false
gsettings set org.mate.screensaver mode single

mate-screensaver --no-daemon ${MATE_DEBUG:-} > "$work/daemon.log" 2>&1 &
daemon=$!
pids+=("$daemon")
for _ in $(seq 100); do mate-screensaver-command --query > /dev/null 2>&1 && break; sleep 0.1; done

# The theme's program: the daemon's child running ours.
saver_child() {
  local pid
  for _ in $(seq 50); do
    for pid in $(pgrep -P "$daemon"); do
      [ "$(readlink -f "/proc/$pid/exe")" = "$(readlink -f "$program")" ] && { echo "$pid"; return 0; }
    done
    sleep 0.1
  done
  return 1
}

# Waits until our picture fills the screen: the saver's black with a lit share no desktop shows.
picture_fills_screen() {
  for _ in $(seq 50); do
    import -window root "$work/shot.png" 2>/dev/null \
      && lit=$(convert "$work/shot.png" -colorspace gray -threshold 2% -format '%[fx:mean]' info:) \
      && python3 -c "import sys; sys.exit(0 if float('$lit') > 0.05 else 1)" && return 0
    sleep 0.2
  done
  return 1
}

# Each shipped theme, chosen as the preferences window does, activated and deactivated.
for theme in opal-revel:--root opal-revel-random:--change-seconds; do
  name=${theme%%:*}
  argument=${theme#*:}
  gsettings set org.mate.screensaver themes "['screensavers-$name']"
  mate-screensaver-command --activate
  child=$(saver_child)
  check "$name: the daemon runs our program" test -n "$child"
  check "$name: with its arguments" grep -q -- "$argument" "/proc/$child/cmdline"
  lit=0
  check "$name: our picture fills the screen" picture_fills_screen
  echo "  lit share of the screen: $lit"
  [ -n "${KEEP_SHOTS:-}" ] && cp "$work/shot.png" "$KEEP_SHOTS/mate-$name.png"
  mate-screensaver-command --deactivate
  check "$name: deactivation ends our program" \
    bash -c "for _ in \$(seq 50); do kill -0 $child 2>/dev/null || exit 0; sleep 0.1; done; exit 1"
done
[ "$failures" -eq 0 ] || tail -n 60 "$work/daemon.log"
exit "$failures"
