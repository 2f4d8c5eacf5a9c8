#!/usr/bin/env bash
# A call rings while the user types, under a real window manager (xfwm4): into a conversation, then into another
# program (a terminal). The prompt comes up on top without the keyboard, every key stays where it was typed, and the
# new caller is never answered by what the user types nor reads a word of it. Turning to the prompt (as a taskbar
# click does) and Return after its first second answers.
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
# The second caller gives up: its prompt goes.
tmux_keys second C-c
wait_for 10 bash -c "! has_pid_window '$pid' '^Talk request from$'"

# Typing in another program: a terminal that keeps what it is typed.
command -v xterm >/dev/null || log "xterm is not installed (scripts/deps --test)"
typed="$E2E_DIR/terminal.txt"
xterm -geometry 80x10+500+400 -T terminal -e bash -c "stty -echo; cat > '$typed'" &
E2E_PIDS+=($!)
wait_for 10 has_window '^terminal$'
terminal=$(window_named '^terminal$')
xdotool windowactivate --sync "$terminal"
line="a word typed elsewhere never answers a call"
xdotool type --delay 90 "$line " &
typist=$!
sleep 0.5
unix_talk third root@10.77.9.71
wait_for 5 has_pid_window "$pid" '^Talk request from$'
check "a third caller rings while the terminal is typed in" kill -0 "$typist"
prompt=$(pid_window "$pid" '^Talk request from$')
check "the prompt asks for attention" bash -c "xprop -id '$prompt' _NET_WM_STATE | grep -q DEMANDS_ATTENTION"
wait "$typist"
xdotool key Return
check "the terminal keeps the keyboard" test "$(xdotool getactivewindow)" = "$terminal"
check "every key reached the terminal" wait_for 5 file_has "$typed" "$line"
check "the third caller is neither answered nor reads a word" \
    bash -c "! tmux -S '$E2E_TMUX' capture-pane -p -t third | grep -qE 'Connection established|word'"
# A keyboard user turns to the prompt and answers it with Return.
xdotool windowactivate --sync "$prompt"
sleep 1.2
xdotool key Return
check "turned to, the prompt answers with Return" wait_for 10 screen_has third "Connection established"
kill "$pid" && wait "$pid" # before the display goes
stop_panel_desktop
finish
