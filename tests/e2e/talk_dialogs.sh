#!/usr/bin/env bash
# The tray's Talk command as a user meets it. Old connect style: a double click on the icon opens
# "Talk to..." by host and user; what is typed is remembered and called. New connect style: the person
# dialog opens with the top person, and it opens again where the user last moved it.
E2E_NAME=dialogs
source "$(dirname "$0")/lib.sh"
require_root
start_display
make_hosts "zda-$$=10.77.9.21" "zdb-$$=10.77.9.22"
A="zda-$$"
B="zdb-$$"
start_talkd "$B" 10.77.9.22

home=$(home_for a "newstyle=0")
conf="$home/.config/Bravik/ZUNO.conf"
start_zuno "$A" "$home" || log "Murmelo did not start"
pid=$ZUNO_PID

tray_double_click
check "a double click opens Talk to..." wait_for 10 has_window '^Talk to\.\.\.$'
sleep 0.5
import -window root "$E2E_ARTIFACTS/hostuser-empty.png" 2>/dev/null
focus_window '^Talk to\.\.\.$'
xdotool type --delay 30 10.77.9.22
xdotool key Tab
xdotool type --delay 30 root
xdotool key Return
check "the dialog closes on Enter" wait_for 5 bash -c "! xdotool search --onlyvisible --name '^Talk to' | grep -q ."
check "a conversation window opens" \
    wait_for 10 bash -c "xdotool search --all --onlyvisible --pid $pid --name '^Murmelo' | grep -q ."
check "the host is remembered" wait_for 5 file_has "$conf" "host0=10.77.9.22"
check "the user is remembered" file_has "$conf" "user0=root"

tray_double_click
check "the next dialog opens" wait_for 10 has_window '^Talk to\.\.\.$'
sleep 0.5
import -window root "$E2E_ARTIFACTS/hostuser-history.png" 2>/dev/null
focus_window '^Talk to\.\.\.$'
xdotool key Escape
check "Escape cancels it" wait_for 5 bash -c "! xdotool search --onlyvisible --name '^Talk to' | grep -q ."

tray_menu e
wait_for 10 bash -c "! kill -0 $pid 2>/dev/null"

# The new connect style with one person in the book.
sed -i 's/^newstyle=0$/newstyle=1/' "$conf"
printf '\n[People]\nCount=2\n0=Anna\n1=Bea\n' >>"$conf"
start_zuno "$A" "$home" || log "Murmelo did not start again"
pid=$ZUNO_PID
tray_double_click
check "the person dialog opens" wait_for 10 has_window '^Talk to\.\.\.$'
w=$(window_named '^Talk to\.\.\.$')
xdotool windowmove --sync "$w" 100 200 2>/dev/null
sleep 0.5
import -window root "$E2E_ARTIFACTS/person.png" 2>/dev/null
check "its new place is kept" wait_for 5 bash -c "grep -q '^Pre%20x=100$' '$conf' || grep -q '^Pre x=100$' '$conf'"
focus_window '^Talk to\.\.\.$'
xdotool key Escape
check "Escape closes it" wait_for 5 bash -c "! xdotool search --onlyvisible --name '^Talk to' | grep -q ."
tray_double_click
check "it opens again" wait_for 10 has_window '^Talk to\.\.\.$'
w=$(window_named '^Talk to\.\.\.$')
check "where it was moved to" bash -c "xdotool getwindowgeometry '$w' | grep -q 'Position: 100,200'"

tray_menu e
wait_for 10 bash -c "! kill -0 $pid 2>/dev/null"
finish
