#!/usr/bin/env bash
# The roads of an incoming call as a user meets them, against the real Unix talk and talkd:
# a call answered from the prompt; an unanswered call taken by the talk robot, its message blinking the
# tray, read, saved and called back from the monitor; a caller rule changed in the Customize sheet and
# applied by the daemon; Exit while messages wait, its question blocking neither a new caller's prompt nor
# the conversation.
E2E_NAME=calls
source "$(dirname "$0")/lib.sh"
require_root
start_display
make_hosts "zca-$$=10.77.9.31" "zcb-$$=10.77.9.32"
A="zca-$$"
B="zcb-$$"
start_unix_host "$B" || log "the Unix host did not start"

box="$E2E_DIR/messages.txt"
home=$(home_for a "ltra=5" "saveinfile=1" "msgfile=$box" "tab=2")
conf="$home/.config/Bravik/ZUNO.conf"
start_zuno "$A" "$home" || log "Murmelo did not start"
pid=$ZUNO_PID

# 0. Ignore closes the prompt; Unix talk's next announcement (every 30 s) rings again; the caller giving up
#    closes it.
unix_talk call0 root@10.77.9.31
check "a Unix caller rings the prompt" wait_for 10 has_pid_window "$pid" '^Talk request from$'
answer_prompt "$pid" alt+i   # "&Ignore"
check "Ignore closes it" wait_for 5 bash -c "! has_pid_window $pid '^Talk request from\$'"
check "the next announcement rings again" wait_for 40 has_pid_window "$pid" '^Talk request from$'
tmux_keys call0 C-c
check "the caller giving up closes the prompt" wait_for 10 bash -c "! has_pid_window $pid '^Talk request from\$'"

# 1. A Unix user calls; the prompt rings; the user answers with Talk.
unix_talk call1 root@10.77.9.31
check "the prompt rings" wait_for 10 has_pid_window "$pid" '^Talk request from$'
import -window root "$E2E_ARTIFACTS/prompt.png" 2>/dev/null
answer_prompt "$pid" alt+t   # "&Talk"
check "the conversation connects" wait_for 10 has_pid_window "$pid" '^Murmelo: talking to root at 10.77.9.32$'
check "the caller sees the connection" wait_for 10 screen_has call1 "Connection established"
focus_pid_window "$pid" '^Murmelo: talking to root' && xdotool type --delay 40 "hello unix"
check "what the user types reaches the Unix caller" wait_for 10 screen_has call1 "hello unix"
tmux_keys call1 "hello murmelo"
sleep 1
import -window root "$E2E_ARTIFACTS/conversation.png" 2>/dev/null
tmux_keys call1 C-c
check "the caller hangs up: the window stays with the title Murmelo" wait_for 10 has_pid_window "$pid" '^Murmelo$'
focus_pid_window "$pid" '^Murmelo$' && xdotool key alt+f && sleep 0.3 && xdotool key c
check "File Close ends the window" wait_for 10 bash -c "! xdotool search --all --onlyvisible --pid $pid --name '^Murmelo$' | grep -q ."

# 2. Nobody answers: after the robot delay the talk robot takes the call and keeps the message.
unix_talk call2 root@10.77.9.31
check "the prompt rings again" wait_for 10 has_pid_window "$pid" '^Talk request from$'
check "the robot answers with its text" wait_for 20 screen_has call2 "Leave a message, I will be right back."
check "the prompt has gone" bash -c "! xdotool search --all --onlyvisible --pid $pid --name '^Talk request from$' | grep -q ."
tmux_keys call2 "please call me"
tmux_keys call2 Enter
sleep 1
tmux_keys call2 C-c
check "the message is copied to the container file" wait_for 10 file_has "$box" "please call me"
check "with its sender line" file_has "$box" " -- Message from: root at 10.77.9.32"

