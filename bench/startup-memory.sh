#!/usr/bin/env bash
# Murmelo against the least a Qt Widgets tray program can be, built with the same flags:
#  - resident memory when idle in a real tray (Xvfb + trayer), after it has settled;
#  - time from start to answering a talk probe on port 518, against the minimal program's time to bind
#    and answer. Each program runs in a fresh network namespace so that port 518 is its own.
# Prints "name value" lines; needs root (namespaces, port 518).
set -euo pipefail
build=${1:-build}
runs=${RUNS:-5}
zuno=$build/zuno
minimal=$build/bench/minimal-tray
probe=$build/bench/startup-probe
[ "$(id -u)" -eq 0 ] || { echo "startup-memory: needs root" >&2; exit 77; }

work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT

n=$(for i in $(seq 130 160); do [ -e /tmp/.X11-unix/X$i ] || { echo $i; break; }; done)
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 & pids+=($!)
export DISPLAY=":$n"
sleep 1
trayer --edge top --align right --widthtype request --height 32 >/dev/null 2>&1 & pids+=($!)
sleep 1

export HOME=$work XDG_CONFIG_HOME=$work/.config XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_CONFIG_HOME/Bravik" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf '[About]\nVersion=141\n' >"$XDG_CONFIG_HOME/Bravik/ZUNO.conf"

rss_after() { # program -> kB resident after 4 s idle
    unshare -n bash -c "ip link set lo up; exec \"\$0\"" "$1" >/dev/null 2>&1 &
    local pid=$!
    sleep 4
    local child
    child=$(pgrep -P "$pid" || echo "$pid")
    local kb
    kb=$(awk '/VmRSS/ {print $2}' "/proc/$child/status" 2>/dev/null || awk '/VmRSS/ {print $2}' "/proc/$pid/status")
    kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
    echo "$kb"
}

median() { sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

startup() { # program -> ms to first probe answer
    unshare -n bash -c "ip link set lo up; exec \"$probe\" \"\$0\"" "$1"
}

zrss=$(for i in $(seq "$runs"); do rss_after "$zuno"; done | median)
mrss=$(for i in $(seq "$runs"); do rss_after "$minimal"; done | median)
zms=$(for i in $(seq "$runs"); do startup "$zuno"; done | median)
mms=$(for i in $(seq "$runs"); do startup "$minimal"; done | median)

echo "idle_rss_kb_murmelo $zrss"
echo "idle_rss_kb_minimal $mrss"
awk -v a="$zrss" -v b="$mrss" 'BEGIN {printf "idle_rss_ratio %.2f (target <= 1.5)\n", a/b}'
echo "start_to_probe_ms_murmelo $zms"
echo "start_to_bind_ms_minimal $mms"
awk -v a="$zms" -v b="$mms" 'BEGIN {printf "startup_ratio %.2f (target <= 1.5)\n", a/b}'
