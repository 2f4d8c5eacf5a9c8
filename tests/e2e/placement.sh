#!/usr/bin/env bash
# Placement under xfwm4, which frames a window some time after it is shown: the locate window, opened and closed
# three times, stores each time the outer rectangle it had on the screen, the same one; maximised with Alt+F10 and
# closed, it keeps the normal rectangle stored, and opens there again.
E2E_NAME=placement
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/panel_lib.sh"
require_root
require_panel_desktop
start_panel_desktop || log "the panel did not start"
make_hosts "zpl-$$=10.77.9.101"
# Dee's only host is an address where nothing answers: the search window stays until it is closed.
home=$(home_for a "newstyle=1" "talktotop=1")
conf="$home/.config/Bravik/ZUNO.conf"
printf '[People]\nCount=1\n0=Dee\n[Aliases]\nDee%%200=root\nDee%%20count=1\n' >>"$conf"
printf '[Phosts]\nDee%%20root%%200=10.77.9.104\nDee%%20root%%20count=1\n' >>"$conf"
start_zuno "zpl-$$" "$home" || log "Murmelo did not start"
pid=$ZUNO_PID
title='^Murmelo: looking for Dee'
wait_for 10 panel_icon_visible

# "left top right bottom" as stored, and of the frame around the window on the screen.
stored() { for side in left top right bottom; do sed -n "s/^Locate%20$side=//p" "$conf"; done | xargs; }
framed() {
    local w
    w=$(pid_window "$pid" "$title") || return 1
    set -- $(xprop -id "$w" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g') \
        $(xwininfo -id "$w" | awk '/Absolute upper-left|Width:|Height:/ { print $NF }')
    [ $# -eq 8 ] && echo "$(($5 - $1)) $(($6 - $3)) $(($5 + $7 + $2)) $(($6 + $8 + $4))"
}
stored_is() { [ "$(stored)" = "$1" ]; }
settled() { [ "$(framed)" = "$(stored)" ]; }
no_search() { ! has_pid_window "$pid" "$title"; }
open_search() { panel_icon_click 1 && wait_for 10 has_pid_window "$pid" "$title" && wait_for 5 settled; }
close_search() { focus_pid_window "$pid" "$title" && xdotool key Escape && wait_for 5 no_search; }

normal="204 153 816 612" # the middle three fifths of 1024 by 768
for run in 1 2 3; do
    open_search
    on_screen=$(framed)
    close_search
    check "run $run: the window lay on the first rectangle ($on_screen)" test "$on_screen" = "$normal"
    check "run $run: and stored it" wait_for 5 stored_is "$on_screen"
done
open_search
focus_pid_window "$pid" "$title" && xdotool key alt+F10
w=$(pid_window "$pid" "$title")
check "Alt+F10 maximises the window" wait_for 5 bash -c "xprop -id $w _NET_WM_STATE | grep -q MAXIMIZED_VERT"
close_search
check "closed maximised, it keeps the normal rectangle stored" wait_for 2 stored_is "$normal"
open_search
check "and opens there again ($(framed))" test "$(framed)" = "$normal"
close_search
stop_panel_desktop
finish
