#!/bin/sh
# Starts or stops the virtual X display and the Wine prefix in which the Windows tests run:
#   wine-env.sh start|stop LOADER
# LOADER is Wine's loader for the build (wine or wine64); DISPLAY, WINEPREFIX and WINEARCH come
# from the environment. The prefix is made once and kept; the Wine server stays up between the
# tests (a Wine program then starts in some 40 ms) until `stop`.
set -eu
action=$1
loader=$2
server=/usr/lib/wine/wineserver64
[ -x "$server" ] || server=/usr/lib/wine/wineserver32
xvfb_pid="$WINEPREFIX.xvfb-pid"

stop() {
    "$server" -k >/dev/null 2>&1 || true
    if [ -f "$xvfb_pid" ]; then
        kill "$(cat "$xvfb_pid")" 2>/dev/null || true
        rm -f "$xvfb_pid"
    fi
}

case $action in
start)
    stop
    mkdir -p "$(dirname "$WINEPREFIX")"
    # A display left behind by a killed server: its lock names a process that is gone (or a
    # zombie that nobody reaped).
    lock="/tmp/.X${DISPLAY#:}-lock"
    if [ -e "$lock" ]; then
        owner=$(tr -d ' ' <"$lock")
        if [ ! -d "/proc/$owner" ] || grep -q '^State:[[:space:]]*Z' "/proc/$owner/status" 2>/dev/null; then
            rm -f "$lock" "/tmp/.X11-unix/X${DISPLAY#:}"
        fi
    fi
    Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    echo $! >"$xvfb_pid"
    tries=0
    until xdpyinfo >/dev/null 2>&1; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ] || ! kill -0 "$(cat "$xvfb_pid")" 2>/dev/null; then
            echo "wine-env: Xvfb did not start on $DISPLAY" >&2
            exit 1
        fi
        sleep 0.1
    done
    # Another server may have answered on the display that ours could not take.
    if ! kill -0 "$(cat "$xvfb_pid")" 2>/dev/null; then
        echo "wine-env: another X server holds $DISPLAY" >&2
        exit 1
    fi
    if [ ! -e "$WINEPREFIX/system.reg" ]; then
        echo "wine-env: making the Wine prefix $WINEPREFIX (once; some seconds)"
        "$loader" wineboot -i </dev/null >/dev/null 2>&1
        "$server" -w
        # A virtual desktop: Wine draws the caption itself and closes windows at once, without
        # waiting for a window manager that does not run here.
        "$loader" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f </dev/null >/dev/null 2>&1
        "$loader" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1024x768 /f \
            </dev/null >/dev/null 2>&1
        "$server" -k || true
        "$server" -w
    fi
    "$server" -p </dev/null >/dev/null 2>&1
    "$loader" wineboot </dev/null >/dev/null 2>&1
    ;;
stop)
    stop
    ;;
*)
    echo "usage: wine-env.sh start|stop LOADER" >&2
    exit 2
    ;;
esac