tray_click 3
sleep 0.8
import -window root "$E2E_ARTIFACTS/tray-messages.png" 2>/dev/null
xdotool key m
check "the tray's Messages opens the monitor" wait_for 10 has_pid_window "$pid" '^Murmelo: message monitor$'
focus_pid_window "$pid" '^Murmelo: message monitor$'
eval "$(xdotool getwindowgeometry --shell "$(pid_window "$pid" '^Murmelo: message monitor$')")"
xdotool mousemove $((X + 60)) $((Y + 30)) click 1
sleep 0.5
import -window root "$E2E_ARTIFACTS/monitor.png" 2>/dev/null
# The context menu: Close and callback, Callback, -, Delete, Save, ...
xdotool mousemove $((X + 60)) $((Y + 30)) click 3
sleep 0.5
xdotool key Down Down Down Down Return
check "Save appends the block once more" wait_for 5 bash -c "[ \$(grep -c 'End of message' '$box') -eq 2 ]"

xdotool mousemove $((X + 60)) $((Y + 30)) click 3
sleep 0.5
xdotool key Down Down Return
check "Callback rings the caller's terminal" wait_for 15 screen_has shell "Message from Talk_Daemon"
tmux_keys shell "talk root@10.77.9.31" Enter
check "the call back connects" wait_for 15 has_pid_window "$pid" '^Murmelo: talking to root at 10.77.9.32$'
tmux_keys shell C-c

# 3. Exit while messages wait asks first; No brings the monitor to the front.
windows_named() { xdotool search --all --onlyvisible --pid "$pid" --name "$1" 2>/dev/null | sort | tr '\n' ' '; }
before=$(windows_named '^Murmelo$')
tray_menu e
check "Exit asks because messages wait" wait_for 5 bash -c "[ \"\$(xdotool search --all --onlyvisible --pid $pid --name '^Murmelo\$' | sort | tr '\n' ' ')\" != '$before' ]"
sleep 0.3
import -window root "$E2E_ARTIFACTS/exit-question.png" 2>/dev/null
#    While the question waits, a caller rings: the prompt answers to Return and the conversation takes keys.
unix_talk call4 root@10.77.9.31
check "a caller rings while the question waits" wait_for 10 has_pid_window "$pid" '^Talk request from$'
answer_prompt "$pid" Return
check "Return on the prompt answers it" wait_for 10 has_pid_window "$pid" '^Murmelo: talking to root at 10.77.9.32$'
focus_pid_window "$pid" '^Murmelo: talking to root' && xdotool type --delay 40 "past the question"
check "the conversation takes keys meanwhile" wait_for 10 screen_has call4 "past the question"
close_conversation "$pid" '^Murmelo: talking to root at 10.77.9.32$'
check "and closes" wait_for 10 bash -c "! has_pid_window $pid '^Murmelo: talking to root'"
tmux_keys call4 C-c
focus_pid_window "$pid" '^Murmelo$' && xdotool key n
check "the program keeps running" kill -0 "$pid"
check "the monitor is shown" wait_for 5 has_pid_window "$pid" '^Murmelo: message monitor$'

# 4. A caller rule made in the Customize sheet (Action page): root is refused even urgent calls.
tray_menu c
wait_for 5 has_pid_window "$pid" '^Murmelo: customize$' || tray_menu c
check "Customize opens on the Action page" wait_for 10 has_pid_window "$pid" '^Murmelo: customize$'
sleep 0.5
sheet='^Murmelo: customize$'
click_in "$pid" "$sheet" 88 53          # "Default action"
xdotool key Insert                       # a new caller entry, in edit
sleep 0.3
xdotool key ctrl+a
xdotool type --delay 30 root
xdotool key Return
sleep 0.3
click_in "$pid" "$sheet" 359 96          # "Ref&use urgent"
import -window root "$E2E_ARTIFACTS/customize-rule.png" 2>/dev/null
click_in "$pid" "$sheet" 382 396         # OK
check "OK stores the rule" wait_for 10 bash -c "grep -q '^s0=root$' '$conf' && grep -q '^i0=1$' '$conf'"
check "the sheet closes" wait_for 5 bash -c "! has_pid_window $pid '$sheet'"
unix_talk call3 root@10.77.9.31
check "the daemon refuses the caller" wait_for 15 screen_has call3 "refusing messages"

tray_menu e
check "Exit asks again" wait_for 5 has_pid_window "$pid" '^Murmelo$'
focus_pid_window "$pid" '^Murmelo$' && xdotool key y
wait_for 10 bash -c "! kill -0 $pid 2>/dev/null"
wait "$pid"
code=$?
check "Yes ends the program with status 0" [ "$code" -eq 0 ]
finish
