#!/usr/bin/env bash
# A Unix talk peer sends 1 MiB without a line break: the daemon, which shares the program's one thread, answers
# look-ups within a second meanwhile, and the window then holds the whole line, copied back byte for byte.
E2E_NAME=long_line
source "$(dirname "$0")/lib.sh"
require_root
command -v xclip >/dev/null || { echo "SKIP: xclip is not installed (scripts/deps --test)"; exit 77; }
start_display
make_hosts "zla-$$=10.77.9.151" "zlb-$$=10.77.9.152"
A="zla-$$"
start_unix_host "zlb-$$" || log "the Unix host did not start"
start_zuno "$A" "$(home_for a "ltra=60")" || log "Murmelo did not start"
pid=$ZUNO_PID
title='^Murmelo: talking to root at 10.77.9.152$'
line="$E2E_DIR/line.txt"
yes 'abcdefghijklmnopqrstuvwxyz0123456789' | tr -d '\n' | head -c $((1024 * 1024)) >"$line"
# A LOOK_UP for root (84 bytes: version 1, type 1, id 0, both addresses 127.0.0.1) to the daemon inside the
# namespace: prints the milliseconds until its reply, or fails after 5 s without one.
lookup="$E2E_DIR/lookup.bin"
{ printf '\1\1\0\0\0\0\0\0\0\2\0\0\177\0\0\1' && head -c 8 /dev/zero && printf '\0\2\0\0\177\0\0\1' &&
    head -c 12 /dev/zero && printf root && head -c 8 /dev/zero && printf root && head -c 24 /dev/zero; } >"$lookup"
lookup_ms() {
    ip netns exec "$A" bash -c 'exec 3<>/dev/udp/127.0.0.1/518 && start=${EPOCHREALTIME/./} && cat "$1" >&3 &&
        read -r -t 5 -N 1 -u 3 && echo $(((${EPOCHREALTIME/./} - start) / 1000))' - "$lookup"
}
copied_whole() {
    xdotool key ctrl+a ctrl+c && sleep 0.3
    xclip -o -selection clipboard 2>/dev/null | cmp -s - "$line"
}

unix_talk long root@10.77.9.151
check "the prompt rings" wait_for 10 has_pid_window "$pid" '^Talk request from$'
answer_prompt "$pid" alt+t
check "the conversation connects" wait_for 10 has_pid_window "$pid" "$title"
wait_for 10 screen_has long "Connection established"
check "the daemon answers a look-up" [ -n "$(lookup_ms)" ]
click_in "$pid" "$title" 100 60 # into the remote pane
tmux -S "$E2E_TMUX" load-buffer -b line "$line"
tmux -S "$E2E_TMUX" paste-buffer -d -b line -t long
worst=0 arrived= end=$((SECONDS + 90))
while [ $SECONDS -lt $end ] && [ -z "$arrived" ]; do
    ms=$(lookup_ms) || ms=5000
    [ "$ms" -gt "$worst" ] && worst=$ms
    copied_whole && arrived=1
done
log "the longest wait for a look-up's reply while the line arrived: $worst ms"
check "the daemon answers every look-up within a second meanwhile" [ "$worst" -lt 1000 ]
check "the window holds the whole line, and copying gives it back exactly" [ -n "$arrived" ]
finish
