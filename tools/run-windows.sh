#!/bin/sh
# Builds Zahlix for Windows and starts it under Wine on the user's X display. The Wine prefix
# lives in ~/.local/share/zahlix and is made on first use.
set -eu
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ]; then
    echo "zahlix: no display: DISPLAY is not set, so there is no screen to show Zahlix on" >&2
    exit 1
fi
. tools/wine-loader.sh
[ "$arch" = win32 ] || echo "zahlix: this machine's Wine runs no 32-bit programs; starting the x86-64 build instead" >&2
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target zahlix >/dev/null
export WINEPREFIX="${XDG_DATA_HOME:-$HOME/.local/share}/zahlix/wine-$arch" WINEARCH=$arch WINEDEBUG=-all
export WINELOADER=$loader
if [ ! -e "$WINEPREFIX/system.reg" ]; then
    echo "zahlix: first start: making a Wine prefix in $WINEPREFIX (about 20 s)" >&2
    mkdir -p "$WINEPREFIX"
fi
exec "$loader" "build/$preset/zahlix.exe"
