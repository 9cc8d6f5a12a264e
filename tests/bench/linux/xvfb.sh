#!/bin/sh
# Starts or stops a virtual X display at 96 dpi with no window manager, for the Linux start-up
# probe, its tests and the screenshot:
#   xvfb.sh start|stop DISPLAY PIDFILE
# `start` returns once the server answers; `stop` ends the server that `start` recorded in PIDFILE.
set -eu
action=$1
display=$2
pidfile=$3

stop() {
    if [ -f "$pidfile" ]; then
        kill "$(cat "$pidfile")" 2>/dev/null || true
        rm -f "$pidfile"
    fi
}

case $action in
start)
    stop
    # A display left behind by a killed server: its lock names a process that is gone (or a
    # zombie that nobody reaped).
    lock="/tmp/.X${display#:}-lock"
    if [ -e "$lock" ]; then
        owner=$(tr -d ' ' <"$lock")
        if [ ! -d "/proc/$owner" ] || grep -q '^State:[[:space:]]*Z' "/proc/$owner/status" 2>/dev/null; then
            rm -f "$lock" "/tmp/.X11-unix/X${display#:}"
        fi
    fi
    Xvfb "$display" -dpi 96 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    echo $! >"$pidfile"
    tries=0
    until xdpyinfo -display "$display" >/dev/null 2>&1; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ] || ! kill -0 "$(cat "$pidfile")" 2>/dev/null; then
            echo "xvfb.sh: Xvfb did not start on $display" >&2
            stop
            exit 1
        fi
        sleep 0.1
    done
    # Another server may have answered on the display that ours could not take.
    if ! kill -0 "$(cat "$pidfile")" 2>/dev/null; then
        echo "xvfb.sh: another X server holds $display" >&2
        rm -f "$pidfile"
        exit 1
    fi
    ;;
stop)
    stop
    ;;
*)
    echo "usage: xvfb.sh start|stop DISPLAY PIDFILE" >&2
    exit 2
    ;;
esac
