#!/usr/bin/env bash
# Murmelo in a real desktop panel (xfwm4 and xfce4-panel, whose notification area speaks StatusNotifier): the icon
# registers with the panel and shows in it; a right click opens its menu (the panel draws it), and so does a host's
# ContextMenu call (the program shows it); one click starts Talk (the panel sends no
# double click); a message the talk robot takes from a Unix caller raises a desktop notification (xfce4-notifyd),
# whose click opens the monitor, and puts Messages into the menu, which is one entry taller and opens the monitor.
E2E_NAME=panel
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/panel_lib.sh"
require_root
require_panel_desktop
start_panel_desktop || log "the panel did not start"
notices="$E2E_DIR/notifications.txt"
watch_notifications "$notices"
make_hosts "zpa-$$=10.77.9.81" "zpb-$$=10.77.9.82"
A="zpa-$$"
B="zpb-$$"
start_unix_host "$B" || log "the Unix host did not start"

box="$E2E_DIR/messages.txt"
home=$(home_for a "newstyle=0" "talkrobotmode=1" "saveinfile=1" "msgfile=$box")
start_zuno "$A" "$home" || log "Murmelo did not start"
pid=$ZUNO_PID

check "the panel's watcher lists the icon" wait_for 10 sn_item_of "$pid"
check "the icon shows in the panel" wait_for 10 panel_icon_visible
import -window root "$E2E_ARTIFACTS/panel.png" 2>/dev/null

before=$(visible_windows)
panel_icon_click 3
check "a right click opens its menu" wait_for 5 popup_below_panel "$before"
sleep 0.3
menu_height=$(popup_below_panel "$before")
import -window root "$E2E_ARTIFACTS/menu.png" 2>/dev/null
check "the panel draws it alone" bash -c "! has_pid_window $pid ''"
xdotool key Escape
check "Escape closes the menu" wait_for 5 no_popup_below_panel "$before"

# A host that cannot draw the menu (swaybar) asks the program to show it, where the pointer is.
menu_at() { for w in $(xdotool search --onlyvisible --pid "$pid"); do
    eval "$(xdotool getwindowgeometry --shell "$w")"; [ "$X $Y" = "$1 $2" ] && [ "$HEIGHT" -gt 60 ] && return 0; done; return 1; }
xdotool mousemove 500 300
sn_call "$pid" ContextMenu int32:500 int32:300
check "a host's ContextMenu call shows the menu at the pointer" wait_for 5 menu_at 500 300
import -window root "$E2E_ARTIFACTS/context-menu.png" 2>/dev/null
xdotool key Escape
check "Escape closes it" wait_for 5 bash -c "! has_pid_window $pid ''"

panel_icon_click 1
check "one click starts Talk" wait_for 10 has_pid_window "$pid" '^Talk to\.\.\.$'
import -window root "$E2E_ARTIFACTS/talk.png" 2>/dev/null
focus_pid_window "$pid" '^Talk to\.\.\.$' && xdotool key Escape
check "Escape cancels it" wait_for 5 bash -c "! has_pid_window $pid '^Talk to\.\.\.\$'"

# The talk robot is on: a Unix caller leaves a message.
unix_talk call root@10.77.9.81
check "the robot answers the Unix caller" wait_for 15 screen_has call "Leave a message, I will be right back."
tmux_keys call "left in the panel"
tmux_keys call Enter
sleep 0.5
tmux_keys call C-c
check "the message is filed" wait_for 10 file_has "$box" "left in the panel"
check "a notification says who left it" wait_for 10 grep -q 'string "Message from root at ' "$notices"
check "and the first line of what was left" grep -q 'string "left in the panel"' "$notices"
check "the notification shows" wait_for 10 notification_window
sleep 0.5
import -window root "$E2E_ARTIFACTS/notification.png" 2>/dev/null

# Messages joins the menu while it is closed: the panel's menu is one entry taller, not scrolling.
before=$(visible_windows)
panel_icon_click 3
wait_for 5 popup_below_panel "$before"
sleep 0.5
import -window root "$E2E_ARTIFACTS/menu-messages.png" 2>/dev/null
check "the menu grows by the Messages entry" test "$(popup_below_panel "$before")" -gt "${menu_height:-999}"
xdotool key Escape
wait_for 5 no_popup_below_panel "$before"

# xfce4-notifyd shows the notification's default action as a button in its lower right corner.
read -r _ nx ny nw nh < <(notification_window)
xdotool mousemove $((nx + nw - 50)) $((ny + nh - 28)) click 1
check "clicking the notification opens the monitor" wait_for 10 has_pid_window "$pid" '^Murmelo: message monitor$'
check "and closes it" wait_for 5 no_notification_window
import -window root "$E2E_ARTIFACTS/monitor.png" 2>/dev/null
focus_pid_window "$pid" '^Murmelo: message monitor$' && xdotool key alt+F4
check "the monitor closes" wait_for 5 bash -c "! has_pid_window $pid '^Murmelo: message monitor\$'"

panel_icon_click 3
sleep 0.5
xdotool key m
check "Messages in the menu opens the monitor" wait_for 10 has_pid_window "$pid" '^Murmelo: message monitor$'

# Exit asks while messages wait; Yes ends the program.
panel_icon_click 3
sleep 0.5
xdotool key e
wait_for 5 focus_pid_window "$pid" '^Murmelo$' && xdotool key y
check "Exit ends the program" wait_for 10 bash -c "! kill -0 $pid 2>/dev/null"
check "and its icon leaves the panel" wait_for 5 no_sn_item_of "$pid"
stop_panel_desktop
finish
