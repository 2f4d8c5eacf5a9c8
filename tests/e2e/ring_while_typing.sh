#!/usr/bin/env bash
# A call rings while the user types into a conversation, under a real window manager (xfwm4): the prompt comes up on
# top, every key stays in the conversation, and the new caller is never answered by what the user types.
E2E_NAME=typing
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/panel_lib.sh"
require_root
require_panel_desktop
start_panel_desktop || log "the desktop did not start"
make_hosts "zta-$$=10.77.9.71" "ztb-$$=10.77.9.72"
A="zta-$$"
B="ztb-$$"
start_unix_host "$B" || log "the Unix host did not start"
# The longest robot delay: the robot must not take the second call while the checks look at it.
home=$(home_for a "ltra=20")
start_zuno "$A" "$home" || log "Murmelo did not start"
pid=$ZUNO_PID

# The conversation the user types in: a first Unix caller, answered.
unix_talk first root@10.77.9.71
check "the first caller rings" wait_for 10 has_pid_window "$pid" '^Talk request from$'
answer_prompt "$pid" alt+t
check "the first caller is connected" wait_for 10 screen_has first "Connection established"
conversation='^Murmelo: talking to root at 10.77.9.72$'
focus_pid_window "$pid" "$conversation"

# The user types a long line; a second caller rings in the middle of it.
line="hello there, this line is typed while a second call rings"
xdotool type --delay 80 "$line" &
typist=$!
sleep 0.5
unix_talk second root@10.77.9.71
check "the second caller rings" wait_for 10 has_pid_window "$pid" '^Talk request from$'
check "while the user is still typing" kill -0 "$typist"
import -window root "$E2E_ARTIFACTS/ringing.png" 2>/dev/null
wait "$typist"
check "every key reached the conversation's caller" wait_for 10 screen_has first "$line"
check "the prompt is on screen" has_pid_window "$pid" '^Talk request from$'
check "the conversation keeps the keyboard" [ "$(xdotool getactivewindow)" = "$(pid_window "$pid" "$conversation")" ]
sleep 1
import -window root "$E2E_ARTIFACTS/after.png" 2>/dev/null
not_connected() { ! screen_has second "Connection established"; }
check "the second caller is not answered" not_connected
check "and read none of the line" bash -c "! tmux -S '$E2E_TMUX' capture-pane -p -t second | grep -q hello"
tmux_keys second C-c
tmux_keys first C-c
# Quit as from the desktop entry's action, before the display goes.
ip netns exec "$A" env HOME="$home" XDG_CONFIG_HOME="$home/.config" DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" \
    "$ZUNO" --quit
check "the program quits" wait_for 10 bash -c "! kill -0 $pid 2>/dev/null"
stop_panel_desktop
finish
