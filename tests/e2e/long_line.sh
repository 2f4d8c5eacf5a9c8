#!/usr/bin/env bash
# One line without a break from a real Unix talk peer: 1 MiB pasted into its terminal reaches the conversation
# window while the daemon, which shares the program's one thread, keeps answering look-ups within a second; the
# window then holds the whole line, and copying it gives it back byte for byte.
E2E_NAME=long_line
source "$(dirname "$0")/lib.sh"
require_root
command -v xclip >/dev/null || { echo "SKIP: xclip is not installed (scripts/deps --test)"; exit 77; }
start_display
make_hosts "zla-$$=10.77.9.151" "zlb-$$=10.77.9.152"
A="zla-$$"
B="zlb-$$"
start_unix_host "$B" || log "the Unix host did not start"
home=$(home_for a "ltra=60")
start_zuno "$A" "$home" || log "Murmelo did not start"
pid=$ZUNO_PID
title='^Murmelo: talking to root at 10.77.9.152$'

line="$E2E_DIR/line.txt"
yes 'abcdefghijklmnopqrstuvwxyz0123456789' | tr -d '\n' | head -c $((1024 * 1024)) >"$line"
# A LOOK_UP for root (84 bytes: version 1, type 1, id 0, both addresses 127.0.0.1, names "root").
zeros() { head -c "$1" /dev/zero; }
lookup="$E2E_DIR/lookup.bin"
{
    printf '\1\1\0\0' && zeros 4
    printf '\0\2\0\0\177\0\0\1' && zeros 8
    printf '\0\2\0\0\177\0\0\1' && zeros 12
    printf root && zeros 8 && printf root && zeros 24
} >"$lookup"
# Sends it to the daemon inside namespace A and prints the milliseconds until the reply; fails after 5 s without.
lookup_ms() {
    ip netns exec "$A" bash -c 'exec 3<>/dev/udp/127.0.0.1/518 && start=${EPOCHREALTIME/./} && cat "$1" >&3 &&
        read -r -t 5 -N 1 -u 3 && echo $(((${EPOCHREALTIME/./} - start) / 1000))' - "$lookup"
}
answers_lookup() { lookup_ms >/dev/null; }
copied_whole() {
    xdotool key ctrl+a ctrl+c
    sleep 0.3
    xclip -o -selection clipboard 2>/dev/null | cmp -s - "$line"
}

unix_talk long root@10.77.9.151
check "the prompt rings" wait_for 10 has_pid_window "$pid" '^Talk request from$'
focus_pid_window "$pid" '^Talk request from$' && xdotool key alt+t
check "the conversation connects" wait_for 10 has_pid_window "$pid" "$title"
check "the caller sees the connection" wait_for 10 screen_has long "Connection established"
check "the daemon answers a look-up" answers_lookup
click_in "$pid" "$title" 100 60 # into the remote pane

tmux -S "$E2E_TMUX" load-buffer -b line "$line"
tmux -S "$E2E_TMUX" paste-buffer -d -b line -t long
worst=0
arrived=
end=$((SECONDS + 90))
while [ $SECONDS -lt $end ]; do
    ms=$(lookup_ms) || ms=5000
    [ "$ms" -gt "$worst" ] && worst=$ms
    copied_whole && arrived=1 && break
done
log "the longest wait for a look-up's reply while the line arrived: $worst ms"
check "the daemon answers every look-up within a second meanwhile" [ "$worst" -lt 1000 ]
check "the window holds the whole line, and copying gives it back exactly" [ -n "$arrived" ]
import -window root "$E2E_ARTIFACTS/long-line.png" 2>/dev/null
finish
