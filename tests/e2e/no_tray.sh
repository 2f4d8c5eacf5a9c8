#!/usr/bin/env bash
# A desktop without a system tray (xfwm4 and a session bus with xfce4-notifyd, no panel: GNOME as shipped): Murmelo
# says so once and how to reach it, keeps answering, announces a message the talk robot takes from a Unix caller
# with a desktop notification whose click opens the monitor, and its icon docks when a tray appears later.
E2E_NAME=notray
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/panel_lib.sh"
require_root
require_panel_desktop
start_bare_desktop || log "the desktop did not start"
notices="$E2E_DIR/notifications.txt"
watch_notifications "$notices"
make_hosts "zna-$$=10.77.9.71" "znb-$$=10.77.9.72"
A="zna-$$"
start_unix_host "znb-$$" || log "the Unix host did not start"
box="$E2E_DIR/messages.txt"
home=$(home_for a "newstyle=0" "talkrobotmode=1" "saveinfile=1" "msgfile=$box")
start_zuno "$A" "$home" || log "Murmelo did not start"
pid=$ZUNO_PID
check "it says that there is no tray" wait_for 10 has_pid_window "$pid" '^Murmelo$'
import -window root "$E2E_ARTIFACTS/no-tray.png" 2>/dev/null
check "and keeps its daemon on port 518" bash -c "ip netns exec $A ss -Huln 'sport = :518' | grep -q ."
focus_pid_window "$pid" '^Murmelo$' && xdotool key Return   # OK on the notice
check "the notice closes" wait_for 5 bash -c "! has_pid_window $pid '^Murmelo\$'"

unix_talk call root@10.77.9.71
check "the robot answers the Unix caller" wait_for 15 screen_has call "Leave a message, I will be right back."
tmux_keys call "left without a tray"
tmux_keys call Enter
sleep 0.5
tmux_keys call C-c
check "the message is filed" wait_for 10 file_has "$box" "left without a tray"
check "a notification says who left it" wait_for 10 grep -q 'string "Message from root at ' "$notices"
check "the notification shows" wait_for 10 notification_window
import -window root "$E2E_ARTIFACTS/notification.png" 2>/dev/null
read -r _ nx ny nw nh < <(notification_window)
xdotool mousemove $((nx + nw - 50)) $((ny + nh - 28)) click 1
check "clicking it opens the monitor" wait_for 10 has_pid_window "$pid" '^Murmelo: message monitor$'
focus_pid_window "$pid" '^Murmelo: message monitor$' && xdotool key alt+F4
wait_for 5 bash -c "! has_pid_window $pid '^Murmelo: message monitor\$'"

start_tray
icon_docked() { for w in $(xdotool search --onlyvisible --pid "$pid"); do
    eval "$(xdotool getwindowgeometry --shell "$w")"; [ "$WIDTH" -le 40 ] && [ "$Y" -lt 40 ] && return 0; done; return 1; }
check "the icon docks when a tray appears" wait_for 10 icon_docked
TRAY_PID=$pid
tray_menu e
wait_for 5 focus_pid_window "$pid" '^Murmelo$' && xdotool key y   # Exit anyway: a message waits
wait_for 10 bash -c "! kill -0 $pid 2>/dev/null"
wait "$pid"
check "Exit still works" [ $? -eq 0 ]
stop_panel_desktop
finish
