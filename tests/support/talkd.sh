# netkit's talk daemon as a real peer for the shell tests and benchmarks (they may run with set -e): in.ntalkd under a private
# openbsd-inetd, on one address and port, in this network namespace or in a named one. Source this file.
#   talkd_start <folder> <address> <port> [namespace]
#       writes <folder>/inetd-<address>-<port>.conf and .log, starts inetd (inside the namespace when one is
#       named) and waits until the port is bound; sets TALKD_PID to inetd's pid. Returns 1 when it is not bound.
#       Call it in the shell that will stop it, not in $(...).
#   talkd_stop <pid>     stops that inetd and the in.ntalkd it started (which keeps the socket for minutes)
#   talkd_stop_all       stops every one this shell started
TALKD_PIDS=()
TALKD_BIND_WAIT=100 # tenths of a second

talkd_start() {
    local dir=$1 addr=$2 port=$3 ns=${4:-}
    local conf="$dir/inetd-$addr-$port.conf" log="$dir/inetd-$addr-$port.log"
    local in=()
    [ -n "$ns" ] && in=(ip netns exec "$ns")
    # In "wait" mode the in.ntalkd that inetd starts takes the socket over and answers every later request.
    printf '%s:%s\tdgram\tudp\twait\tnobody.tty\t/usr/sbin/in.ntalkd\tin.ntalkd\n' "$addr" "$port" >"$conf"
    "${in[@]}" /usr/sbin/inetd -d "$conf" >"$log" 2>&1 &
    TALKD_PID=$!
    TALKD_PIDS+=("$TALKD_PID")
    local _
    for _ in $(seq "$TALKD_BIND_WAIT"); do
        "${in[@]}" ss -Huln "sport = :$port" | grep -qF "$addr:$port" && return 0
        kill -0 "$TALKD_PID" 2>/dev/null || break
        sleep 0.1
    done
    echo "talkd_start: inetd did not bind $addr:$port (see $log)" >&2
    return 1
}

talkd_stop() {
    local pid=$1 child _
    for child in $(pgrep -P "$pid"); do kill "$child" 2>/dev/null || true; done
    for _ in $(seq 30); do [ -z "$(pgrep -P "$pid")" ] && break; sleep 0.1; done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

talkd_stop_all() {
    local pid
    for pid in "${TALKD_PIDS[@]}"; do talkd_stop "$pid"; done
    TALKD_PIDS=()
}
