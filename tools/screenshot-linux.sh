#!/bin/sh
# Takes the README's screenshot of the Linux program: build/linux/zahlix on a virtual display at
# 96 dpi under openbox (for the caption and close box), a number typed into DEC, the window with
# its frame cut out of the screen; Escape then ends the program, which must end with 0.
#
#     tools/screenshot-linux.sh OUTPUT.png [PROGRAM TITLE]
#
# PROGRAM and TITLE (default: build/linux/zahlix and Zahlix) take another program's window, e.g.
# build/linux/tests/bench/linux/bare_window Bare. Needs openbox, xdotool and ImageMagick.
set -eu
[ $# -eq 1 ] || [ $# -eq 3 ] || { echo "usage: tools/screenshot-linux.sh OUTPUT.png [PROGRAM TITLE]" >&2; exit 2; }
output=$(realpath "$1")
program=$(realpath "${2:-$(dirname "$0")/../build/linux/zahlix}")
title=${3:-Zahlix}
cd "$(dirname "$0")/.."
cmake --preset linux >/dev/null
cmake --build --preset linux --target zahlix bare_window >/dev/null

export DISPLAY=:76
desktop=$(mktemp --suffix=.png)
app=""
cleanup() {
    [ -z "$app" ] || kill "$app" 2>/dev/null || true
    sh tests/x-display.sh stop "$DISPLAY"
    rm -f "$desktop"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
# openbox draws the caption and the close box.
sh tests/x-display.sh start "$DISPLAY" wm

"$program" </dev/null >/dev/null 2>&1 &
app=$!
window=$(timeout 10 xdotool search --sync --name "^$title\$" | head -n 1) ||
    { echo "screenshot-linux.sh: no window \"$title\" within 10 s" >&2; exit 1; }
xdotool windowactivate --sync "$window"
xdotool type --delay 50 2026
sleep 0.5

# The frame is the window's ancestor that is a child of the root window.
frame=$window
root=$(xwininfo -root | awk '/Window id:/ { print $4; exit }')
while :; do
    parent=$(xwininfo -tree -id "$frame" | awk '/Parent window id:/ { print $4; exit }')
    [ "$parent" != "$root" ] || break
    frame=$parent
done
geometry=$(xwininfo -id "$frame" | awk '/Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 }
    /Width:/ { w = $2 } /Height:/ { h = $2 } /Border width:/ { b = $3 }
    END { printf "%dx%d+%d+%d", w + 2 * b, h + 2 * b, x - b, y - b }')
/usr/bin/import -window root "$desktop"
/usr/bin/convert "$desktop" -crop "$geometry" +repage "$output"

xdotool key Escape
tries=0
while kill -0 "$app" 2>/dev/null; do
    tries=$((tries + 1))
    [ $tries -le 50 ] || { echo "screenshot-linux.sh: \"$title\" did not end on Escape" >&2; exit 1; }
    sleep 0.1
done
status=0
wait "$app" || status=$?
app=""
[ $status -eq 0 ] || { echo "screenshot-linux.sh: \"$title\" ended with $status" >&2; exit 1; }
echo "$output: $geometry"
