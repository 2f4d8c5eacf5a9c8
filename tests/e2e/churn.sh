#!/usr/bin/env bash
# A Unix caller whom the talk robot answers types without pause (a long text, then x and erase again and again)
# while LOOK_UPs come to the daemon, one after another, from the caller's host: every one of them is answered.
E2E_NAME=churn
source "$(dirname "$0")/lib.sh"
require_root
# A LOOK_UP from "e2e" for "nobody" (84 bytes; the daemon answers to the sender, whatever the addresses say).
{
    printf '\1\1\0\0\0\0\0\0'
    for _ in addr ctl_addr; do printf '\0\2' && head -c 14 /dev/zero; done
    head -c 4 /dev/zero && printf 'e2e' && head -c 9 /dev/zero && printf 'nobody' && head -c 22 /dev/zero
} >"$E2E_DIR/lookup"
# LOOK_UPs from the namespace, one after another, each from a socket of its own and answered within the timeout:
# lookups namespace address count timeout-seconds
lookups() {
    ip netns exec "$1" bash -c 'for _ in $(seq "$3"); do
        exec 3<>"/dev/udp/$2/518" && cat "$5" >&3 && read -r -t "$4" -N 1 -u 3 -d "" _ || exit 1
        exec 3>&- && sleep 0.1
    done' _ "$@" "$E2E_DIR/lookup"
}
start_display
make_hosts "zka-$$=10.77.9.41" "zkb-$$=10.77.9.42"
A="zka-$$"
B="zkb-$$"
start_unix_host "$B" || log "the Unix host did not start"
box="$E2E_DIR/messages.txt"
home=$(home_for a "ltra=1" "saveinfile=1" "msgfile=$box")
start_zuno "$A" "$home" || log "Murmelo did not start"

unix_talk churn root@10.77.9.41
check "the robot answers the Unix caller" wait_for 30 screen_has churn "Leave a message"
check "the daemon answers while nobody types" lookups "$B" 10.77.9.41 3 2

# A long text, then 100,000 x, erase pairs, then a last line, one paste each: talk takes them as fast as it can show
# them, which is slower than a program would send.
yes "the quick brown fox jumps" | tr '\n' ' ' | head -c 60000 >"$E2E_DIR/text"
yes x | tr -d '\n' | head -c 100000 | sed 's/x/x\x7f/g' >"$E2E_DIR/churn"
printf '\nover and out\n' >"$E2E_DIR/last"
for part in text churn last; do
    tmux -S "$E2E_TMUX" load-buffer -b "$part" "$E2E_DIR/$part"
    tmux -S "$E2E_TMUX" paste-buffer -b "$part" -t churn
done
check "every LOOK_UP is answered while the caller churns" lookups "$B" 10.77.9.41 150 10
check "the caller has sent it all" wait_for 90 screen_has churn "over and out"
tmux_keys churn C-c
check "the robot files the caller's text whole" wait_for 30 file_has "$box" "over and out"
finish
