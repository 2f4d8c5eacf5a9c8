# A screen-reader user's session for the end-to-end suite (source after lib.sh): a session bus, the accessibility
# bus, and a real speech-dispatcher with a module that speaks nowhere, whose log records every message it is asked
# to speak. Assistive technology counts as on for the program (QT_ACCESSIBILITY).

SPEECH_DIR="$E2E_DIR/speech"

# Skips (77) where the session's packages are not installed.
require_speech_session() {
    for tool in dbus-daemon speech-dispatcher; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/deps --test)"; exit 77; }
    done
    [ -x /usr/libexec/at-spi-bus-launcher ] && /usr/bin/python3 -c 'import pyatspi' 2>/dev/null ||
        { echo "SKIP: at-spi2-core or python3-pyatspi is not installed (scripts/deps --test)"; exit 77; }
}

# The bus starts no service by itself: a notification daemon's pop-ups would lie over the tray where clicks go.
start_speech_session() {
    cat >"$E2E_DIR/bus.conf" <<CONF
<busconfig><type>session</type><listen>unix:path=$XDG_RUNTIME_DIR/bus</listen>
<policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy>
</busconfig>
CONF
    dbus-daemon --config-file="$E2E_DIR/bus.conf" --fork --print-pid >"$E2E_DIR/dbus.pid"
    E2E_PIDS+=("$(cat "$E2E_DIR/dbus.pid")")
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/bus"
    /usr/libexec/at-spi-bus-launcher --launch-immediately >"$E2E_DIR/atspi.log" 2>&1 &
    E2E_PIDS+=($!)
    mkdir -p "$SPEECH_DIR/conf/modules" "$SPEECH_DIR/log"
    printf 'AddModule "silent" "sd_generic" "silent.conf"\nDefaultModule silent\nAudioOutputMethod "alsa"\nAudioALSADevice "null"\n' \
        >"$SPEECH_DIR/conf/speechd.conf"
    printf 'GenericExecuteSynth "true"\nGenericLanguage "en" "en" "utf-8"\nAddVoice "en" "MALE1" "en"\n' \
        >"$SPEECH_DIR/conf/modules/silent.conf"
    start_speech_dispatcher
    export QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
}

# speech-dispatcher of the session; sets SPEECH_PID.
start_speech_dispatcher() {
    speech-dispatcher -s -t 0 -l 5 -L "$SPEECH_DIR/log" -C "$SPEECH_DIR/conf" >>"$SPEECH_DIR/out.log" 2>&1 &
    SPEECH_PID=$!
    E2E_PIDS+=("$SPEECH_PID")
    wait_for 10 test -S "$XDG_RUNTIME_DIR/speech-dispatcher/speechd.sock" || log "speech-dispatcher did not start"
}

# Ends speech-dispatcher (and its output modules) and starts it again, as a desktop session restarts it.
restart_speech_dispatcher() {
    local modules
    modules=$(pgrep -P "$SPEECH_PID")
    kill "$SPEECH_PID" $modules 2>/dev/null
    wait "$SPEECH_PID" 2>/dev/null
    rm -f "$XDG_RUNTIME_DIR/speech-dispatcher/speechd.sock"
    start_speech_dispatcher
}

# Stops or continues speech-dispatcher and its output modules with a signal (STOP, CONT): a stopped one takes
# requests into its socket and answers none.
signal_speech_dispatcher() {
    kill -"$1" "$SPEECH_PID" $(pgrep -P "$SPEECH_PID")
}

spoken() { grep -qF -- "Queueing message |$1|" "$SPEECH_DIR/log/speech-dispatcher.log"; }
unspoken() { ! spoken "$1"; }
