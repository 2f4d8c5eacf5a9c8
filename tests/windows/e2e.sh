#!/usr/bin/env bash
# Murmelo for Windows as a user meets it, under Wine on a virtual display with a tray, in a network namespace of its
# own with a Unix host beside it: the installer installs silently; the installed program starts and, at its first
# start, writes the version record and the sample person into the registry; a netkit talk caller rings the prompt,
# Return after the prompt's first second answers, and text goes both ways; an unanswered caller's text is filed by
# the talk robot and shows in the message monitor; the uninstaller leaves no key behind.
#   tests/windows/e2e.sh build-windows/Murmelo-<version>-setup.exe
E2E_NAME=windows
ZUNO=/nonexistent # the Linux program is not used here
source "$(dirname "$0")/../e2e/lib.sh"
source "$(dirname "$0")/wine.sh"
installer=$(realpath "$1")
require_root
for tool in wine wineserver wineboot xclip; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/deps --windows-test)"; exit 77; }
done

wine_new_prefix
wine_cleanup() { wine_end_prefix; }
trap 'wine_cleanup; cleanup' EXIT
start_display
make_hosts "zwa-$$=10.77.9.81" "zwb-$$=10.77.9.82"
W="zwa-$$"
start_unix_host "zwb-$$" || log "the Unix host did not start"

# Everything of Wine runs in the Windows host's namespace: its sockets are the wineserver's, started there.
in_windows() { ip netns exec "$W" env DISPLAY="$DISPLAY" WINEPREFIX="$WINEPREFIX" WINEDEBUG=-all \
    WINEDLLOVERRIDES="$WINEDLLOVERRIDES" "$@"; }
reg_query() { in_windows wine reg query "$@" 2>/dev/null | tr -d '\r'; }
program="C:\\Program Files\\Murmelo\\zuno.exe"

log "preparing the Wine prefix"
in_windows wineboot -i >"$E2E_DIR/wineboot.log" 2>&1
in_windows wine "$installer" /S >"$E2E_DIR/install.log" 2>&1
drive=$WINEPREFIX/drive_c
check "the installer puts zuno.exe in Program Files" test -f "$drive/Program Files/Murmelo/zuno.exe"
check "beside it the Qt libraries and the Windows platform plugin" \
    test -f "$drive/Program Files/Murmelo/Qt6Widgets.dll" -a -f "$drive/Program Files/Murmelo/platforms/qwindows.dll"
check "the Start menu has an entry Murmelo" \
    bash -c "find '$drive' -path '*Start Menu*' -name 'Murmelo.lnk' | grep -q ."
run_value=$(reg_query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v Murmelo)
check "the installer sets the autostart value" grep -q 'zuno.exe' <<<"$run_value"

# A robot delay long enough that only the user answers the first call.
in_windows wine reg add 'HKCU\Software\Bravik\ZUNO\Settings' /v ltra /t REG_DWORD /d 15 /f >/dev/null 2>&1
in_windows wine "$program" >"$E2E_DIR/zuno.log" 2>&1 &
E2E_PIDS+=($!)
check "the first start opens the About box" wait_for 60 has_window '^Murmelo$'
focus_window '^Murmelo$' && xdotool key Return
check "the daemon binds port 518" wait_for 20 bash -c "ip netns exec '$W' ss -Huln 'sport = :518' | grep -q ."
has_value() { reg_query "$1" /s | grep -qE "$2"; }
check "the version record is a REG_DWORD 0x8d" wait_for 20 has_value 'HKCU\Software\Bravik\ZUNO\About' 'Version +REG_DWORD +0x8d'
check "its date a REG_SZ" has_value 'HKCU\Software\Bravik\ZUNO\About' 'Date +REG_SZ +12/20/96'
check "the sample person is in the address book (REG_SZ)" has_value 'HKCU\Software\Bravik\ZUNO\People' 'REG_SZ +Me \(sample\)'
check "its count is a REG_DWORD" has_value 'HKCU\Software\Bravik\ZUNO\People' 'Count +REG_DWORD +0x1'
reg_query 'HKCU\Software\Bravik\ZUNO' /s >"$E2E_ARTIFACTS/registry.txt"

# A Unix caller rings; Return after the prompt's first second answers.
unix_talk first root@10.77.9.81
check "a netkit caller rings the prompt" wait_for 20 has_window '^Talk request from$'
# The user turns to it (a click on its text), and after its first second Return answers.
prompt=$(window_named '^Talk request from$')
eval "$(xdotool getwindowgeometry --shell "$prompt")"
xdotool mousemove $((X + 30)) $((Y + HEIGHT / 3)) click 1
sleep 1.2
xdotool key Return
check "Return answers the call" wait_for 20 screen_has first "Connection established"
check "the conversation window opens" wait_for 10 has_window '^Murmelo: talking to'
tmux_keys first "hello from unix" Enter
focus_window '^Murmelo: talking to'
xdotool type --delay 60 "hello from windows"
xdotool key Return
check "what the Windows user types reaches the Unix caller" wait_for 10 screen_has first "hello from windows"
# The Unix caller's text, copied from the upper pane (Wine hands the clipboard to X11).
sleep 1
xdotool key ctrl+Tab ctrl+a ctrl+c
sleep 1
check "what the Unix caller types shows in the window" \
    bash -c "DISPLAY=$DISPLAY xclip -selection clipboard -o | grep -q 'hello from unix'"
tmux_keys first C-c

# A caller nobody answers: the talk robot takes the call after its delay and files what the caller types.
unix_talk second root@10.77.9.81
check "a second caller rings" wait_for 20 has_window '^Talk request from$'
check "the talk robot answers" wait_for 40 screen_has second "Connection established"
sleep 1
tmux_keys second "a message for the robot" Enter
sleep 2
tmux_keys second C-c
messages="$drive/users/root/AppData/Local/Bravik/ZUNO"
check "the robot message is filed in the user's application data" \
    wait_for 20 bash -c "grep -rqs 'a message for the robot' '$messages'"
in_windows wine "$program" --messages >>"$E2E_DIR/zuno.log" 2>&1
check "a second start opens the message monitor in the running copy" wait_for 20 has_window '^Murmelo: message monitor$'
import -window root "$E2E_ARTIFACTS/monitor.png" 2>/dev/null

in_windows wine "$program" --quit >>"$E2E_DIR/zuno.log" 2>&1
# A robot message waits: Exit asks first ("Exit anyway?"), and Yes ends it.
if wait_for 10 has_window '^Murmelo$'; then
    focus_window '^Murmelo$'
    xdotool key alt+y
fi
check "the program ends" wait_for 20 bash -c "! pgrep -f 'Murmelo.zuno[.]exe' >/dev/null"
# Silently and in place (_?=), so it ends when it is done.
in_windows wine "C:\\Program Files\\Murmelo\\Uninstall.exe" /S "_?=C:\\Program Files\\Murmelo" >>"$E2E_DIR/install.log" 2>&1
check "the uninstaller removes the program" wait_for 30 bash -c "! test -e '$drive/Program Files/Murmelo/zuno.exe'"
no_key() { ! in_windows wine reg query 'HKCU\Software\Bravik' >/dev/null 2>&1; }
check "no key of the program is left" no_key
check "nor the autostart value" bash -c "! grep -q Murmelo <<<'$(reg_query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run')'"
finish
