#!/bin/sh
# The accessibility status watch as the session drives it, each case on a session bus of its own
# (dbus-run-session) with private settings (the accessibility bus launcher saves IsEnabled in the
# user's settings); then the built program on a virtual display with accessibility off, and then
# switched on.
#
#     accessibility_status_test.sh STATUS_WATCH PROGRAM DISPLAY
#
# A case's columns: its name; the watch's environment ("-", VAR=value, or -VAR to unset it);
# what is done to the accessibility status before the watch starts, and while it runs (on:NAME
# and off:NAME set a property, which starts the launcher (which switches IsEnabled on with
# ScreenReaderEnabled); "launcher" starts it, reading both; settings:KEY has the launcher, once
# started, find KEY on in the user's settings (toolkit-accessibility is IsEnabled,
# screen-reader-enabled ScreenReaderEnabled alone), with no change signal; "bus-gone" ends the
# session bus); how often publish must run; and what the watch must have done
# to D-Bus: "stays" (libdbus loaded, on the session bus while it waits), "loads" (libdbus loaded),
# "nothing" (not even libdbus loaded, so that no bus can have been started).
set -u
cases='
enabled_at_start         | -                                       | on:IsEnabled           | -                          | 1 | loads
screen_reader_at_start   | -                                       | settings:screen-reader-enabled launcher | - | 1 | loads
off_without_launcher     | -                                       | -                      | -                          | 0 | stays
off_with_launcher        | -                                       | launcher               | -                          | 0 | stays
switched_on_later        | -                                       | launcher               | on:IsEnabled               | 1 | stays
screen_reader_later      | -                                       | launcher               | on:ScreenReaderEnabled     | 1 | stays
launcher_appears_later   | -                                       | -                      | on:IsEnabled               | 1 | stays
launcher_starts_enabled  | -                                       | settings:toolkit-accessibility | launcher           | 1 | stays
published_once           | -                                       | launcher               | on:IsEnabled on:ScreenReaderEnabled off:IsEnabled on:IsEnabled | 1 | stays
no_at_bridge             | NO_AT_BRIDGE=1                          | on:IsEnabled           | on:ScreenReaderEnabled     | 0 | nothing
no_at_bridge_other_value | NO_AT_BRIDGE=0                          | on:IsEnabled           | -                          | 1 | loads
no_session_bus           | -DBUS_SESSION_BUS_ADDRESS               | on:IsEnabled           | -                          | 0 | nothing
empty_bus_address        | DBUS_SESSION_BUS_ADDRESS=               | on:IsEnabled           | -                          | 0 | nothing
autolaunch_bus_address   | DBUS_SESSION_BUS_ADDRESS=autolaunch:    | on:IsEnabled           | -                          | 0 | nothing
unreachable_bus          | DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/bus | on:IsEnabled | -                    | 0 | loads
session_bus_ends         | -                                       | launcher               | bus-gone                   | 0 | stays
'
libraries='lib(glib-2\.0|gobject-2\.0|gio-2\.0|gmodule-2\.0|atk-1\.0|atk-bridge-2\.0|atspi)\.so'

fail() {
    echo "FAIL $*"
    failed=1
}

call() {
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus "$@" >/dev/null
}

act() {
    case $1 in
    -) ;;
    on:*) call org.freedesktop.DBus.Properties.Set string:org.a11y.Status "string:${1#on:}" variant:boolean:true ;;
    off:*) call org.freedesktop.DBus.Properties.Set string:org.a11y.Status "string:${1#off:}" variant:boolean:false ;;
    launcher) call org.freedesktop.DBus.Properties.Get string:org.a11y.Status string:IsEnabled ;;
    settings:*)
        # Read by the launcher when it starts, from a settings file of the case's own.
        case $1 in
        settings:toolkit-accessibility) group=org/gnome/desktop/interface ;;
        *) group=org/gnome/desktop/a11y/applications ;;
        esac
        mkdir -p "$work/$name.config/glib-2.0/settings"
        printf '[%s]\n%s=true\n' "$group" "${1#settings:}" >>"$work/$name.config/glib-2.0/settings/keyfile"
        dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
            org.freedesktop.DBus.UpdateActivationEnvironment \
            "dict:string:string:GSETTINGS_BACKEND,keyfile,XDG_CONFIG_HOME,$work/$name.config" >/dev/null
        ;;
    bus-gone) kill "$(pgrep -P "$PPID" -x dbus-daemon)" ;;
    *) fail "unknown action $1" ;;
    esac
}

# Whether process PID has a connection on the bus (dbus-send's bus option: --session or --bus=ADDRESS).
on_bus() {
    for connection in $(dbus-send "$2" --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.ListNames | sed -n 's/^ *string "\(:[^"]*\)"$/\1/p'); do
        owner=$(dbus-send "$2" --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
            org.freedesktop.DBus.GetConnectionUnixProcessID "string:$connection" 2>/dev/null | sed -n 's/^ *uint32 //p')
        [ "$owner" = "$1" ] && return 0
    done
    return 1
}

launcher_running() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus | grep -q 'boolean true'
}

