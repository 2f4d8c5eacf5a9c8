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
start_unix_host "ztb-$$" || log "the Unix host did not start"
home=$(home_for a "ltra=20") # the robot takes no call while the checks look
start_zuno "zta-$$" "$home" || log "Murmelo did not start"
pid=$ZUNO_PID

unix_talk first root@10.77.9.71
wait_for 10 has_pid_window "$pid" '^Talk request from$' && answer_prompt "$pid" alt+t
check "a first caller is connected" wait_for 10 screen_has first "Connection established"
focus_pid_window "$pid" '^Murmelo: talking to root'
line="hello there, this line is typed while a second call rings"
xdotool type --delay 80 "$line" &
typist=$!
sleep 0.5
unix_talk second root@10.77.9.71
wait_for 5 has_pid_window "$pid" '^Talk request from$'
check "a second caller rings while the user types" kill -0 "$typist"
wait "$typist"
check "every key reached the first caller" wait_for 10 screen_has first "$line"
check "the prompt is on screen" has_pid_window "$pid" '^Talk request from$'
sleep 1
check "the second caller is neither answered nor reads a word" \
    bash -c "! tmux -S '$E2E_TMUX' capture-pane -p -t second | grep -qE 'Connection established|hello'"
kill "$pid" && wait "$pid" # before the display goes
stop_panel_desktop
finish
