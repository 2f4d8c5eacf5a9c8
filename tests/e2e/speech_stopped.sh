#!/usr/bin/env bash
# A screen-reader user's speech service stops (speech-dispatcher and its output module stopped with SIGSTOP: it takes
# requests and answers none) while a Unix talk peer goes on typing in a conversation: the daemon sharing the
# program's thread still answers another host's LOOK_UPs, each within a second. Once the service runs again the
# peer's lines are spoken again, and after the service restarts too; a conversation closed while its lines wait
# is silenced.
E2E_NAME=speech_stopped
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/speech_lib.sh"
require_root
require_speech_session
start_display
start_speech_session

make_hosts "zqa-$$=10.77.9.171" "zqb-$$=10.77.9.172" "zqc-$$=10.77.9.173"
start_unix_host "zqb-$$" || log "the Unix host did not start"
start_zuno "zqa-$$" "$(home_for a "ltra=60")" || log "Murmelo did not start"
pid=$ZUNO_PID
title='^Murmelo: talking to root at 10.77.9.172$'

# LOOK_UPs from the third host, one every 150 ms, each waiting a second at most for its answer: prints one line per
# probe ("ok <ms>" or "lost"), then the summary.
probe_daemon() {
    ip netns exec "zqc-$$" /usr/bin/python3 - "$1" <<'PY'
import socket, statistics, struct, sys, time
count = int(sys.argv[1])
me, daemon = "10.77.9.173", ("10.77.9.171", 518)
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind((me, 0))
s.settimeout(1.0)
port = s.getsockname()[1]
addr = struct.pack("!HH4s8x", 2, port, socket.inet_aton(me))
look_up = struct.pack("!BBBBI", 1, 1, 0, 0, 0) + addr + addr + struct.pack("!I", 0) \
    + b"prober".ljust(12, b"\0") + b"root".ljust(12, b"\0") + bytes(16)
times = []
for _ in range(count):
    sent = time.monotonic()
    s.sendto(look_up, daemon)
    try:
        while True:
            reply, source = s.recvfrom(128)
            if source == daemon and len(reply) == 24 and reply[1] == 1:
                break
        times.append((time.monotonic() - sent) * 1000)
        print("ok %.1f" % times[-1])
    except socket.timeout:
        print("lost")
    time.sleep(0.15)
if times:
    print("answered %d of %d; ms min %.1f median %.1f max %.1f"
          % (len(times), count, min(times), statistics.median(times), max(times)))
else:
    print("answered 0 of %d" % count)
PY
}

unix_talk live root@10.77.9.171
check "the prompt rings" wait_for 10 has_pid_window "$pid" '^Talk request from$'
answer_prompt "$pid" alt+t
check "the conversation connects" wait_for 10 has_pid_window "$pid" "$title"
wait_for 10 screen_has live "Connection established"
tmux_keys live "before the stop" Enter
check "a line is spoken while the service runs" wait_for 10 spoken "before the stop"

# The service stops; the peer goes on typing a line a second, beyond the time after which a hanging call to the
# service is given up, while the third host asks.
signal_speech_dispatcher STOP
tmux_keys live "while stopped 0" Enter
(
    for i in $(seq 1 9); do
        sleep 1
        tmux_keys live "while stopped $i" Enter
    done
) &
typist=$!
probe_daemon 60 >"$E2E_ARTIFACTS/probes.txt"
wait "$typist"
log "$(tail -n1 "$E2E_ARTIFACTS/probes.txt")"
check "every LOOK_UP is answered within a second while speech hangs" \
    grep -qx "answered 60 of 60;.*" "$E2E_ARTIFACTS/probes.txt"
check "the program still shows the conversation" has_pid_window "$pid" "$title"

# The service runs again: what waited is spoken (the first line, at least: the rest of a conversation's lines
# beyond its budget were dropped), and then the peer's next lines.
signal_speech_dispatcher CONT
check "the line that waited is spoken once the service runs again" wait_for 30 spoken "while stopped 0"
sleep 3
tmux_keys live "after the stop" Enter
check "a new line is spoken once the service runs again" wait_for 30 spoken "after the stop"

# The service restarts: the connection is opened again.
restart_speech_dispatcher
tmux_keys live "after the restart" Enter
check "a line is spoken after the service restarted" wait_for 30 spoken "after the restart"
# Closing a conversation silences it: what waited for it while the service was stopped is never spoken.
signal_speech_dispatcher STOP
for line in "waits one" "waits two" "waits three"; do
    tmux_keys live "$line" Enter
    sleep 0.3
done
sleep 0.5
close_conversation "$pid" "$title"
window_gone() { ! has_pid_window "$pid" "$title"; }
check "the conversation window closes while the service is stopped" wait_for 10 window_gone
signal_speech_dispatcher CONT
tmux_keys live "too late" Enter
sleep 3
check "what waited for the closed conversation is not spoken" unspoken "waits three"

probe_daemon 3 >"$E2E_ARTIFACTS/probes-after.txt"
check "the daemon answers after all of it" grep -qx "answered 3 of 3;.*" "$E2E_ARTIFACTS/probes-after.txt"
finish