# One case, inside its own session bus.
run_case() {
    name=$1 environment=$2 before=$3 after=$4 published=$5 dbus=$6
    failed=0
    for action in $before; do act "$action"; done
    out=$work/$name.out
    # The mark finds any process the watch left behind, whatever it was started as.
    mark="ZAHLIX_STATUS_MARK=$name.$$"
    (
        for setting in $environment; do
            case $setting in
            -) ;;
            -*) unset "${setting#-}" ;;
            *) export "${setting?}" ;;
            esac
        done
        export "$mark"
        exec "$watch" 60
    ) >"$out" 2>&1 &
    pid=$!
    if [ "$dbus" = stays ]; then
        tries=0
        until on_bus $pid --session; do
            tries=$((tries + 1))
            [ $tries -le 50 ] || { fail "$name: the watch is not on the session bus"; break; }
            sleep 0.1
        done
    fi
    # The bus daemon takes the watch's requests in order: Hello, its matches, then the read.
    sleep 0.3
    if grep -q 'libdbus-1\.so' /proc/$pid/maps; then
        [ "$dbus" != nothing ] || fail "$name: the watch loaded libdbus"
    else
        [ "$dbus" = nothing ] || fail "$name: the watch did not load libdbus"
    fi
    if [ "$dbus" = nothing ] && on_bus $pid --session; then
        fail "$name: the watch is on the session bus"
    fi
    for action in $after; do act "$action"; done
    sleep 1
    kill -TERM $pid
    wait $pid
    status=$?
    count=$(sed -n 's/^published \([0-9]*\)$/\1/p' "$out")
    [ $status -eq 0 ] && [ -n "$count" ] || fail "$name: the watch ended with $status; it printed: $(cat "$out")"
    [ "$count" = "$published" ] || fail "$name: published ${count:-?} times, expected $published"
    ! grep -q 'another thread' "$out" || fail "$name: published on another thread than FLTK's loop"
    if [ "$before$after" = -- ] && launcher_running; then
        fail "$name: reading the status started the accessibility bus launcher"
    fi
    for process in $(pgrep -x dbus-daemon) $(pgrep -x dbus-launch); do
        if tr '\0' '\n' <"/proc/$process/environ" 2>/dev/null | grep -qx "$mark"; then
            fail "$name: a bus was started and left running (process $process)"
            kill "$process"
        fi
    done
    [ $failed -eq 0 ] && echo "ok $name"
}

# The program with accessibility off, the launcher and the accessibility bus running.
run_program() {
    failed=0
    sh "$tests/x-display.sh" start "$display" || { fail "program: no X display"; return; }
    act launcher
    a11y=$(dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress |
        sed -n 's/^ *string "\(.*\)"$/\1/p')
    [ -n "$a11y" ] || fail "program: the accessibility bus has no address"
    DISPLAY=$display "$program" >"$work/program.out" 2>&1 &
    pid=$!
    tries=0
    until DISPLAY=$display xdotool search --onlyvisible --name '^Zahlix$' >/dev/null 2>&1; do
        tries=$((tries + 1))
        [ $tries -le 100 ] || { fail "program: no window"; break; }
        sleep 0.1
    done
    sleep 1
    found=$(grep -oE "$libraries" /proc/$pid/maps | sort -u | tr '\n' ' ')
    [ -z "$found" ] || fail "program: with accessibility off it maps $found"
    ! on_bus $pid "--bus=$a11y" || fail "program: with accessibility off it is on the accessibility bus"
    [ $failed -eq 0 ] && echo "ok program_with_accessibility_off"
    # A screen reader started later finds it.
    failed=0
    act on:ScreenReaderEnabled
    tries=0
    until on_bus $pid "--bus=$a11y"; do
        tries=$((tries + 1))
        [ $tries -le 100 ] || { fail "program: switched on later, it is not on the accessibility bus"; break; }
        sleep 0.1
    done
    grep -q 'libatk-bridge-2\.0\.so' /proc/$pid/maps || fail "program: switched on later, it has not loaded the bridge"
    kill -TERM $pid
    wait $pid
    sh "$tests/x-display.sh" stop "$display"
    [ $failed -eq 0 ] && echo "ok program_switched_on_later"
}

if [ "${1:-}" = case ]; then
    shift
    watch=$1 work=$2
    shift 2
    run_case "$@"
    exit 0
fi
if [ "${1:-}" = program ]; then
    program=$2 display=$3 work=$4 tests=$5
    run_program
    exit 0
fi

[ $# -eq 3 ] || { echo "usage: accessibility_status_test.sh STATUS_WATCH PROGRAM DISPLAY" >&2; exit 2; }
watch=$1 program=$2 display=$3
self=$(realpath "$0")
tests=$(realpath "$(dirname "$self")/../..")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" GSETTINGS_BACKEND=memory
mkdir -p "$XDG_CONFIG_HOME"
unset NO_AT_BRIDGE

# The output is read to its end, so that a case whose bus ended early is still waited for.
total=0 passed=0
while IFS='|' read -r name environment before after published dbus; do
    name=$(echo $name)
    [ -n "$name" ] || continue
    total=$((total + 1))
    result=$(dbus-run-session -- sh "$self" case "$watch" "$work" "$name" "$(echo $environment)" \
        "$(echo $before)" "$(echo $after)" "$(echo $published)" "$(echo $dbus)" 2>&1)
    echo "$result" | grep -E '^(ok|FAIL) '
    echo "$result" | grep -q "^ok $name\$" && passed=$((passed + 1))
done <<EOF
$cases
EOF
total=$((total + 2))
result=$(dbus-run-session -- sh "$self" program "$program" "$display" "$work" "$tests" 2>&1)
echo "$result" | grep -E '^(ok|FAIL) '
passed=$((passed + $(echo "$result" | grep -c -E '^ok program_(with_accessibility_off|switched_on_later)$')))
echo "$passed of $total cases passed"
[ $passed -eq $total ]
