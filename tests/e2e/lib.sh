# Shared helpers for the end-to-end suite: an X display with a real system tray, network namespaces
# joined by a bridge, Murmelo instances and Unix talk peers inside them, and checks that keep screenshots
# when they fail. Every address used is inside namespaces this suite creates (10.77.9.0/24).
set -uo pipefail
E2E_SUPPORT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../support" && pwd)
# shellcheck source=../support/talkd.sh
source "$E2E_SUPPORT/talkd.sh"

E2E_NAME=${E2E_NAME:-e2e}
ZUNO=${ZUNO:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build/zuno}
E2E_DIR=$(mktemp -d "/tmp/zuno-$E2E_NAME.XXXXXX")
# The run's own tmux server: a server that an earlier run left behind (killed by a timeout) is never reached.
E2E_TMUX="$E2E_DIR/tmux"
E2E_ARTIFACTS=${E2E_ARTIFACTS:-$E2E_DIR/artifacts}
mkdir -p "$E2E_ARTIFACTS"
E2E_PIDS=()
E2E_NETNS=()
E2E_PASSED=0
E2E_FAILED=0
export XDG_RUNTIME_DIR=$E2E_DIR/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
# No session bus unless a run starts its own (panel_lib.sh): the program would start one for the display, and the
# desktop's notification service with it, whose notifications lie over the tray where the clicks go.
export DBUS_SESSION_BUS_ADDRESS="unix:path=$E2E_DIR/no-session-bus"

log() { printf '[%s] %s\n' "$(date +%T)" "$*"; }

require_root() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "SKIP: the end-to-end suite needs root (network namespaces, port 518)"
        exit 77
    fi
    for tool in Xvfb trayer xdotool import tmux ip talk in.ntalkd inetd; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/deps --test)"; exit 77; }
    done
}

cleanup() {
    talkd_stop_all
    for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
    sleep 0.3
    for pid in "${E2E_PIDS[@]}"; do kill -9 "$pid" 2>/dev/null; done
    for ns in "${E2E_NETNS[@]}"; do
        ip netns pids "$ns" 2>/dev/null | xargs -r kill -9 2>/dev/null
        ip netns del "$ns" 2>/dev/null
    done
    tmux -S "$E2E_TMUX" kill-server 2>/dev/null
    if [ "$E2E_FAILED" -eq 0 ] && [ -z "${E2E_KEEP:-}" ]; then rm -rf "$E2E_DIR"; else echo "artifacts kept in $E2E_ARTIFACTS"; fi
}
trap cleanup EXIT

# An X display with trayer as the system tray. Sets DISPLAY, and XVFB_PID to the X server's process.
start_display() {
    local n
    for n in $(seq 90 120); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
    done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$E2E_DIR/xvfb.log" 2>&1 &
    XVFB_PID=$!
    E2E_PIDS+=($!)
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    [ "${1:-}" = "--no-tray" ] && return
    start_tray
}

start_tray() {
    trayer --edge top --align right --widthtype request --height 32 >"$E2E_DIR/trayer.log" 2>&1 &
    E2E_PIDS+=($!)
    sleep 1
}

