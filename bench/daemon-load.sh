#!/usr/bin/env bash
# Load on the talk daemon: Murmelo's daemon (the headless daemon host) and netkit in.ntalkd (under a private
# openbsd-inetd) on loopback ports, in one run. Prints replies/s and latency for each and their ratio, Murmelo with
# 1,000 stored invitations against an empty table, and Murmelo's VmRSS before and after 100,000 LEAVE_INVITEs.
#   bench/daemon-load.sh [seconds per run]      (needs the build in build/; netkit needs root for inetd's user)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=../tests/support/talkd.sh
source "$root/tests/support/talkd.sh"
secs="${1:-5}"
build="$root/build"
cmake --build "$build" -j2 --target daemon-load daemonhost >/dev/null
load="$build/bench/daemon-load"
host="$build/tests/support/daemonhost"
work="$(mktemp -d)"
ours_port=55718
netkit_port=55719
pids=()
cleanup() {
    talkd_stop_all
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

rss() { awk '/^VmRSS:/ {print $2}' /proc/"$1"/status; }
field() { awk -v k="$1" '{ for (i = 1; i < NF; i++) if ($i == k) print $(i + 1) }'; }

start_ours() {
    mkfifo "$work/in.$1"
    "$host" --port "$ours_port" --login tester < "$work/in.$1" > "$work/host.$1.log" 2>&1 &
    ours_pid=$!
    exec {hold}>"$work/in.$1" # keeps the host's stdin open
    pids+=("$ours_pid")
    for _ in $(seq 50); do grep -q READY "$work/host.$1.log" && break; sleep 0.1; done
}

talkd_start "$work" 127.0.0.1 "$netkit_port"
start_ours a

echo "== throughput, 16 in flight, ${secs}s each"
o=$("$load" --port "$ours_port" --seconds "$secs" --inflight 16); echo "murmelo  $o"
n=$("$load" --port "$netkit_port" --seconds "$secs" --inflight 16); echo "netkit   $n"
ro=$(echo "$o" | field replies/s); rn=$(echo "$n" | field replies/s)
awk -v a="$ro" -v b="$rn" 'BEGIN { printf "ratio murmelo/netkit replies/s: %.2f\n", (b > 0 ? a / b : 0) }'

echo "== latency at 10,000 requests/s, ${secs}s each"
echo "murmelo  $("$load" --port "$ours_port" --seconds "$secs" --inflight 16 --rate 10000)"
echo "netkit   $("$load" --port "$netkit_port" --seconds "$secs" --inflight 16 --rate 10000)"

echo "== murmelo: 1,000 stored invitations against an empty table"
e=$("$load" --port "$ours_port" --seconds "$secs" --inflight 16); echo "empty    $e"
f=$("$load" --port "$ours_port" --seconds "$secs" --inflight 16 --prefill 1000 2>/dev/null); echo "1000     $f"
awk -v a="$(echo "$f" | field replies/s)" -v b="$(echo "$e" | field replies/s)" \
    'BEGIN { printf "ratio 1000/empty replies/s: %.2f\n", (b > 0 ? a / b : 0) }'

echo "== murmelo: VmRSS around 100,000 LEAVE_INVITEs from distinct control addresses (fresh daemon)"
kill "$ours_pid"; wait "$ours_pid" 2>/dev/null || true
start_ours b
before=$(rss "$ours_pid")
"$load" --port "$ours_port" --leave 100000
after=$(rss "$ours_pid")
echo "VmRSS before ${before} kB after ${after} kB grew $((after - before)) kB"
