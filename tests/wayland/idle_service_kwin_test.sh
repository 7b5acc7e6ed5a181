#!/usr/bin/env bash
# The idle service under a real headless KWin: the compositor's ext-idle-notify-v1 starts the
# saver after the idle time, a key ends it and the service watches again.
# Skipped (status 77) where KWin is not installed.
#   idle_service_kwin_test.sh PROGRAM INPUT-DEVICE
set -uo pipefail
program=$1
input_device=$2
source "$(dirname "$0")/kwin_session.sh"
source "$(dirname "$0")/idle_service_checks.sh"
kwin_available || { echo "kwin_wayland or python3-gi is not installed"; exit 77; }
start_kwin 1 || exit 1
start_kwin_input "$input_device" || exit 1

idle_service_checks "$program" "Wayland ext-idle-notify-v1" kwin_input

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ] || { tail -n 20 "$session_dir/kwin.log"; exit 1; }
