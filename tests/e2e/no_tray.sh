#!/usr/bin/env bash
# A desktop without a system tray: Murmelo says so once, keeps answering, and its icon docks when a tray
# appears later.
E2E_NAME=notray
source "$(dirname "$0")/lib.sh"
require_root
start_display --no-tray
make_hosts "zna-$$=10.77.9.71"
A="zna-$$"
home=$(home_for a "newstyle=0")
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
start_again "Action messages"
check "the Messages action exits 0" [ $? -eq 0 ]
check "the running copy opens the message monitor" wait_for 10 has_pid_window "$pid" '^Murmelo: message monitor$'
import -window root "$E2E_ARTIFACTS/handed-over.png" 2>/dev/null
start_again "Action quit"
wait_for 10 bash -c "! kill -0 $pid 2>/dev/null"
wait "$pid"
check "the Exit action ends it with status 0" [ $? -eq 0 ]
finish
