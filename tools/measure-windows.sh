#!/bin/sh
# Measures the Windows program against a bare dialog program built with the same flags: the
# size of each executable, and the time from start to the window being shown under Wine (warm:
# the Wine server already runs), as medians over RUNS interleaved starts; then against the bare
# program that also asks to stay on top, as Zahlix does.
#
#     tools/measure-windows.sh [RUNS]      (from the top of the tree; default 11 runs)
set -eu
runs=${1:-11}
cd "$(dirname "$0")/.."

for preset in windows windows64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" >/dev/null
    zahlix=$(stat -c %s "build/$preset/zahlix.exe")
    bare=$(stat -c %s "build/$preset/tests/bare_dialog.exe")
    echo "$preset: zahlix.exe $zahlix bytes, bare dialog $bare bytes, ratio $(awk "BEGIN { printf \"%.3f\", $zahlix / $bare }")"
done

# Start-up under the loader that can run here: the 32-bit one, else the 64-bit one.
. tools/wine-loader.sh
[ "$arch" = win32 ] || echo "(32-bit Wine cannot run on this machine: timing the x86-64 build)"
build=$PWD/build/$preset
export DISPLAY=:73 WINEPREFIX="$build/wine/prefix" WINEARCH=$arch WINEDEBUG=-all WINELOADER=$loader
trap 'sh tests/wine/wine-env.sh stop "$loader"' EXIT
sh tests/wine/wine-env.sh start "$loader"
"$loader" "$build/tests/startup_bench.exe" 1 "$build/zahlix.exe" Zahlix "$build/tests/bare_dialog.exe" Bare >/dev/null
"$loader" "$build/tests/startup_bench.exe" "$runs" "$build/zahlix.exe" Zahlix "$build/tests/bare_dialog.exe" Bare
echo "against the bare program that also asks to stay on top:"
"$loader" "$build/tests/startup_bench.exe" "$runs" "$build/zahlix.exe" Zahlix "$build/tests/bare_topmost_dialog.exe" Bare
