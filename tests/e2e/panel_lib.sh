# A desktop as users have it, for the end-to-end suite (source after lib.sh): Xvfb, a private D-Bus session bus,
# the xfwm4 window manager and an xfce4-panel whose notification area speaks StatusNotifier (and XEmbed), all with
# a private HOME and XDG folders. The panel is one strip along the top: the task list, then the notification area
# at the right end.

PANEL_HEIGHT=26
# The notification area lies within this many pixels of the panel's right end.
PANEL_TRAY_WIDTH=160
# The desktop's notification service, started by the bus when a program first notifies.
NOTIFYD_SERVICE=/usr/share/dbus-1/services/org.xfce.xfce4-notifyd.Notifications.service

# Skips (77) where the desktop's packages are not installed.
require_panel_desktop() {
    for tool in xfwm4 xfce4-panel dbus-launch dbus-send dbus-monitor convert; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/deps --test)"; exit 77; }
    done
    [ -f /usr/share/dbus-1/services/org.xfce.Xfconf.service ] ||
        { echo "SKIP: xfconf is not installed (scripts/deps --test)"; exit 77; }
    [ -f "$NOTIFYD_SERVICE" ] || { echo "SKIP: xfce4-notifyd is not installed (scripts/deps --test)"; exit 77; }
}

# The private desktop's settings: a panel of our own, and a session bus that starts only the panel's settings
# daemon (no accessibility bus, nothing of the machine's).
write_panel_config() {
    local home=$1
    local xml="$home/.config/xfce4/xfconf/xfce-perchannel-xml"
    mkdir -p "$xml" "$home/.local/share" "$home/.cache" "$E2E_DIR/dbus-services"
    cat >"$xml/xfce4-panel.xml" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="icon-size" type="uint" value="16"/>
      <property name="size" type="uint" value="$PANEL_HEIGHT"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
        <value type="int" value="2"/>
        <value type="int" value="3"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="tasklist"/>
    <property name="plugin-2" type="string" value="separator">
      <property name="expand" type="bool" value="true"/>
      <property name="style" type="uint" value="0"/>
    </property>
    <property name="plugin-3" type="string" value="systray">
      <property name="square-icons" type="bool" value="true"/>
    </property>
  </property>
</channel>
EOF
    cp /usr/share/dbus-1/services/org.xfce.Xfconf.service "$NOTIFYD_SERVICE" "$E2E_DIR/dbus-services/"
    cat >"$E2E_DIR/session-bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$E2E_DIR/session-bus</listen>
  <servicedir>$E2E_DIR/dbus-services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
}

# The private desktop's HOME and XDG folders, as arguments of env (a simple command in the background keeps the
# process id of the program it runs).
desktop_env() {
    DESKTOP_ENV=(HOME="$PANEL_HOME" XDG_CONFIG_HOME="$PANEL_HOME/.config" XDG_DATA_HOME="$PANEL_HOME/.local/share"
        XDG_CACHE_HOME="$PANEL_HOME/.cache" NO_AT_BRIDGE=1)
}

# A D-Bus method call on the session bus, its reply printed: bus_call destination path interface.method args...
bus_call() { dbus-send --session --print-reply "--dest=$1" "$2" "$3" "${@:4}" 2>/dev/null; }

# The items the panel's StatusNotifier watcher lists (bus names with their object paths).
sn_items() {
    bus_call org.kde.StatusNotifierWatcher /StatusNotifierWatcher org.freedesktop.DBus.Properties.Get \
        string:org.kde.StatusNotifierWatcher string:RegisteredStatusNotifierItems | sed -n 's/^ *string "\(.*\)"$/\1/p'
}

# The process behind a bus name.
bus_pid() {
    bus_call org.freedesktop.DBus / org.freedesktop.DBus.GetConnectionUnixProcessID "string:$1" |
        sed -n 's/^ *uint32 //p'
}

