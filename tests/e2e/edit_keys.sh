#!/usr/bin/env bash
# The keyboard of a conversation under a real window manager (xfwm4), with netkit talk as the peer: Ctrl+W and Ctrl+U
# erase the local word and line, and the peer's screen keeps what the pane keeps; Ctrl+Tab takes the focus to the
# remote pane, where typing sends nothing, and Ctrl+Shift+Tab brings it back. A second conversation opens a title bar
# lower and to the right of the first, which keeps the stored place.
E2E_NAME=keys
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/panel_lib.sh"
require_root
require_panel_desktop
start_panel_desktop || log "the desktop did not start"
make_hosts "zka-$$=10.77.9.81" "zkb-$$=10.77.9.82"
start_unix_host "zkb-$$" || log "the Unix host did not start"
home=$(home_for a "ltra=20") # the robot takes no call while the checks look
conf="$home/.config/Bravik/ZUNO.conf"
start_zuno "zka-$$" "$home" || log "Murmelo did not start"
pid=$ZUNO_PID
talking='^Murmelo: talking to root'

unix_talk first root@10.77.9.81
wait_for 10 has_pid_window "$pid" '^Talk request from$' && answer_prompt "$pid" alt+t
check "a first caller is connected" wait_for 10 screen_has first "Connection established"
focus_pid_window "$pid" "$talking"
xdotool type --delay 60 "abc def" && xdotool key ctrl+w && xdotool type "X"
check "Ctrl+W: the peer sees the word erased" wait_for 10 screen_has first "abc X"
xdotool key Return && xdotool type --delay 60 "scrap it" && xdotool key ctrl+u && xdotool type "ok"
check "Ctrl+U: the peer sees the line erased" wait_for 10 screen_has first "ok"
check "nothing of the erased line is left" bash -c "! tmux -S '$E2E_TMUX' capture-pane -p -t first | grep -q scrap"
xdotool key ctrl+Tab && xdotool type "lost" && xdotool key ctrl+shift+Tab && xdotool type "!"
check "keys in the remote pane send nothing; Ctrl+Shift+Tab comes back" wait_for 10 screen_has first "ok!"

stored() { for side in left top; do sed -n "s/^Tinst%20$side=//p" "$conf"; done | xargs; }
before=$(stored)
unix_talk second root@10.77.9.81
# A prompt that rings over an active conversation gives the keyboard back within its first second: answer after.
wait_for 10 has_pid_window "$pid" '^Talk request from$' && sleep 1.5 && answer_prompt "$pid" alt+t
check "a second caller is connected" wait_for 10 screen_has second "Connection established"
# The client areas' corners, the first window's first.
corners() {
    for w in $(xdotool search --all --onlyvisible --pid "$pid" --name "$talking" | sort -n); do
        xwininfo -id "$w" | awk '/Absolute upper-left/ { printf "%s ", $NF }'
    done
}
set -- $(corners)
log "conversation windows at $*; stored $before, now $(stored)"
check "two conversation windows" test $# -eq 4
step=$(($3 - $1))
check "the second lies one title bar ($step) lower and to the right" test "$step" -gt 10 -a "$(($4 - $2))" -eq "$step"
check "the stored place is the first window's" test "$(stored)" = "$before"
kill "$pid" && wait "$pid" # before the display goes
stop_panel_desktop
finish
