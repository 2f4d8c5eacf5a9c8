#!/usr/bin/env bash
# Under Wayland (sway, headless), as an ordinary user: the program runs natively, a Unix caller's prompt floats and
# answers Return once its first second is over, text goes both ways, the File menu closes the window, and the
# place stored in an X11 session survives (Wayland tells a program no position, and the size of a tiled window is
# sway's, not the user's).
E2E_NAME=wayland
source "$(dirname "$0")/lib.sh"
[ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root (network namespaces, a test user)"; exit 77; }
for tool in sway swaymsg wtype grim convert python3 setpriv tmux ip talk in.ntalkd inetd; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/deps --test)"; exit 77; }
done
ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1 ||
    { echo "SKIP: Qt's Wayland platform plugin is not installed (qt6-wayland)"; exit 77; }

# sway refuses root: everything on the display runs as a test user, with its own runtime folder and session bus.
WL_USER=zwayland
id "$WL_USER" >/dev/null 2>&1 || useradd -m "$WL_USER"
chmod 711 "$E2E_DIR"
WL_RUN="$E2E_DIR/wl-runtime"
mkdir -p "$WL_RUN" && chown "$WL_USER": "$WL_RUN" && chmod 700 "$WL_RUN"
home=$(home_for a "ltra=60")
conf="$home/.config/Bravik/ZUNO.conf"
printf '[Windows]\nTinst%%20left=111\nTinst%%20top=122\nTinst%%20right=711\nTinst%%20bottom=522\n' >>"$conf"
chown -R "$WL_USER": "$home"
# Started in the background without a subshell between, so that $! is the process itself (and cleanup ends it).
AS_USER=(setpriv --reuid="$WL_USER" --regid="$WL_USER" --init-groups env -i PATH=/usr/bin:/bin HOME="$home"
    XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$WL_RUN" WAYLAND_DISPLAY=wayland-wl SWAYSOCK="$WL_RUN/sway.sock"
    DBUS_SESSION_BUS_ADDRESS="unix:path=$WL_RUN/bus")
as_user() { "${AS_USER[@]}" "$@"; }
wl_shot() { as_user grim - >"$1"; }
E2E_SCREENSHOT=wl_shot

printf 'output HEADLESS-1 resolution 1280x800\nxwayland disable\n' >"$E2E_DIR/sway.conf"
"${AS_USER[@]}" dbus-daemon --session --address="unix:path=$WL_RUN/bus" --nofork >"$E2E_DIR/dbus.log" 2>&1 &
E2E_PIDS+=($!)
# sway names its socket wayland-N; a link gives it the name the clients use.
"${AS_USER[@]}" env -u WAYLAND_DISPLAY WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$E2E_DIR/sway.conf" \
    >"$E2E_DIR/sway.log" 2>&1 &
E2E_PIDS+=($!)
wait_for 10 bash -c "ls '$WL_RUN'/wayland-? && [ -S '$WL_RUN/sway.sock' ]" || log "sway did not start"
ln -s "$(basename "$(ls "$WL_RUN"/wayland-? | head -n1)")" "$WL_RUN/wayland-wl"
# A keyboard that stays: with none, the seat has no keyboard between two wtype runs, and menus close at once.
"${AS_USER[@]}" wtype -s 3600000 -k Escape &
E2E_PIDS+=($!)
keys() { as_user wtype "$@"; }

# "shell pid app_id floating focused x y width height" of the windows whose title matches, from sway's tree.
window() {
    as_user swaymsg -t get_tree | python3 -c '
import json, re, sys
def walk(n, floating=False):
    if n.get("pid") and re.search(sys.argv[1], n["name"] or ""):
        r, w = n["rect"], n["window_rect"]
        print(n.get("shell"), n["pid"], n.get("app_id"), int(floating), int(n["focused"]),
              r["x"] + w["x"], r["y"] + w["y"], w["width"], w["height"])
    for c in n.get("nodes", []): walk(c)
    for c in n.get("floating_nodes", []): walk(c, True)
walk(json.load(sys.stdin))' "$1"
}
has_window() { [ -n "$(window "$1")" ]; }
no_window() { [ -z "$(window "$1")" ]; }
focused_floating() { window "$1" | grep -q '^xdg_shell [0-9]* zuno 1 1 '; }

