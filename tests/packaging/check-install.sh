#!/usr/bin/env bash
# Installs into a scratch folder and builds the Debian package, then checks what a user's system gets.
set -euo pipefail
build=$1
src=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr >/dev/null
root="$scratch/root/usr"
for f in bin/zuno share/applications/zuno.desktop share/zuno/zuno-autostart.desktop \
         share/icons/hicolor/64x64/apps/zuno.png share/man/man1/zuno.1; do
    [ -e "$root/$f" ] || { echo "missing after install: $f"; exit 1; }
done
grep -qx 'Name=Murmelo' "$root/share/applications/zuno.desktop" || { echo "menu entry is not named Murmelo"; exit 1; }
grep -q '^Categories=Network;' "$root/share/applications/zuno.desktop" || { echo "menu entry is not in Network"; exit 1; }
# The menu entry's actions, each the program's option of that name (a desktop without a tray reaches it so).
entry=$(cat "$root/share/applications/zuno.desktop")
grep -qx 'Actions=talk;messages;customize;robot-on;robot-off;quit;' <<<"$entry" || { echo "menu entry lacks its actions"; exit 1; }
for action in talk messages customize robot-on robot-off quit; do
    grep -A3 -x "\[Desktop Action $action\]" <<<"$entry" | grep -qx "Exec=zuno --$action" ||
        { echo "action $action does not run zuno --$action"; exit 1; }
done
grep -q -- '--messages' <<<"$(man -l "$root/share/man/man1/zuno.1" 2>/dev/null)" || { echo "manual lacks the options"; exit 1; }
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root/share/applications/zuno.desktop"
    desktop-file-validate "$root/share/zuno/zuno-autostart.desktop"
fi
manual=$(man -l "$root/share/man/man1/zuno.1" 2>/dev/null)
grep -q 'cap_net_bind_service' <<<"$manual" || { echo "manual page does not render"; exit 1; }

# The Debian package: its post-install step grants the port capability; its description names the conflict.
(cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" >/dev/null 2>&1)
deb=$(ls "$scratch"/_CPack_Packages/*/DEB/*.deb 2>/dev/null | head -n1 || true)
[ -n "$deb" ] || deb=$(ls "$scratch"/*.deb | head -n1)
dpkg-deb -e "$deb" "$scratch/control"
grep -q 'setcap cap_net_bind_service=+ep /usr/bin/zuno' "$scratch/control/postinst" || { echo "postinst grants no capability"; exit 1; }
# Read whole before grep: "grep -q" stops at the first match, and under pipefail the writer's SIGPIPE would fail the check.
description=$(dpkg-deb -f "$deb" Description)
grep -q 'conflicts with a talk daemon run by inetd' <<<"$description" || { echo "description lacks the conflict"; exit 1; }
grep -qw 'qt6-wayland' <<<"$(dpkg-deb -f "$deb" Recommends)" || { echo "package does not recommend qt6-wayland"; exit 1; }
contents=$(dpkg-deb -c "$deb")
grep -q './usr/bin/zuno' <<<"$contents" || { echo "package lacks the program"; exit 1; }
echo "install and package: 1 passed, 0 failed"
