#!/bin/sh
# Runs the desktop matrix (desktop_matrix.py) in a private mount and network namespace with a /tmp
# of its own, where the compositors' XWayland takes the display numbers it likes (wlroots and
# mutter try only low ones) without meeting the machine's X servers and sockets:
#   run_desktop_matrix.sh PROGRAM [ROW ...]
# Where no such namespace can be made, the X11 rows run on displays that Xvfb picks free, and the
# XWayland rows are skipped.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${ZAHLIX_MATRIX_PRIVATE:-}" ]; then
    for how in "unshare --mount --net" "unshare --user --map-root-user --mount --net"; do
        if $how true 2>/dev/null; then
            export ZAHLIX_MATRIX_PRIVATE=1
            exec $how sh -c 'mount -t tmpfs tmpfs /tmp && ip link set lo up && exec sh "$0" "$@"' "$0" "$@"
        fi
    done
    export ZAHLIX_MATRIX_PRIVATE=no
fi
# Debian's python3 has python3-xlib; another python3 may come first on PATH.
exec /usr/bin/python3 "$here/desktop_matrix.py" "$@"
