#!/bin/sh
# The recorder on a disk that fills while it records: the failure that only shows at the end
# is still told with the system's reason, the run ends with status 1, and neither a partial
# file nor a temporary one is left. The small tmpfs is mounted in a mount namespace of the
# test's own, which vanishes with it; where no namespace can be made the test is skipped (77).
# Usage: recorder_full_disk_test.sh PROGRAM
set -u
program=$1

if [ "${OPAL_FULL_DISK_INSIDE:-}" != 1 ]; then
    for enter in "unshare --mount" "unshare --map-root-user --mount"; do
        if $enter true 2>/dev/null; then
            OPAL_FULL_DISK_INSIDE=1 exec $enter sh "$0" "$@"
        fi
    done
    echo "no mount namespace can be made here: skipped"
    exit 77
fi

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir "$home/full"
# Private propagation, so the mount reaches no other namespace.
mount --make-rprivate / 2>/dev/null
mount -t tmpfs -o size=64k tmpfs "$home/full" || { echo "tmpfs cannot be mounted: skipped"; exit 77; }

env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" "$program" --record "$home/full/clip.gif" --size 320x240 --seconds 2 \
    2>"$home/errors.txt" </dev/null
status=$?
failed=0
[ "$status" = 1 ] || { echo "status $status, not 1"; failed=1; }
grep -q "^opal-revel: Writing $home/full/clip.gif failed: No space left on device\$" "$home/errors.txt" \
    || { echo "no line with the system's reason:"; cat "$home/errors.txt"; failed=1; }
[ -z "$(ls -A "$home/full")" ] || { echo "left behind:"; ls -la "$home/full"; failed=1; }
umount "$home/full"
exit $failed
