#!/bin/sh
# Measures the Linux program against galculator and a bare FLTK window of three labelled fields
# (tests/bench/linux/): the size of each executable, and, on virtual displays of their own, one
# with no window manager and one with openbox, the time from start to the shown window and the
# proportional memory (PSS) as medians over RUNS interleaved starts, after one warm-up start of
# each that is not counted.
#
#     tools/measure-linux.sh [RUNS]      (from the top of the tree; default and least 11 runs)
set -eu
runs=${1:-11}
[ "$runs" -ge 11 ] 2>/dev/null || { echo "measure-linux.sh: RUNS must be a number of at least 11" >&2; exit 2; }
cd "$(dirname "$0")/.."

cmake --preset linux >/dev/null
cmake --build --preset linux --target zahlix bare_window startup_probe >/dev/null
bench=$PWD/build/linux/tests/bench/linux
zahlix=$PWD/build/linux/zahlix
galculator=$(command -v galculator) || { echo "measure-linux.sh: galculator is not installed (make deps)" >&2; exit 1; }

# The executables as shipped: stripped copies of ours; Debian's galculator is stripped already.
stripped=$(mktemp -d)
trap 'sh tests/x-display.sh stop :75; sh tests/x-display.sh stop :74; rm -rf "$stripped"' EXIT
trap 'exit 1' INT TERM
strip -o "$stripped/zahlix" "$zahlix"
strip -o "$stripped/bare_window" "$bench/bare_window"
zahlix_size=$(stat -c %s "$stripped/zahlix")
bare_size=$(stat -c %s "$stripped/bare_window")
echo "stripped: zahlix $zahlix_size bytes, bare window $bare_size bytes, ratio $(awk "BEGIN { printf \"%.3f\", $zahlix_size / $bare_size }"); galculator $(stat -c %s "$galculator") bytes"
echo "(all three link their toolkit as a shared library: libfltk.so.1.3, GTK 3)"

status=0
# DISPLAY, and the window manager that runs on it, if any.
for setup in ":75 none" ":74 openbox"; do
    display=${setup% *}
    manager=${setup#* }
    if [ "$manager" = none ]; then sh tests/x-display.sh start "$display"; else sh tests/x-display.sh start "$display" wm; fi
    echo
    echo "window manager: $manager"
    DISPLAY=$display "$bench/startup_probe" --warmup 1 "$runs" Zahlix "$zahlix" galculator "$galculator" \
        Bare "$bench/bare_window" >"$stripped/probe.txt" || status=$?
    cat "$stripped/probe.txt"
    # Zahlix should need at most a fifth of galculator's time and memory, and no more than the bare
    # window's.
    awk '$1 == "ratio" && ($2 == "Zahlix/galculator:" || $2 == "Zahlix/Bare:") {
        time = $4 + 0; pss = $6 + 0; most = $2 == "Zahlix/Bare:" ? 1 : 0.2
        printf "target %s <= %s: time %s, PSS %s\n", substr($2, 1, length($2) - 1), most,
            time <= most ? "met" : "missed", pss <= most ? "met" : "missed"
    }' "$stripped/probe.txt"
    sh tests/x-display.sh stop "$display"
done
exit $status
