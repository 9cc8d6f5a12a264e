#!/bin/sh
# Runs the desktop matrix (desktop_matrix.py) in a private mount and network namespace with X
# sockets of its own, where the compositors' XWayland takes the display numbers it likes (wlroots
# and mutter try only low ones) without meeting the machine's X servers:
#   run_desktop_matrix.sh PROGRAM [ROW ...]
# Where no such namespace can be made, the X11 rows run on displays that Xvfb picks free, and the
# XWayland rows are skipped.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${ZAHLIX_MATRIX_PRIVATE:-}" ]; then
    for how in "unshare --mount --net" "unshare --user --map-root-user --mount --net"; do
        if $how true 2>/dev/null; then
            export ZAHLIX_MATRIX_PRIVATE=1
            # Only the sockets' folder is the namespace's own, so that a tree that lives in /tmp (a
            # clone, its build) stays in sight; the servers' lock files stay shared, so that no
            # server takes a display number that one of the machine's holds.
            exec $how sh -c 'mkdir -p /tmp/.X11-unix && mount -t tmpfs -o mode=1777 tmpfs /tmp/.X11-unix &&
                ip link set lo up && exec sh "$0" "$@"' "$here/run_desktop_matrix.sh" "$@"
        fi
    done
    export ZAHLIX_MATRIX_PRIVATE=no
fi
# Debian's python3 has python3-xlib; another python3 may come first on PATH.
[ "$ZAHLIX_MATRIX_PRIVATE" = 1 ] || exec /usr/bin/python3 "$here/desktop_matrix.py" "$@"
# weston, ended, leaves the locks of the displays it held for XWayland in the shared /tmp: the
# locks that the run made are removed once their owner has gone.
before=$(ls /tmp/.X*-lock 2>/dev/null || true)
status=0
/usr/bin/python3 "$here/desktop_matrix.py" "$@" || status=$?
for lock in /tmp/.X*-lock; do
    [ -e "$lock" ] || continue
    echo "$before" | grep -qxF "$lock" && continue
    owner=$(tr -d ' ' <"$lock" 2>/dev/null || true)
    tries=0
    while [ -n "$owner" ] && kill -0 "$owner" 2>/dev/null && [ $tries -lt 30 ]; do
        tries=$((tries + 1))
        sleep 0.1
    done
    [ -n "$owner" ] && kill -0 "$owner" 2>/dev/null || rm -f "$lock"
done
exit $status
