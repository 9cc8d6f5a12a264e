#!/bin/sh
# Measures the Linux program against galculator and a bare FLTK window of three labelled fields
# (tests/bench/linux/): the size of each executable, and, on virtual displays of their own, one
# with no window manager, one with openbox and one with fluxbox (which never answers a request for
# the frame's extents), the time from start to the shown window and the
# proportional memory (PSS) as medians over RUNS interleaved starts, after one warm-up start of
# each that is not counted. The programs run on a private session bus with accessibility off and
# its launcher running, as on a desktop; Zahlix also with no session bus, and, where its
# accessibility plug-in is built, on a second private session bus with accessibility on.
#
#     tools/measure-linux.sh [RUNS]      (from the top of the tree; default and least 11 runs)
set -eu
runs=${1:-11}
[ "$runs" -ge 11 ] 2>/dev/null || { echo "measure-linux.sh: RUNS must be a number of at least 11" >&2; exit 2; }
cd "$(dirname "$0")/.."

cmake --preset linux >/dev/null
cmake --build --preset linux --target zahlix bare_window startup_probe >/dev/null
plugin=no
if cmake --build --preset linux --target zahlix_atk >/dev/null 2>&1; then plugin=yes; fi
bench=$PWD/build/linux/tests/bench/linux
zahlix=$PWD/build/linux/zahlix
galculator=$(command -v galculator) || { echo "measure-linux.sh: galculator is not installed (make deps)" >&2; exit 1; }

# The executables as shipped: stripped copies of ours; Debian's galculator is stripped already.
scratch=$(mktemp -d)
buses=""
trap 'for bus in $buses; do kill "$bus" 2>/dev/null || true; done
      sh tests/x-display.sh stop :75; sh tests/x-display.sh stop :74; sh tests/x-display.sh stop :73; rm -rf "$scratch"' EXIT
trap 'exit 1' INT TERM
strip -o "$scratch/zahlix" "$zahlix"
strip -o "$scratch/bare_window" "$bench/bare_window"
zahlix_size=$(stat -c %s "$scratch/zahlix")
bare_size=$(stat -c %s "$scratch/bare_window")
echo "stripped: zahlix $zahlix_size bytes, bare window $bare_size bytes, ratio $(awk "BEGIN { printf \"%.3f\", $zahlix_size / $bare_size }"); galculator $(stat -c %s "$galculator") bytes"
echo "(all three link their toolkit as a shared library: libfltk.so.1.3, GTK 3)"

# A session bus of its own, with the accessibility bus launcher started through it; its settings
# are private (the launcher saves IsEnabled in the user's settings). Prints the bus's address.
session_bus() {
    mkdir -p "$scratch/home"
    started=$(HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" GSETTINGS_BACKEND=memory \
        dbus-daemon --session --fork --print-address=1 --print-pid=1)
    address=$(echo "$started" | sed -n 1p)
    echo "$started" | sed -n 2p >>"$scratch/buses"
    DBUS_SESSION_BUS_ADDRESS=$address dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
        org.freedesktop.DBus.Properties.Set string:org.a11y.Status string:IsEnabled "variant:boolean:$1" >/dev/null
    echo "$address"
}
off=$(session_bus false)
buses=$(cat "$scratch/buses")
on_program=""
if [ $plugin = yes ]; then
    on=$(session_bus true)
    buses=$(cat "$scratch/buses")
    on_program="DBUS_SESSION_BUS_ADDRESS=$on $zahlix"
fi

status=0
# DISPLAY, and the window manager that runs on it, if any.
for setup in ":75 none" ":74 openbox" ":73 fluxbox"; do
    display=${setup% *}
    manager=${setup#* }
    case $manager in
    none) sh tests/x-display.sh start "$display" ;;
    openbox) sh tests/x-display.sh start "$display" wm ;;
    *) sh tests/x-display.sh start "$display" "$manager" ;;
    esac
    echo
    echo "window manager: $manager"
    DISPLAY=$display "$bench/startup_probe" --warmup 1 "$runs" \
        Zahlix "DBUS_SESSION_BUS_ADDRESS=$off $zahlix" \
        galculator "DBUS_SESSION_BUS_ADDRESS=$off $galculator" \
        Bare "DBUS_SESSION_BUS_ADDRESS=$off $bench/bare_window" \
        "Zahlix (no session bus)" "DBUS_SESSION_BUS_ADDRESS= $zahlix" \
        ${on_program:+"Zahlix (accessibility on)"} ${on_program:+"$on_program"} >"$scratch/probe.txt" || status=$?
    cat "$scratch/probe.txt"
    [ $plugin = yes ] || echo "(accessibility on not measured: the accessibility plug-in is not built)"
    # Zahlix should need at most a fifth of galculator's time and memory, and no more than the bare
    # window's; with a session bus and accessibility off, the budget allows 5 % more memory than
    # the bare window's. With accessibility on, its window should map no later than with it off
    # (by 5 %, the noise of such a run).
    awk '
    function field(line, name) { return substr(line, index(line, name) + length(name)) + 0 }
    /^Zahlix: time median/ { time = field($0, "time median "); pss = field($0, "PSS median ") }
    /^Bare: time median/ { bareTime = field($0, "time median "); barePss = field($0, "PSS median ") }
    /^Zahlix \(accessibility on\): time median/ { onTime = field($0, "time median ") }
    $1 == "ratio" && ($2 == "Zahlix/galculator:" || $2 == "Zahlix/Bare:") {
        ratioTime = $4 + 0; ratioPss = $6 + 0; most = $2 == "Zahlix/Bare:" ? 1 : 0.2
        printf "target %s <= %s: time %s, PSS %s\n", substr($2, 1, length($2) - 1), most,
            ratioTime <= most ? "met" : "missed", ratioPss <= most ? "met" : "missed"
    }
    END {
        if (time == "" || bareTime == "") exit
        printf "budget, session bus, accessibility off: time %.1f <= bare %.1f ms %s; PSS %.2f <= 1.05 x bare %.2f MiB %s\n",
            time, bareTime, time <= bareTime ? "met" : "missed", pss, barePss, pss <= 1.05 * barePss ? "met" : "missed"
        if (onTime != "")
            printf "budget, accessibility on: maps at %.1f ms, off %.1f ms: %s\n", onTime, time,
                onTime <= 1.05 * time ? "met" : "missed"
    }' "$scratch/probe.txt"
    sh tests/x-display.sh stop "$display"
done
exit $status
