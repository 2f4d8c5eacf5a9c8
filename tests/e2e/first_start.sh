#!/usr/bin/env bash
# The first start of Murmelo as a user meets it: the About box before anything else, the tray icon and
# its menu, another copy refused, and Exit.
E2E_NAME=first
source "$(dirname "$0")/lib.sh"
require_root
start_display
make_hosts "zfa-$$=10.77.9.1"
A="zfa-$$"

home="$E2E_DIR/home-a"
mkdir -p "$home"
ip netns exec "$A" env HOME="$home" XDG_CONFIG_HOME="$home/.config" DISPLAY="$DISPLAY" "$ZUNO" >"$home/zuno.log" 2>&1 &
pid=$!
E2E_PIDS+=("$pid")

check "the About box opens first" wait_for 15 has_window '^Murmelo$'
# The port is taken at once, before any privilege is dropped, but the daemon exists only after the About box: a
# request sent now waits unread, and the daemon throws it away unanswered when it starts.
queued_on_518() { ip netns exec "$A" ss -Huln 'sport = :518' | awk '{ q = $2 } END { exit !(NR > 0 && q '"$1"') }'; }
ip netns exec "$A" bash -c 'printf "a call" >/dev/udp/127.0.0.1/518'
check "nothing answers calls while the About box is open" queued_on_518 '> 0'
focus_window '^Murmelo$' && xdotool key Return
check "after the About box the daemon reads port 518" wait_for 10 queued_on_518 '== 0'
conf="$home/.config/Bravik/ZUNO.conf"
check "the version record is written" wait_for 5 file_has "$conf" "Version=141"
check "the sample person is in the address book" file_has "$conf" "0=Me (sample)"

tray_click 3
sleep 0.8
import -window root "$E2E_ARTIFACTS/tray-menu.png" 2>/dev/null
xdotool key Escape

# A copy with settings of its own (another user's, say) is not this session's: it finds the port taken, says so and
# quits with status 1.
home2="$E2E_DIR/home-a2"
mkdir -p "$home2/.config/Bravik"
printf '[About]\nVersion=141\n' >"$home2/.config/Bravik/ZUNO.conf"
ip netns exec "$A" env HOME="$home2" XDG_CONFIG_HOME="$home2/.config" DISPLAY="$DISPLAY" "$ZUNO" >"$home2/zuno.log" 2>&1 &
pid2=$!
E2E_PIDS+=("$pid2")
check "the second copy explains that another talk program runs" \
    wait_for 10 bash -c "xdotool search --onlyvisible --pid $pid2 | grep -q ."
sleep 1
import -window root "$E2E_ARTIFACTS/second-copy.png" 2>/dev/null
w=$(xdotool search --onlyvisible --pid "$pid2" | tail -n1)
xdotool windowfocus --sync "$w" 2>/dev/null
xdotool key Return
code=0
wait_for 10 bash -c "! kill -0 $pid2 2>/dev/null"
wait "$pid2"
code=$?
check "the second copy exits with status 1" [ "$code" -eq 1 ]
check "the first copy still runs" kill -0 "$pid"

tray_menu e   # &Exit: no messages wait, so no question
wait_for 10 bash -c "! kill -0 $pid 2>/dev/null"
wait "$pid"
code=$?
check "Exit ends the program with status 0" [ "$code" -eq 0 ]
finish
