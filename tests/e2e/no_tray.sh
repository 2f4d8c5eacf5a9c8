#!/usr/bin/env bash
# A desktop without a system tray (xfwm4 and a session bus with xfce4-notifyd, no panel: GNOME as shipped): Murmelo
# says so once and how to reach it, keeps answering, announces a message the talk robot takes from a Unix caller
# with a desktop notification whose click opens the monitor; starting it again and the menu entry's actions reach
# the running copy (the Talk robot actions say in a notification what the switch is now), and its icon docks when a
# tray appears later.
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

# Starting it again, and the menu entry's actions, as the desktop runs them: the Exec lines of the desktop file.
entry="$(dirname "$0")/../../packaging/zuno.desktop"
exec_of() { sed -n "/^\[Desktop ${1:-Entry}/,/^\[/s/^Exec=zuno//p" "$entry" | head -n1; }
start_again() {
    # shellcheck disable=SC2046
    ip netns exec "$A" env HOME="$home" XDG_CONFIG_HOME="$home/.config" DISPLAY="$DISPLAY" \
        XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" timeout 30 "$ZUNO" $(exec_of "$@") >>"$home/again.log" 2>&1
}
start_again
check "a second start hands over and exits 0" [ $? -eq 0 ]
check "it shows no box of its own" [ ! -s "$home/again.log" ]
check "the running copy opens Talk" wait_for 10 has_pid_window "$pid" '^Talk to\.\.\.$'
focus_pid_window "$pid" '^Talk to\.\.\.$' && xdotool key Escape
start_again "Action messages"
check "the Messages action exits 0" [ $? -eq 0 ]
check "the running copy opens the message monitor" wait_for 10 has_pid_window "$pid" '^Murmelo: message monitor$'
import -window root "$E2E_ARTIFACTS/handed-over.png" 2>/dev/null
focus_pid_window "$pid" '^Murmelo: message monitor$' && xdotool key alt+F4
wait_for 5 bash -c "! has_pid_window $pid '^Murmelo: message monitor\$'"
start_again "Action robot-off"
check "the Talk robot off action exits 0" [ $? -eq 0 ]
check "a notification says the robot is off" wait_for 10 grep -q 'string "The talk robot is off' "$notices"

start_tray
icon_docked() { for w in $(xdotool search --onlyvisible --pid "$pid"); do
    eval "$(xdotool getwindowgeometry --shell "$w")"; [ "$WIDTH" -le 40 ] && [ "$Y" -lt 40 ] && return 0; done; return 1; }
check "the icon docks when a tray appears" wait_for 10 icon_docked
start_again "Action quit" &
quitter=$!
wait_for 5 focus_pid_window "$pid" '^Murmelo$' && xdotool key y   # Exit anyway: a message waits
wait_for 10 bash -c "! kill -0 $pid 2>/dev/null"
wait "$pid"
check "the Exit action ends it with status 0" [ $? -eq 0 ]
wait "$quitter"
check "and the action itself exits 0" [ $? -eq 0 ]
stop_panel_desktop
finish
