#!/usr/bin/env bash
# A daemon tells anyone who asks (LOOK_UP) where a call waits. The talk robot calls a Unix caller back; a Unix talk
# on a third host asks this host's daemon first and connects first: it is refused, the caller still gets through,
# and only the caller's text is filed, under the caller's host.
E2E_NAME=stranger
source "$(dirname "$0")/lib.sh"
require_root
start_display
make_hosts "zsa-$$=10.77.9.41" "zsb-$$=10.77.9.42" "zsc-$$=10.77.9.43"
start_unix_host "zsb-$$" || log "the Unix host did not start"
box="$E2E_DIR/messages.txt"
start_zuno "zsa-$$" "$(home_for a "ltra=3" "saveinfile=1" "msgfile=$box")" || log "Murmelo did not start"
stranger() { tmux -S "$E2E_DIR/tmux-c" "$@"; }
stranger_has() { stranger capture-pane -p -t s | grep -qF -- "$1"; }
rung() { { tmux_screen shell; tmux_screen caller; } | grep -qF Talk_Daemon; }
hung_up() { [ "$(tmux -S "$E2E_TMUX" display -p -t caller '#{pane_current_command}')" = sleep ]; }

# root at B asks for ROOT: this daemon rings (names match whatever their case), but B's talkd holds the invitation
# for ROOT alone, so the robot finds none for root and calls root back.
unix_talk caller ROOT@10.77.9.41
check "the robot calls the caller back" wait_for 30 rung
# The caller hangs up, and its DELETE takes its own invitation away, which a LOOK_UP for root would find first.
tmux_keys caller C-c
check "the caller hangs up" wait_for 10 hung_up
ip netns exec "zsc-$$" tmux -S "$E2E_DIR/tmux-c" new-session -d -s s -x 100 -y 30 "talk root@10.77.9.41; sleep 30"
check "the stranger connects first and is refused" wait_for 15 stranger_has "Lost the connection"
stranger send-keys -t s "slipped in" Enter
sleep 1
stranger send-keys -t s C-c
unix_talk answer root@10.77.9.41
check "the caller gets through to the robot" wait_for 15 screen_has answer "Leave a message"
tmux_keys answer "the real caller" Enter
sleep 1
tmux_keys answer C-c
check "the caller's text is filed" wait_for 10 file_has "$box" "the real caller"
check "under the caller's host" file_has "$box" " -- Message from: root at 10.77.9.42"
check "the stranger's text is not" bash -c "! grep -q 'slipped in' '$box'"
kill "$ZUNO_PID"
wait_for 10 bash -c "! kill -0 $ZUNO_PID 2>/dev/null"
finish
