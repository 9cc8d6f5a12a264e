#!/bin/sh
# Takes the README's screenshot of the Windows program: zahlix.exe under Wine on a virtual
# display, a number typed into DEC, the window cut out of the desktop.
#
#     tools/screenshot-windows.sh OUTPUT.png      (needs xdotool and ImageMagick)
set -eu
output=$(realpath "$1")
cd "$(dirname "$0")/.."
. tools/wine-loader.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" >/dev/null
build=$PWD/build/$preset
export DISPLAY=:74 WINEPREFIX="$build/wine/prefix" WINEARCH=$arch WINEDEBUG=-all WINELOADER=$loader
trap 'sh tests/wine/wine-env.sh stop "$loader"' EXIT
sh tests/wine/wine-env.sh start "$loader"
"$loader" "$build/zahlix.exe" </dev/null >/dev/null 2>&1 &
program=$!
sleep 2
xdotool type --delay 50 2026
sleep 1
desktop=$(mktemp --suffix=.png)
/usr/bin/import -window root "$desktop"
# Cut the Wine desktop out of the screen, then the window out of the desktop.
/usr/bin/convert "$desktop" -trim +repage -fuzz 2% -trim +repage "$output"
rm -f "$desktop"
xdotool key Escape
wait "$program"
