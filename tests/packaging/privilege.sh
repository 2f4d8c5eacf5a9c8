#!/usr/bin/env bash
# The program with the capability the package grants, run by an unprivileged user whose plugin path names a plugin of
# their own (CapProbe): the plugin runs without any capability, and the program holds port 518 all the same. Root
# only: setcap, another user, and a network namespace of the test's own, where port 518 is free.
set -uo pipefail
[ "$(id -u)" -eq 0 ] && command -v setcap >/dev/null && command -v setpriv >/dev/null ||
    { echo "SKIP: needs root, setcap and setpriv (scripts/deps --test)"; exit 77; }
dir=$(mktemp -d /tmp/zuno-privilege.XXXXXX) ns=zunopriv$$ pid=
trap '[ -n "$pid" ] && kill $pid && wait $pid; ip netns del $ns 2>/dev/null; rm -rf "$dir"' EXIT
# The user's home says this version ran before, so no About box waits.
mkdir -p "$dir/home/.config/Bravik" "$dir/plugins/generic" "$dir/run"
printf '[About]\nVersion=141\n' >"$dir/home/.config/Bravik/ZUNO.conf"
cp "$1" "$dir/zuno" && cp "$2" "$dir/plugins/generic/" && chmod 755 "$dir" && chmod 700 "$dir/run" &&
    chown -R nobody:nogroup "$dir/home" "$dir/run" && setcap cap_net_bind_service=+ep "$dir/zuno" &&
    ip netns add "$ns" && ip -n "$ns" link set lo up || exit 1
status=$dir/home/status
env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME="$dir/home" XDG_RUNTIME_DIR="$dir/run" QT_QPA_PLATFORM=offscreen \
    DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/no-bus" PULSE_SERVER="unix:$dir/no-sound-server" \
    QT_PLUGIN_PATH="$dir/plugins" QT_QPA_GENERIC_PLUGINS=capprobe ZUNO_CAPPROBE_OUT="$status" \
    ip netns exec "$ns" setpriv --reuid=nobody --regid=nogroup --clear-groups "$dir/zuno" &
pid=$!
holds_port() { ip netns exec "$ns" ss -Hulnp 'sport = :518' | grep -q "pid=$pid,"; }
for _ in $(seq 50); do [ -s "$status" ] && holds_port && break; sleep 0.2; done
holds_port || { echo "the program does not hold port 518"; exit 1; }
for set in CapInh CapPrm CapEff CapAmb; do
    grep -qx "$set:	0000000000000000" "$status" ||
        { echo "the user's plugin ran with $(grep "^$set:" "$status" || echo "nothing: it never ran")"; exit 1; }
done
echo "privilege: 1 passed, 0 failed"