# Namespaces joined through a bridge in a hub namespace: make_hosts name=address ...
make_hosts() {
    local hub="zhub-$E2E_NAME-$$"
    ip netns add "$hub" && E2E_NETNS+=("$hub")
    ip -n "$hub" link add br0 type bridge
    ip -n "$hub" link set br0 up
    local i=0 spec name addr
    for spec in "$@"; do
        name=${spec%%=*}
        addr=${spec#*=}
        ip netns add "$name" && E2E_NETNS+=("$name")
        ip link add "zv$i-$$" type veth peer name "zp$i-$$"
        ip link set "zv$i-$$" netns "$name"
        ip link set "zp$i-$$" netns "$hub"
        ip -n "$name" link set "zv$i-$$" name eth0
        ip -n "$name" addr add "$addr/24" dev eth0
        ip -n "$name" link set lo up
        ip -n "$name" link set eth0 up
        ip -n "$hub" link set "zp$i-$$" master br0
        ip -n "$hub" link set "zp$i-$$" up
        i=$((i + 1))
    done
}

# A home with a settings file for one Murmelo: home_for name [settings lines...]
home_for() {
    local name=$1
    shift
    local home="$E2E_DIR/home-$name"
    mkdir -p "$home/.config/Bravik"
    {
        printf '[About]\nVersion=141\nDate=12/20/96\n\n[Settings]\n'
        printf '%s\n' "$@"
    } >"$home/.config/Bravik/ZUNO.conf"
    echo "$home"
}

# Starts Murmelo in a namespace with a home: start_zuno ns home. Sets ZUNO_PID.
start_zuno() {
    local ns=$1 home=$2
    ip netns exec "$ns" env HOME="$home" XDG_CONFIG_HOME="$home/.config" DISPLAY="$DISPLAY" \
        XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" "$ZUNO" >"$home/zuno.log" 2>&1 &
    ZUNO_PID=$!
    E2E_PIDS+=("$ZUNO_PID")
    # Ready when its daemon answers on port 518.
    for _ in $(seq 100); do
        ip netns exec "$ns" ss -Huln 'sport = :518' | grep -q . && return 0
        sleep 0.1
    done
    return 1
}

# netkit talkd under inetd in a namespace, on port 518 of its address.
start_talkd() {
    local ns=$1 addr=$2
    mkdir -p "$E2E_DIR/talkd-$ns"
    talkd_start "$E2E_DIR/talkd-$ns" "$addr" 518 "$ns"
}

# A command in a tmux pane inside a namespace: tmux_start ns session command...
tmux_start() {
    local ns=$1 session=$2
    shift 2
    ip netns exec "$ns" tmux -S "$E2E_TMUX" new-session -d -s "$session" -x 100 -y 30 "$*"
}
tmux_keys() { tmux -S "$E2E_TMUX" send-keys -t "$1" "${@:2}"; }
tmux_screen() { tmux -S "$E2E_TMUX" capture-pane -p -t "$1"; }

# Waits until a condition holds: wait_for seconds command...
wait_for() {
    local seconds=$1
    shift
    local end=$((SECONDS + seconds))
    while [ $SECONDS -lt $end ]; do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.2
    done
    return 1
}

window_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n1; }
has_window() { [ -n "$(window_named "$1")" ]; }
screen_has() { tmux_screen "$1" | grep -qF -- "$2"; }
file_has() { [ -f "$1" ] && grep -qF -- "$2" "$1"; }

focus_window() {
    local w
    w=$(window_named "$1") || return 1
    [ -n "$w" ] || return 1
    xdotool windowactivate --sync "$w" 2>/dev/null || xdotool windowfocus --sync "$w" 2>/dev/null
    sleep 0.2
}

# Where the tray icon is: that of process TRAY_PID when set (several copies share one tray), else the
# right end of trayer's strip, where the first icon docks.
tray_point() {
    local w
    if [ -n "${TRAY_PID:-}" ]; then
        for w in $(xdotool search --onlyvisible --pid "$TRAY_PID" 2>/dev/null); do
            eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)"
            if [ "${WIDTH:-99}" -le 40 ] && [ "${Y:-99}" -lt 40 ]; then
                echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
                return
            fi
        done
    fi
    echo "1012 16"
}
tray_click() { xdotool mousemove $(tray_point) click "${1:-1}"; }
tray_double_click() { xdotool mousemove $(tray_point) click --repeat 2 --delay 80 1; }
# Opens the tray menu and picks the entry with the given accelerator letter.
tray_menu() {
    tray_click 3
    sleep 0.8
    xdotool key "$1"
    sleep 0.5
}

# One check: check "what the user would see" command...
check() {
    local what=$1
    shift
    if "$@"; then
        log "ok: $what"
        E2E_PASSED=$((E2E_PASSED + 1))
    else
        log "FAILED: $what"
        E2E_FAILED=$((E2E_FAILED + 1))
        local shot
        shot="$E2E_ARTIFACTS/$(printf '%02d' "$((E2E_PASSED + E2E_FAILED))")-$(echo "$what" | tr -c 'A-Za-z0-9' '_' | cut -c1-60).png"
        ${E2E_SCREENSHOT:-import -window root} "$shot" 2>/dev/null && log "screenshot: $shot"
    fi
}

