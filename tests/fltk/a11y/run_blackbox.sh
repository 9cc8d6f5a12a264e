#!/bin/sh
# Runs the AT-SPI black-box test of the built program in a session of its own:
#   run_blackbox.sh PROGRAM
# on the virtual display in DISPLAY, with a private session bus (dbus-run-session), accessibility
# switched on in it, and private settings: the accessibility bus launcher saves IsEnabled in the
# user's settings, which must never reach a developer's own desktop.
# dbus-daemon's notes on standard error (the fd limit, services it starts) are harmless.
set -eu
program=$1
here=$(cd "$(dirname "$0")" && pwd)
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
trap 'exit 1' INT TERM
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" XDG_CACHE_HOME="$home/.cache"
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=0
unset XDG_RUNTIME_DIR DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS

# Debian's python3 has the AT-SPI client (python3-pyatspi); another python3 may come first on PATH.
dbus-run-session -- sh -c '
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.freedesktop.DBus.Properties.Set \
        string:org.a11y.Status string:IsEnabled variant:boolean:true >/dev/null || exit 1
    exec /usr/bin/python3 "$0" "$1"' "$here/blackbox.py" "$program"