# Whether the watcher lists an item of the process: sn_item_of pid
sn_item_of() {
    local item
    for item in $(sn_items); do
        [ "$(bus_pid "${item%%/*}")" = "$1" ] && return 0
    done
    return 1
}
no_sn_item_of() { ! sn_item_of "$1"; }

# Calls a method of the process's StatusNotifier item as a host does: sn_call pid method args...
sn_call() {
    local item
    for item in $(sn_items); do
        [ "$(bus_pid "${item%%/*}")" = "$1" ] && bus_call "${item%%/*}" "/${item#*/}" "org.kde.StatusNotifierItem.$2" "${@:3}"
    done
}

# A desktop without any tray (GNOME as shipped): the display, the session bus with the notification service, and
# xfwm4. Sets DISPLAY, DBUS_SESSION_BUS_ADDRESS, PANEL_HOME, PANEL_WM_PID.
start_bare_desktop() {
    start_display --no-tray
    PANEL_HOME="$E2E_DIR/desktop-home"
    write_panel_config "$PANEL_HOME"
    desktop_env
    eval "$(env "${DESKTOP_ENV[@]}" dbus-launch --sh-syntax --config-file="$E2E_DIR/session-bus.conf")"
    E2E_PIDS+=("$DBUS_SESSION_BUS_PID")
    export DBUS_SESSION_BUS_ADDRESS
    env "${DESKTOP_ENV[@]}" xfwm4 >"$E2E_DIR/xfwm4.log" 2>&1 &
    PANEL_WM_PID=$!
    E2E_PIDS+=("$PANEL_WM_PID")
}

# Starts the desktop and waits until the panel's notification area is there to take icons. Sets what
# start_bare_desktop sets, and PANEL_PID.
start_panel_desktop() {
    start_bare_desktop
    env "${DESKTOP_ENV[@]}" xfce4-panel >"$E2E_DIR/panel.log" 2>&1 &
    PANEL_PID=$!
    E2E_PIDS+=("$PANEL_PID")
    wait_for 20 bash -c "dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
        string:IsStatusNotifierHostRegistered | grep -q 'boolean true'"
}

# Ends every process on the private bus (the panel, its plugins, its settings daemon, programs still connected),
# then the bus and the window manager, each by its id. The display stays until the script ends.
stop_panel_desktop() {
    local name pid
    for name in $(bus_call org.freedesktop.DBus / org.freedesktop.DBus.ListNames | sed -n 's/^ *string "\(:.*\)"$/\1/p'); do
        pid=$(bus_pid "$name")
        [ -n "$pid" ] && [ "$pid" != "$DBUS_SESSION_BUS_PID" ] && kill "$pid" 2>/dev/null
    done
    kill ${PANEL_PID:-} "$PANEL_WM_PID" 2>/dev/null
    sleep 0.3
    kill "$DBUS_SESSION_BUS_PID" 2>/dev/null
}

# Where the icons of the notification area are: the bounding box of what differs from the panel's own colour in
# its right end, as "x y width height" on the screen. Fails when nothing shows there.
panel_icons_box() {
    local width shot="$E2E_DIR/strip.png" box
    width=$(xdpyinfo 2>/dev/null | sed -n 's/^ *dimensions: *\([0-9]*\)x.*/\1/p')
    width=${width:-1024}
    import -window root -crop "${PANEL_TRAY_WIDTH}x${PANEL_HEIGHT}+$((width - PANEL_TRAY_WIDTH))+0" +repage "$shot" \
        2>/dev/null || return 1
    # "WxH PWxPH+X+Y" of what trimming the panel's colour leaves.
    box=$(convert "$shot" -fuzz 12% -trim -format '%w %h %X %Y' info: 2>/dev/null) || return 1
    set -- $box
    [ "$1" -ge 8 ] && [ "$1" -lt "$PANEL_TRAY_WIDTH" ] && [ "$2" -ge 8 ] || return 1
    echo "$((width - PANEL_TRAY_WIDTH + ${3#+})) ${4#+} $1 $2"
}
panel_icon_visible() { panel_icons_box >/dev/null; }
# The middle of the notification area's icons (one icon: that icon).
panel_icon_point() {
    local box
    box=$(panel_icons_box) || return 1
    set -- $box
    echo "$(($1 + $3 / 2)) $(($2 + $4 / 2))"
}
panel_icon_click() { xdotool mousemove $(panel_icon_point) click "${1:-1}"; }

# Visible windows, one "id x y width height" a line.
visible_windows() {
    local w
    for w in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)" && echo "$w $X $Y $WIDTH $HEIGHT"
    done | sort
}
# Whether a window taller than a panel appeared just below the panel that is not in the list given (the panel's
# menu of the icon): popup_below_panel "before list"
# It prints the popup's height.
popup_below_panel() {
    local w x y width height
    while read -r w x y width height; do
        grep -q "^$w " <<<"$1" && continue
        [ "$y" -ge "$((PANEL_HEIGHT - 4))" ] && [ "$y" -le "$((PANEL_HEIGHT + 8))" ] && [ "$height" -gt 60 ] &&
            echo "$height" && return 0
    done < <(visible_windows)
    return 1
}
no_popup_below_panel() { ! popup_below_panel "$1"; }

# Records every desktop notification asked for on the private bus (the Notify calls, with their texts) into a file.
watch_notifications() {
    dbus-monitor --session "interface='org.freedesktop.Notifications',member='Notify'" >"$1" 2>/dev/null &
    E2E_PIDS+=($!)
}

# The notification window on screen: "id x y width height" (xfce4-notifyd's windows).
notification_window() {
    local w
    for w in $(xdotool search --onlyvisible --class xfce4-notifyd 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)" || continue
        [ "${WIDTH:-0}" -gt 40 ] && echo "$w $X $Y $WIDTH $HEIGHT" && return 0
    done
    return 1
}
no_notification_window() { ! notification_window; }
