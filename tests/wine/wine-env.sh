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
display_script="$(dirname "$0")/../x-display.sh"

stop() {
    "$server" -k >/dev/null 2>&1 || true
    sh "$display_script" stop "$DISPLAY"
}

case $action in
start)
    stop
    mkdir -p "$(dirname "$WINEPREFIX")"
    sh "$display_script" start "$DISPLAY"
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
