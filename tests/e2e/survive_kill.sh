#!/usr/bin/env bash
# Robot messages survive a kill: Murmelo killed (SIGKILL) right after the talk robot filed two messages from a
# Unix caller starts again on the same home and lists both in its monitor; one deleted there stays deleted after the
# next kill and start; a corrupt message file is kept aside, renamed, and the other message is read. What the monitor
# holds is read back through its own "Save all": text, sender, host and receipt time as the first run filed them.
# Then the program ends while a caller still talks to the robot, the ways a session ends it (SIGTERM, SIGHUP, the X
# server gone): each time it ends as Exit ends it, and what the caller typed is on disk.
E2E_NAME=survive_kill
source "$(dirname "$0")/lib.sh"
require_root
start_display
make_hosts "zka-$$=10.77.9.91" "zkb-$$=10.77.9.92"
A="zka-$$"
B="zkb-$$"
start_unix_host "$B" || log "the Unix host did not start"

box="$E2E_DIR/messages.txt"
home=$(home_for a "newstyle=0" "talkrobotmode=1" "saveinfile=0" "msgfile=$box")
data="$home/.local/share/Bravik/ZUNO"
monitor='^Murmelo: message monitor$'

# The stored message holding a text: stored_with text
stored_with() { grep -lF -- "$1" "$data"/*.msg 2>/dev/null | head -n1; }
# A Unix caller leaves a message with the robot: leave window text
leave() {
    unix_talk "$1" root@10.77.9.91
    check "the robot answers the caller ($1)" wait_for 15 screen_has "$1" "Leave a message, I will be right back."
    tmux_keys "$1" "$2"
    tmux_keys "$1" Enter
    sleep 0.5
    tmux_keys "$1" C-c
}
# Opens the monitor from the tray menu and focuses it on its table.
open_monitor() {
    TRAY_PID=$pid tray_menu m
    wait_for 10 has_pid_window "$pid" "$monitor" && focus_pid_window "$pid" "$monitor"
}
# Counts the monitor's rows: every row is one block in the container after "Save all" (the file is emptied first).
saved_from_monitor() {
    : >"$box"
    focus_pid_window "$pid" "$monitor" || return 1
    xdotool key Menu
    sleep 0.5
    xdotool key l
    wait_for 5 test -s "$box"
}
blocks() { grep -c '^ -- Message from: ' "$box"; }

start_zuno "$A" "$home" || log "Murmelo did not start"
pid=$ZUNO_PID
leave first "the first one, kept"
check "the first message is on disk" wait_for 10 stored_with "the first one, kept"
leave second "the second one, deleted later"
check "the second message is on disk" wait_for 10 stored_with "the second one, deleted later"
kill -9 "$pid"
check "SIGKILL ends the program" wait_for 5 bash -c "! kill -0 $pid 2>/dev/null"
first_file=$(stored_with "the first one, kept")
received=$(sed -n 's/^received //p' "$first_file")

start_zuno "$A" "$home" || log "Murmelo did not start again"
pid=$ZUNO_PID
open_monitor
check "the monitor lists both messages after the kill" saved_from_monitor
check "two rows" test "$(blocks)" -eq 2
import -window root "$E2E_ARTIFACTS/monitor-after-kill.png" 2>/dev/null

# Delete the second row: End selects the last one.
focus_pid_window "$pid" "$monitor" && xdotool key End
sleep 0.3
xdotool key Menu
sleep 0.5
# "Close an&d callback" and "&Delete" share the letter: the second press reaches Delete.
xdotool key d d Return
check "the deleted message leaves the disk" wait_for 5 bash -c "! grep -qF 'the second one' $data/*.msg"
kill -9 "$pid"
wait_for 5 bash -c "! kill -0 $pid 2>/dev/null"

# A corrupt message file beside the kept one.
printf 'Murmelo robot message 1\nid 999\nreceived garbage\n' >"$data/00000000000000000999.msg"
start_zuno "$A" "$home" || log "Murmelo did not start a third time"
pid=$ZUNO_PID
check "the unreadable file is kept aside, renamed" wait_for 10 test -f "$data/00000000000000000999.msg.unreadable"
check "and the program says so" wait_for 10 has_pid_window "$pid" '^Murmelo$'
focus_pid_window "$pid" '^Murmelo$' && xdotool key Return
open_monitor
check "the monitor lists the kept message alone" saved_from_monitor
check "one row" test "$(blocks)" -eq 1
check "with its text" grep -qF "the first one, kept" "$box"
check "its sender and host" grep -qF " -- Message from: root at 10.77.9.92" "$box"
set -- $received # year month weekday day hour minute second millisecond
check "its receipt date" grep -qF " -- Receipt date: $2/$4/$1" "$box"
check "and its receipt time" grep -qF " -- Receipt time: $5:$6:$7.$8 (local)" "$box"
import -window root "$E2E_ARTIFACTS/monitor-message.png" 2>/dev/null
kill -9 "$pid"
wait_for 5 bash -c "! kill -0 $pid 2>/dev/null"

# ending code: how the session ends the program, and the code it then exits with (the display goes last).
for ending in "TERM 0" "HUP 0" "display 1"; do
    set -- $ending
    start_zuno "$A" "$home" || log "Murmelo did not start ($1)"
    pid=$ZUNO_PID
    unix_talk "$1" root@10.77.9.91
    check "the robot answers the caller ($1)" wait_for 15 screen_has "$1" "Leave a message, I will be right back."
    tmux_keys "$1" "still typing at the $1"
    sleep 1
    if [ "$1" = display ]; then kill "$XVFB_PID"; else kill -"$1" "$pid"; fi
    check "the program ends ($1)" wait_for 10 bash -c "! kill -0 $pid 2>/dev/null"
    wait "$pid"
    code=$?
    check "with the code of its orderly end ($1: $code)" test "$code" -eq "$2"
    check "and what the caller typed is on disk ($1)" stored_with "still typing at the $1"
done
finish
