#!/usr/bin/env bash
# The idle service under GNOME's compositor, headless: with no idle protocol for clients there,
# the service reads the compositor's idle monitor on the session bus, starts the saver after the
# idle time, a key ends it and the service watches again. Skipped (77) where mutter is absent.
#   idle_service_mutter_test.sh PROGRAM
set -uo pipefail
program=$1
source "$(dirname "$0")/mutter_session.sh"
source "$(dirname "$0")/idle_service_checks.sh"
mutter_available || { echo "mutter or python3-gi is not installed"; exit 77; }
start_mutter || exit 1
start_mutter_input || exit 1

idle_service_checks "$program" "GNOME org.gnome.Mutter.IdleMonitor" mutter_input

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ] || { tail -n 20 "$session_dir/mutter.log"; exit 1; }
