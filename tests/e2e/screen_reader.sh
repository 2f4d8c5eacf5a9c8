#!/usr/bin/env bash
# A screen-reader user: with assistive technology on (a private accessibility bus), what a Unix talk peer types
# reaches the desktop's speech service (a real speech-dispatcher whose log records every message it is asked to
# speak), a line at a time and after a pause; a robot conversation nobody watches says nothing. Every control of
# the prompt, the conversation, the message monitor, the Customize sheet and the talk-to dialog has a name on
# the accessibility bus, and the monitor is a window there.
E2E_NAME=screen_reader
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/speech_lib.sh"
require_root
require_speech_session
# Debian's own Python, which has the accessibility bindings.
PY=/usr/bin/python3
start_display
start_speech_session

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
check "the robot's conversation said nothing" bash -c "! grep -qF 'left for the robot' '$SPEECH_DIR/log/speech-dispatcher.log'"

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
