#!/bin/sh
# Starts or stops a virtual X display for the tests:
#   x-display.sh start DISPLAY [wm|fluxbox]    (with `wm`, openbox runs on it as the window manager;
#                                              with `fluxbox`, fluxbox)
#   x-display.sh stop DISPLAY
# The display has 96 dots per inch, as a desktop at 100% scale, and does not reset when its last
# client leaves (a reset refuses connections for a moment: the next program could not start). What was started is remembered
# in a file beside the display's lock, so that `stop` ends it, and a new `start` ends what an
# earlier run left behind.
set -eu
action=$1
display=$2
number=${display#:}
pids="/tmp/.zahlix-x$number.pids"

# Ends what `start` started, and returns once it has gone: a server still shutting down holds
# the display, and a new one could not take it.
stop() {
    if [ -f "$pids" ]; then
        started=$(cat "$pids")
        for pid in $started; do kill "$pid" 2>/dev/null || true; done
        for pid in $started; do
            tries=0
            while kill -0 "$pid" 2>/dev/null && ! grep -q '^State:[[:space:]]*Z' "/proc/$pid/status" 2>/dev/null; do
                tries=$((tries + 1))
                [ $tries -le 50 ] || { kill -9 "$pid" 2>/dev/null || true; break; }
                sleep 0.1
            done
        done
        rm -f "$pids"
    fi
}

case $action in
start)
    stop
    # A display left behind by a killed server: its lock names a process that is gone (or a
    # zombie that nobody reaped).
    lock="/tmp/.X$number-lock"
    if [ -e "$lock" ]; then
        owner=$(tr -d ' ' <"$lock" 2>/dev/null || true)
        if [ -z "$owner" ] || [ ! -d "/proc/$owner" ] || grep -q '^State:[[:space:]]*Z' "/proc/$owner/status" 2>/dev/null; then
            rm -f "$lock" "/tmp/.X11-unix/X$number"
        fi
    fi
    Xvfb "$display" -screen 0 1280x1024x24 -dpi 96 -nolisten tcp -noreset </dev/null >/dev/null 2>&1 &
    server=$!
    echo $server >"$pids"
    tries=0
    until DISPLAY=$display xdpyinfo >/dev/null 2>&1; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ] || ! kill -0 $server 2>/dev/null; then
            echo "x-display: Xvfb did not start on $display" >&2
            exit 1
        fi
        sleep 0.1
    done
    # Another server may have answered on the display that ours could not take.
    if ! kill -0 $server 2>/dev/null; then
        echo "x-display: another X server holds $display" >&2
        exit 1
    fi
    if [ "${3:-}" = wm ] || [ "${3:-}" = fluxbox ]; then
        log="/tmp/.zahlix-x$number.wm.log"
        if [ "$3" = wm ]; then
            DISPLAY=$display openbox --sm-disable </dev/null >"$log" 2>&1 &
        else
            # A home of its own, whose style sets no wallpaper: fluxbox's wallpaper helper, missing
            # a picture tool, would put up a window of complaint.
            home="/tmp/.zahlix-x$number.fluxbox"
            mkdir -p "$home/.fluxbox"
            echo "background: none" >"$home/.fluxbox/overlay"
            echo "session.styleOverlay: $home/.fluxbox/overlay" >"$home/.fluxbox/init"
            DISPLAY=$display HOME=$home fluxbox </dev/null >"$log" 2>&1 &
        fi
        wm=$!
        echo $wm >>"$pids"
        # The window manager is ready once it names itself on the root window; a loaded machine may
        # take a while.
        tries=0
        until DISPLAY=$display xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
            tries=$((tries + 1))
            if [ $tries -gt 300 ] || ! kill -0 $wm 2>/dev/null; then
                echo "x-display: the window manager did not start on $display; it said:" >&2
                cat "$log" >&2
                exit 1
            fi
            sleep 0.1
        done
    fi
    ;;
stop)
    stop
    ;;
*)
    echo "usage: x-display.sh start|stop DISPLAY [wm|fluxbox]" >&2
    exit 2
    ;;
esac