finish() {
    echo "$E2E_PASSED passed, $E2E_FAILED failed"
    [ "$E2E_FAILED" -eq 0 ]
}

# A Unix host: netkit talkd under inetd and a tmux server, in a private mount namespace whose /run holds
# a fresh utmp, so that talkd can ring the user of the tmux pane "shell" ("Message from Talk_Daemon@...").
start_unix_host() {
    local ns=$1
    local run="$E2E_DIR/run-$ns"
    mkdir -p "$run" "$E2E_DIR/talkd-$ns"
    cat >"$E2E_DIR/unix-$ns.sh" <<INNER
mount --bind "$run" /run
: >/run/utmp
chgrp utmp /run/utmp 2>/dev/null
chmod 664 /run/utmp
source "$E2E_SUPPORT/talkd.sh"
talkd_start "$E2E_DIR/talkd-$ns" 0.0.0.0 518
tmux -S "$E2E_TMUX" new-session -d -s shell -x 100 -y 30 bash
tty=\$(tmux -S "$E2E_TMUX" display -p -t shell '#{pane_tty}')
chgrp tty "\$tty"
chmod g+w "\$tty"
wait
INNER
    ip netns exec "$ns" unshare -m --propagation private bash "$E2E_DIR/unix-$ns.sh" >"$E2E_DIR/unix-$ns.log" 2>&1 &
    E2E_PIDS+=($!)
    wait_for 10 tmux -S "$E2E_TMUX" has-session -t shell
}

# A talk client in a new tmux window of the Unix host: unix_talk window target
unix_talk() { tmux -S "$E2E_TMUX" new-window -d -n "$1" "talk $2; sleep 30"; }

# Visible windows of a process with a title matching a pattern.
# (The tray icon's own small window, also titled Murmelo, is never one of them.)
pid_window() {
    local w found=
    for w in $(xdotool search --all --onlyvisible --pid "$1" --name "$2" 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)"
        [ "${WIDTH:-0}" -gt 40 ] && found=$w
    done
    [ -n "$found" ] && echo "$found"
}
has_pid_window() { [ -n "$(pid_window "$1" "$2")" ]; }
focus_pid_window() {
    local w
    w=$(pid_window "$1" "$2")
    [ -n "$w" ] || return 1
    xdotool windowactivate --sync "$w" 2>/dev/null || xdotool windowfocus --sync "$w" 2>/dev/null
    sleep 0.3
}

# Answers a ringing prompt of a process with a key, as a user does: answer_prompt pid key. No key does anything in
# a prompt in its first second on screen (keys typed for another window never answer a call): the key waits.
answer_prompt() {
    focus_pid_window "$1" '^Talk request from$' || return 1
    sleep 1
    xdotool key "$2"
}

# Clicks at a point of a window given relative to its top-left corner: click_in pid pattern dx dy [button]
click_in() {
    local w
    w=$(pid_window "$1" "$2")
    [ -n "$w" ] || return 1
    eval "$(xdotool getwindowgeometry --shell "$w")"
    xdotool mousemove $((X + $3)) $((Y + $4)) click "${5:-1}"
    sleep 0.3
}
export -f pid_window has_pid_window

# Records the titles of a process's windows every 50 ms into a file (for windows that come and
# go faster than a check could look): watch_titles pid file; stop it with kill $WATCH_PID.
watch_titles() {
    (
        while kill -0 "$1" 2>/dev/null; do
            for w in $(xdotool search --pid "$1" 2>/dev/null); do
                xdotool getwindowname "$w" 2>/dev/null
            done
            sleep 0.05
        done
    ) >>"$2" &
    WATCH_PID=$!
    E2E_PIDS+=("$WATCH_PID")
}

# Ends a conversation the way a user does, with File and Close, on the window of a process whose title
# matches (moved to a free corner first, as windows of two copies may lie on one another).
close_conversation() {
    local w
    w=$(pid_window "$1" "$2")
    [ -n "$w" ] || return 1
    xdotool windowmove --sync "$w" 0 40 2>/dev/null
    xdotool windowraise "$w" 2>/dev/null
    sleep 0.3
    click_in "$1" "$2" 20 8     # "&File"
    sleep 0.3
    click_in "$1" "$2" 40 30    # "&Close"
}
