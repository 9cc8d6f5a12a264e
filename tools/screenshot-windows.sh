#!/bin/sh
# Takes the README's screenshot of the Windows program: zahlix.exe under Wine on a virtual
# display, a number typed into DEC, the window cut out of the desktop.
#
#     tools/screenshot-windows.sh OUTPUT.png      (needs xdotool and ImageMagick)
set -eu
output=$(realpath "$1")
cd "$(dirname "$0")/.."
preset=windows64 loader=/usr/lib/wine/wine64 arch=win64
if /usr/bin/python3 -c "import os, sys; os.execv(sys.argv[1], sys.argv[1:])" /usr/lib/wine/wine --version >/dev/null 2>&1; then
    preset=windows loader=/usr/lib/wine/wine arch=win32
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" >/dev/null
build=$PWD/build/$preset
export DISPLAY=:74 WINEPREFIX="$build/wine/prefix" WINEARCH=$arch WINEDEBUG=-all WINELOADER=$loader
sh tests/wine/wine-env.sh start "$loader"
trap 'sh tests/wine/wine-env.sh stop "$loader"' EXIT
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
