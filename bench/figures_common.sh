# Shared by the figure scripts that measure programs from outside under Xvfb: the private X
# server of xvfb_session.sh and the small sums over runs. Sourced with $work set to the
# script's scratch folder (figures_setup makes it).

# Builds the Release programs the figure scripts time and makes their scratch folder:
# sets build, program, watch, minimal and work. The folder, and the Xvfb whose process id a
# script keeps in xvfb, go when the script exits.
# OPAL_FIGURES_BUILD names another build folder to use as it is configured (say, the
# RelWithDebInfo one a baseline was built in too, so that both are built alike).
figures_setup() { # name
  build=${OPAL_FIGURES_BUILD:-build-release}
  scripts/install-deps.sh # Xvfb and the DAMAGE headers the watcher needs
  [ -n "${OPAL_FIGURES_BUILD:-}" ] \
    || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOPAL_BUILD_TESTS=OFF -DOPAL_BUILD_BENCHMARKS=ON >/dev/null
  cmake --build "$build" --target opal-revel opal_x_watch opal_minimal_window >/dev/null
  program="$PWD/$build/app/opal-revel"
  watch="$PWD/$build/bench/opal_x_watch"
  minimal="$PWD/$build/bench/opal_minimal_window"
  work=$(mktemp -d "/tmp/opal-$1-figures-XXXXXX")
  xvfb=
  trap figures_cleanup EXIT
}

figures_cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}

source "$(dirname "${BASH_SOURCE[0]}")/xvfb_session.sh"

# Fresh per-user folders under $work: the first run of $program creates the key store and
# copies the sample presets, then the option values read from standard input (lines of the
# key store's text, "Name"=dword:...) go into the store's Values key.
fresh_user_with_values() {
  rm -rf "$work/user"
  mkdir -p "$work/user/config" "$work/user/data" "$work/user/runtime"
  chmod 700 "$work/user/runtime"
  export XDG_CONFIG_HOME="$work/user/config" XDG_DATA_HOME="$work/user/data" XDG_RUNTIME_DIR="$work/user/runtime"
  "$program" /a
  {
    printf '\n[HKEY_CURRENT_USER\\Software\\Tallow Engines\\Opal Revel\\Values]\n'
    cat
  } >>"$XDG_CONFIG_HOME/opal-revel/registry.reg"
}

# Fresh per-user folders with the start options with the mirror off and no automatic changes,
# so that every run draws the same kind of picture.
fresh_user() {
  fresh_user_with_values <<'VALUES'
"Mirror"=dword:00000000
"ChangeMirror"=dword:00000000
"DoChange"=dword:00000000
"ChangeFormula"=dword:00000000
VALUES
}

value() { # file key
  sed -n "s/^$2=//p" "$1"
}

median() {
  sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
