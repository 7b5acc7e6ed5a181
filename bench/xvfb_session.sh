# Sourced by the figure scripts: a private Xvfb of one screen on a display number it picks
# itself. The caller sets $work (a scratch folder) and ends a server left running in its exit
# trap through $xvfb.
xvfb=

start_xvfb() { # width height
  rm -f "$work/display"
  exec 3>"$work/display"
  Xvfb -displayfd 3 -screen 0 "$1x$2x24" -nolisten tcp -noreset 2>"$work/xvfb.log" &
  xvfb=$!
  exec 3>&-
  for _ in $(seq 1 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  export DISPLAY=":$(cat "$work/display")"
}

stop_xvfb() {
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  xvfb=
}
