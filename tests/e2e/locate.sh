#!/usr/bin/env bash
# Calling a person through locate with auto-connect, between two copies of Murmelo, with a Unix talkd
# among the person's hosts: the search tells the two kinds of daemon apart, finds the other copy's talk
# robot and calls it by itself; what the user types is filed there as a robot message.
E2E_NAME=locate
source "$(dirname "$0")/lib.sh"
require_root
start_display
make_hosts "zla-$$=10.77.9.61" "zlb-$$=10.77.9.62" "zlc-$$=10.77.9.63"
A="zla-$$"
B="zlb-$$"
C="zlc-$$"
start_talkd "$B" 10.77.9.62

# Murmelo under test first: trayer docks the first icon at the right end, where the clicks go.
homeA=$(home_for a "newstyle=1" "talktotop=1" "showlookup=1" "autowrap=5")
cat >>"$homeA/.config/Bravik/ZUNO.conf" <<'BOOK'

[People]
Count=1
0=Cee

[Aliases]
Cee%200=root
Cee%20count=1

[Phosts]
Cee%20root%200=10.77.9.62
Cee%20root%201=10.77.9.63
Cee%20root%20count=2
BOOK
start_zuno "$A" "$homeA" || log "Murmelo did not start"
pid=$ZUNO_PID
TRAY_PID=$pid

cbox="$E2E_DIR/c-messages.txt"
homeC=$(home_for c "talkrobotmode=1" "saveinfile=1" "msgfile=$cbox")
start_zuno "$C" "$homeC" || log "the second Murmelo did not start"
pidC=$ZUNO_PID


titles="$E2E_DIR/titles-a.txt"
watch_titles "$pid" "$titles"
tray_double_click
# The search is over before a look could catch its window; the place it stored shows that it opened.
check "Talk opens a search for the top person" wait_for 10 file_has "$homeA/.config/Bravik/ZUNO.conf" "Locate%20left="
check "the search calls the talk robot it found" wait_for 15 has_pid_window "$pid" '^Murmelo: talking to root at 10.77.9.63$'
check "and the locate window has gone" bash -c "! has_pid_window $pid '^Murmelo: looking for'"
focus_pid_window "$pid" '^Murmelo: talking to root' && xdotool type --delay 40 "found you"
sleep 1
import -window root "$E2E_ARTIFACTS/conversation.png" 2>/dev/null
close_conversation "$pid" '^Murmelo: talking to root' 
check "the other copy files what was typed" wait_for 15 file_has "$cbox" "found you"
check "as a message from this host" file_has "$cbox" " -- Message from: root at 10.77.9.61"

# A host that never answers keeps the search from calling a robot by itself: the user picks the row.
sed -i 's/^0=Cee$/0=Dee/; s/^Count=1$/Count=1/' "$homeA/.config/Bravik/ZUNO.conf"
tray_menu e
wait_for 10 bash -c "! kill -0 $pid 2>/dev/null"
sed -i 's/^Cee%/Dee%/' "$homeA/.config/Bravik/ZUNO.conf"
sed -i '/^Dee%20root%201=/a Dee%20root%202=10.77.9.64' "$homeA/.config/Bravik/ZUNO.conf"
sed -i 's/^Dee%20root%20count=2$/Dee%20root%20count=3/' "$homeA/.config/Bravik/ZUNO.conf"
start_zuno "$A" "$homeA" || log "Murmelo did not start again"
pid=$ZUNO_PID
TRAY_PID=$pid
tray_double_click
check "the search window shows its first query" wait_for 10 has_pid_window "$pid" '^Murmelo: looking for Dee \(query #0\)$'
check "and repeats it" wait_for 12 has_pid_window "$pid" '^Murmelo: looking for Dee \(query #1\)$'
import -window root "$E2E_ARTIFACTS/locate.png" 2>/dev/null
click_in "$pid" '^Murmelo: looking for Dee' 60 39   # the robot's row
xdotool key Return
check "Enter on the robot's row calls it" wait_for 10 has_pid_window "$pid" '^Murmelo: talking to root at 10.77.9.63$'
close_conversation "$pid" '^Murmelo: talking to root' 

# Two people at two copies: the other copy's robot is switched off, so its user is rung and answers.
TRAY_PID=$pidC
tray_menu r
TRAY_PID=$pid
tray_double_click
check "the other copy's user is found present and rung" wait_for 15 has_pid_window "$pidC" '^Talk request from$'
answer_prompt "$pidC" alt+t   # "&Talk"
check "the caller's window shows the call" wait_for 10 has_pid_window "$pid" '^Murmelo: talking to root at 10.77.9.63$'
check "the callee's window shows the call" wait_for 10 has_pid_window "$pidC" '^Murmelo: talking to root at 10.77.9.61$'
close_conversation "$pid" '^Murmelo: talking to root' 
check "hanging up leaves the callee's window closed, titled Murmelo" wait_for 10 has_pid_window "$pidC" '^Murmelo$'

tray_menu e
wait_for 10 bash -c "! kill -0 $pid 2>/dev/null"
finish