make_hosts "zwa-$$=10.77.9.41" "zwb-$$=10.77.9.42"
A="zwa-$$"
B="zwb-$$"
# Port 518 for an ordinary user, in this namespace only.
ip netns exec "$A" sysctl -qw net.ipv4.ip_unprivileged_port_start=0
start_unix_host "$B" || log "the Unix host did not start"
# QT_QPA_PLATFORM unset: Qt picks Wayland from WAYLAND_DISPLAY.
ip netns exec "$A" "${AS_USER[@]}" "$ZUNO" >"$home/zuno.log" 2>&1 &
pid=$!
E2E_PIDS+=("$pid")
check "the program binds port 518 as an ordinary user" wait_for 10 bash -c "ip netns exec $A ss -Huln 'sport = :518' | grep -q ."
# Without a tray a notice says how to reach the program; it takes Return once its first second is over.
if wait_for 5 has_window '^Murmelo$'; then
    check "its windows are native Wayland windows" test "$(window '^Murmelo$' | cut -d' ' -f1-3)" = "xdg_shell $pid zuno"
    sleep 1.2
    keys -k Return
    wait_for 5 no_window '^Murmelo$'
fi

unix_talk call1 "$WL_USER@10.77.9.41"
check "a Unix caller rings: the prompt floats and has the keyboard" wait_for 10 focused_floating '^Talk request from$'
# sway gave it the keyboard, not the user: keys typed for another window answer nothing, however late.
sleep 1.2
keys -k Return
sleep 1
check "a key that reached the prompt before the user turned to it answers nothing" \
    bash -c "! tmux -S '$E2E_TMUX' capture-pane -p -t call1 | grep -q 'Connection established'"
# The user switches away from it and back, then Return answers.
as_user swaymsg -q workspace 2
sleep 0.5
as_user swaymsg -q workspace 1
sleep 0.5
keys -k Return
check "Return answers it: the conversation opens" wait_for 10 has_window '^Murmelo: talking to root at 10.77.9.42$'
check "the caller sees the connection" wait_for 10 screen_has call1 "Connection established"
keys "hello unix"
check "what the user types reaches the caller" wait_for 10 screen_has call1 "hello unix"

# The remote pane (the upper part of the window) is black until the caller's text arrives.
read -r _ _ _ _ _ x y width height <<<"$(window '^Murmelo: talking to root')"
upper_pane() {
    wl_shot "$E2E_DIR/pane.png"
    convert "$E2E_DIR/pane.png" -crop "$((width - 40))x$((height / 3))+$((x + 2))+$((y + 22))" -colorspace Gray \
        -format '%[fx:maxima > 0.5]' info:
}
check "the remote pane is empty before the caller types" test "$(upper_pane)" = 0
tmux_keys call1 "hello wayland"
pane_shows_text() { [ "$(upper_pane)" = 1 ]; }
check "what the caller types shows in the remote pane" wait_for 10 pane_shows_text
wl_shot "$E2E_ARTIFACTS/conversation.png"

tmux_keys call1 C-c
check "the caller hangs up: the window stays with the title Murmelo" wait_for 10 has_window '^Murmelo$'
keys -M alt -k f -m alt
sleep 0.5
keys -k c
check "File Close ends the window" wait_for 10 no_window '^Murmelo$'
stored() { for side in left top right bottom; do sed -n "s/^Tinst%20$side=//p" "$conf"; done | xargs; }
# The conversation was tiled: its size was sway's, not the user's, and the stored one stays for the X11 session.
check "the stored position and size are kept ($(stored); the tile was ${width}x$height)" \
    test "$(stored)" = "111 122 711 522"
check "the program keeps running" kill -0 "$pid"
finish
