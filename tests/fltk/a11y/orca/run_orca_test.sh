#!/bin/sh
# Orca, the screen reader, drives a program as a blind user would:
#   run_orca_test.sh LOGDIR [--show-on-usr1] PROGRAM [ARGUMENT...]
# on the virtual display in DISPLAY (with a window manager), in a session of its own: a private
# session bus (dbus-run-session), HOME and XDG folders of its own with settings in memory (Orca
# and the accessibility bus launcher save settings, which must never reach a developer's desktop),
# and speech-dispatcher whose only output module writes each utterance as a line to
# LOGDIR/speech.log. Orca's debug log goes to LOGDIR/orca.log, the program's output to
# LOGDIR/program.log; the scenario itself is orca_scenario.py (--show-on-usr1: see there).
set -eu
logs=$1
shift
options=""
if [ "${1:-}" = --show-on-usr1 ]; then
    options=$1
    shift
fi
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$logs"
logs=$(cd "$logs" && pwd)
rm -rf "$logs/speech.log" "$logs/orca.log" "$logs/program.log" "$logs/speechd"
mkdir "$logs/speechd"
home=$(mktemp -d)
run="$home/run"

# speech-dispatcher is started by Orca and leaves its session; it names itself in its pid file.
cleanup() {
    pidfile="$run/speech-dispatcher/pid/speech-dispatcher.pid"
    if [ -f "$pidfile" ]; then kill "$(cat "$pidfile")" 2>/dev/null || true; fi
    rm -rf "$home"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
    XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$run"
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=0 LANG=C.UTF-8 LANGUAGE=en
unset DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS LC_ALL LC_MESSAGES
mkdir -p "$run" "$XDG_CONFIG_HOME/speech-dispatcher/modules" "$home/bin"
chmod 700 "$run"

# The generic module runs this once per utterance, with the text in its first argument (it quotes
# the text for the shell). Orca asks for English, which the module passes on in UTF-8. Builtins
# only: an utterance still being written when Orca interrupts it is lost.
cat >"$home/bin/speak" <<EOF
#!/bin/bash
text=\$1
printf '%s\n' "\${text//\$'\n'/ }" >>'$logs/speech.log'
EOF
chmod +x "$home/bin/speak"
cat >"$XDG_CONFIG_HOME/speech-dispatcher/speechd.conf" <<EOF
AddModule "textlog" "sd_generic" "textlog.conf"
DefaultModule textlog
AudioOutputMethod "alsa"
AudioALSADevice "null"
LogDir "$logs/speechd"
LogLevel 4
EOF
cat >"$XDG_CONFIG_HOME/speech-dispatcher/modules/textlog.conf" <<EOF
GenericExecuteSynth "$home/bin/speak '\$DATA'"
AddVoice "en" "MALE1" "textlog"
DefaultVoice "textlog"
GenericLanguage "en" "en" "utf-8"
EOF

# Orca refuses to start while the user runs any other Orca (it asks `pgrep -u UID -x orca`): the
# one on the developer's desktop or another session's test. Orca sees only the Orcas of this run.
# And `orca --replace` ends every process of the user named orca: this run's Orca takes a name
# of its own (Orca names itself with setproctitle when it finds it).
export ZAHLIX_ORCA_RUN="$home"
cat >"$home/bin/setproctitle.py" <<'EOF'
import ctypes


def setproctitle(name):
    ctypes.CDLL("libc.so.6").prctl(15, b"zahlix-orca", 0, 0, 0)
EOF
cat >"$home/bin/pgrep" <<'EOF'
#!/bin/sh
for pid in $(/usr/bin/pgrep "$@"); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "ZAHLIX_ORCA_RUN=$ZAHLIX_ORCA_RUN" && echo "$pid"
done
exit 0
EOF
chmod +x "$home/bin/pgrep"

# Debian's python3 has pyatspi and GTK's bindings; another python3 may come first on PATH.
# dbus-daemon's notes on standard error (the fd limit, services it starts) are harmless.
status=0
dbus-run-session -- /usr/bin/python3 "$here/orca_scenario.py" --logs "$logs" --orca-path "$home/bin" \
    --orca-prefs "$home/orca" $options -- "$@" || status=$?
exit $status
