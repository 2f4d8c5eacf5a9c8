#!/usr/bin/env bash
# A screen-reader user: with assistive technology on (a private accessibility bus), what a Unix talk peer types
# reaches the desktop's speech service (a real speech-dispatcher whose log records every message it is asked to
# speak), a line at a time and after a pause; a robot conversation nobody watches says nothing. Every control of
# the prompt, the conversation, the message monitor, the Customize sheet and the talk-to dialog has a name on
# the accessibility bus, and the monitor is a window there.
E2E_NAME=screen_reader
source "$(dirname "$0")/lib.sh"
require_root
# Debian's own Python, which has the accessibility bindings.
PY=/usr/bin/python3
for tool in dbus-daemon speech-dispatcher; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/deps --test)"; exit 77; }
done
[ -x /usr/libexec/at-spi-bus-launcher ] && "$PY" -c 'import pyatspi' 2>/dev/null ||
    { echo "SKIP: at-spi2-core or python3-pyatspi is not installed (scripts/deps --test)"; exit 77; }
start_display

# The session: its bus, the accessibility bus, and speech-dispatcher with a module that speaks nowhere.
# The bus starts no service by itself: a notification daemon's pop-ups would lie over the tray where clicks go.
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
speech="$E2E_DIR/speech"
mkdir -p "$speech/conf/modules" "$speech/log"
printf 'AddModule "silent" "sd_generic" "silent.conf"\nDefaultModule silent\nAudioOutputMethod "alsa"\nAudioALSADevice "null"\n' \
    >"$speech/conf/speechd.conf"
printf 'GenericExecuteSynth "true"\nGenericLanguage "en" "en" "utf-8"\nAddVoice "en" "MALE1" "en"\n' \
    >"$speech/conf/modules/silent.conf"
speech-dispatcher -s -t 0 -l 5 -L "$speech/log" -C "$speech/conf" >"$speech/out.log" 2>&1 &
E2E_PIDS+=($!)
wait_for 10 test -S "$XDG_RUNTIME_DIR/speech-dispatcher/speechd.sock" || log "speech-dispatcher did not start"
spoken() { grep -qF -- "Queueing message |$1|" "$speech/log/speech-dispatcher.log"; }
export QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

make_hosts "zsa-$$=10.77.9.161" "zsb-$$=10.77.9.162"
start_unix_host "zsb-$$" || log "the Unix host did not start"
start_zuno "zsa-$$" "$(home_for a "ltra=60" "talkrobotmode=1" "newstyle=0")" || log "Murmelo did not start"
pid=$ZUNO_PID
title='^Murmelo: talking to root at 10.77.9.162$'

# 1. The robot takes a call at once: what the caller types to it is filed, never spoken.
unix_talk robot root@10.77.9.161
wait_for 10 screen_has robot "Connection established"
tmux_keys robot "left for the robot" Enter
sleep 2
tmux_keys robot C-c
tray_menu r # the robot off again

# 2. A call the user takes: the peer's lines are spoken.
unix_talk live root@10.77.9.161
check "the prompt rings" wait_for 10 has_pid_window "$pid" '^Talk request from$'
"$PY" "$(dirname "$0")/atspi_controls.py" "$pid" >"$E2E_ARTIFACTS/atspi.txt"
answer_prompt "$pid" alt+t
check "the conversation connects" wait_for 10 has_pid_window "$pid" "$title"
wait_for 10 screen_has live "Connection established"
tmux_keys live "hello screen reader" Enter
check "a completed line is spoken" wait_for 10 spoken "hello screen reader"
tmux_keys live "helo" BSpace "lo there"
check "a line is spoken after a pause, as the erases left it" wait_for 10 spoken "hello there"
check "the robot's conversation said nothing" bash -c "! grep -qF 'left for the robot' '$speech/log/speech-dispatcher.log'"

# 3. Every window of the program on the accessibility bus.
tray_menu m
check "the monitor opens" wait_for 10 has_pid_window "$pid" '^Murmelo: message monitor$'
tray_menu t # the old connect style: host and user
check "a talk-to dialog opens" wait_for 10 has_pid_window "$pid" '^Talk to\.\.\.$'
tray_menu c
wait_for 5 has_pid_window "$pid" '^Murmelo: customize$' || tray_menu c
check "the Customize sheet opens" wait_for 10 has_pid_window "$pid" '^Murmelo: customize$'
sleep 1
"$PY" "$(dirname "$0")/atspi_controls.py" "$pid" >>"$E2E_ARTIFACTS/atspi.txt"
tree="$E2E_ARTIFACTS/atspi.txt"
cat "$tree"
for window in 'Talk request from' 'Murmelo: talking to root at 10.77.9.162' 'Murmelo: customize' 'Talk to...'; do
    check "on the accessibility bus: $window" grep -qE "^WINDOW (frame|dialog|window)	$window\$" "$tree"
done
check "the monitor is a window there" grep -qxF "WINDOW frame	Murmelo: message monitor" "$tree"
check "no control without a name" bash -c "! grep -q '^UNNAMED' '$tree'"
finish
