#!/usr/bin/env bash
# Load on the talk daemon: Murmelo's daemon (the headless daemon host), netkit in.ntalkd (under a private
# openbsd-inetd) and the bare floor (bench_floor: one recvfrom and one sendto per datagram, no work) on loopback
# ports, in one run. Prints replies/s and latency for each, every figure the median of three runs taken in turn,
# and their ratios; Murmelo with 1,000 stored invitations against an empty table; and Murmelo's VmRSS before and
# after 100,000 LEAVE_INVITEs.
#   bench/daemon-load.sh [seconds per run]      (needs the build in build/; netkit needs root for inetd's user)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=../tests/support/talkd.sh
source "$root/tests/support/talkd.sh"
secs="${1:-5}"
build="$root/build"
cmake --build "$build" -j2 --target daemon-load daemonhost bench_floor >/dev/null
load="$build/bench/daemon-load"
host="$build/tests/support/daemonhost"
work="$(mktemp -d)"
ours_port=55718
netkit_port=55719
floor_port=55720
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
"$build/bench/bench_floor" --port "$floor_port" >"$work/floor.log" 2>&1 &
pids+=("$!")
for _ in $(seq 50); do grep -q READY "$work/floor.log" && break; sleep 0.1; done

# Three runs of each in turn (so that the machine's other load weighs on all alike), each run's line, then one line
# per daemon with the median of each figure:   compare <daemon-load options...>
compare() {
    local run name
    local -A port=([murmelo]=$ours_port [netkit]=$netkit_port [floor]=$floor_port)
    for run in 1 2 3; do
        for name in murmelo netkit floor; do
            echo "$name#$run $("$load" --port "${port[$name]}" --seconds "$secs" "$@")"
        done
    done >"$work/runs"
    sed 's/^/  /' "$work/runs"
    for name in murmelo netkit floor; do
        awk -v n="$name" '
            function median(k,   a, b, c) { a = v[k, 1]; b = v[k, 2]; c = v[k, 3]
                return (a > b) ? ((b > c) ? b : ((a > c) ? c : a)) : ((a > c) ? a : ((b > c) ? c : b)) }
            index($1, n "#") == 1 { r++; for (i = 2; i < NF; i += 2) { v[$i, r] = $(i + 1); keys[$i] = i } }
            END { line = n; for (i = 2; i <= 12; i += 2) for (k in keys) if (keys[k] == i) line = line " " k " " median(k)
                  print line }' "$work/runs"
    done
}

# Throughput with the batched generator: one recvmmsg and one sendmmsg per batch of replies, so that the generator
# costs less than what it loads (with a socket and two system calls per request it was the bottleneck, and every
# daemon measured the generator).
echo "== throughput, 64 in flight, batched generator, ${secs}s each, medians of 3 runs"
compare --inflight 64 --batched 1 | tee "$work/throughput"
ro=$(grep '^murmelo ' "$work/throughput" | field replies/s)
rn=$(grep '^netkit ' "$work/throughput" | field replies/s)
rf=$(grep '^floor ' "$work/throughput" | field replies/s)
awk -v a="$ro" -v b="$rn" 'BEGIN { printf "ratio murmelo/netkit replies/s: %.2f\n", (b > 0 ? a / b : 0) }'
awk -v a="$ro" -v b="$rf" 'BEGIN { printf "ratio murmelo/floor replies/s: %.2f\n", (b > 0 ? a / b : 0) }'

echo "== latency at 10,000 requests/s, 16 in flight, ${secs}s each, medians of 3 runs"
compare --inflight 16 --rate 10000 | tee "$work/latency"
awk -v a="$(grep '^murmelo ' "$work/latency" | field p99_us)" -v b="$(grep '^netkit ' "$work/latency" | field p99_us)" \
    'BEGIN { printf "ratio murmelo/netkit p99: %.2f\n", (b > 0 ? a / b : 0) }'

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
