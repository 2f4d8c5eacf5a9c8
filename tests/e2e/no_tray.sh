#!/usr/bin/env bash
# A desktop without a system tray: Murmelo says so once, keeps answering, and its icon docks when a tray
# appears later.
E2E_NAME=notray
source "$(dirname "$0")/lib.sh"
require_root
start_display --no-tray
make_hosts "zna-$$=10.77.9.71"
A="zna-$$"
home=$(home_for a)
start_zuno "$A" "$home" || log "Murmelo did not start"
pid=$ZUNO_PID
check "it says that there is no tray" wait_for 10 has_pid_window "$pid" '^Murmelo$'
import -window root "$E2E_ARTIFACTS/no-tray.png" 2>/dev/null
check "and keeps its daemon on port 518" bash -c "ip netns exec $A ss -Huln 'sport = :518' | grep -q ."
start_tray
icon_docked() { for w in $(xdotool search --onlyvisible --pid "$pid"); do
    eval "$(xdotool getwindowgeometry --shell "$w")"; [ "$WIDTH" -le 40 ] && [ "$Y" -lt 40 ] && return 0; done; return 1; }
check "the icon docks when a tray appears" wait_for 10 icon_docked
click_in "$pid" '^Murmelo$' 450 60   # OK on the notice
TRAY_PID=$pid
tray_menu e
wait_for 10 bash -c "! kill -0 $pid 2>/dev/null"
wait "$pid"
check "Exit still works" [ $? -eq 0 ]
finish
