#!/usr/bin/env bash
# run_topbar_test.sh BUILD_DIR: installs the build into a temp prefix and runs a real GNOME Shell
# headless (Wayland, a 1280x800 virtual monitor, --unsafe-mode for org.gnome.Shell.Eval) on
# private session and system buses with a temp HOME, the AppIndicator extension and ours enabled.
# Checks the top-bar button against the program, through XWayland and natively on Wayland.
# Exits 77 (skipped) only where GNOME Shell cannot run here.
set -u
# Xwayland wants /tmp/.X11-unix world-writable; as root, a private mount namespace gives the test
# one of its own whatever the machine's is like.
if [ -z "${TESSEL_TEST_NAMESPACE:-}" ] && [ "$(id -u)" = 0 ] && command -v unshare >/dev/null; then
    TESSEL_TEST_NAMESPACE=1 exec unshare -m --propagation private "$0" "$@"
fi
if [ -n "${TESSEL_TEST_NAMESPACE:-}" ]; then
    [ -d /tmp/.X11-unix ] || install -d -m 1777 /tmp/.X11-unix
    mount -t tmpfs -o mode=1777 tmpfs /tmp/.X11-unix
fi
build=$(cd "$1" && pwd)
uuid=topbar@tessel-calendar
appindicator=ubuntu-appindicators@ubuntu.com
skip() { echo "SKIP: $*"; exit 77; }
command -v gnome-shell >/dev/null || skip "gnome-shell is not installed (scripts/install-deps installs it)"
command -v dconf >/dev/null && [ -d "/usr/share/gnome-shell/extensions/$appindicator" ] ||
    { echo "FAIL: dconf-cli or the AppIndicator extension is missing: run scripts/install-deps"; exit 1; }

tmp=$(mktemp -d -t tessel-gnome-shell.XXXXXX)
pids=()
cleanup() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do wait "${pids[i]}" 2>/dev/null; done
    rm -rf "$tmp"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "PASS: $*"; }

# The folders first, so that nothing started below sees the user's own.
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_DATA_HOME=$tmp/home/.local/share \
    XDG_CACHE_HOME=$tmp/home/.cache XDG_RUNTIME_DIR=$tmp/runtime
mkdir -p "$XDG_CONFIG_HOME/dconf" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS DBUS_SYSTEM_BUS_ADDRESS
export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME NO_AT_BRIDGE=1 LIBGL_ALWAYS_SOFTWARE=1 \
    GSETTINGS_BACKEND=dconf LC_ALL=C.UTF-8 TZ=Asia/Shanghai

cmake --install "$build" --prefix "$tmp/prefix" >"$tmp/install.log" 2>&1 ||
    { cat "$tmp/install.log"; echo "FAIL: cmake --install"; exit 1; }
exe=$tmp/prefix/bin/tessel-calendar
grep -q "\"$(gnome-shell --version | sed -n 's/.* \([0-9]*\)\..*/\1/p')\"" \
    "$tmp/prefix/share/gnome-shell/extensions/$uuid/metadata.json" ||
    skip "the installed extension variant is not the one for $(gnome-shell --version)"
# The installed extension is found as a system one, as a package installs it.
export XDG_DATA_DIRS=$tmp/prefix/share:/usr/local/share:/usr/share

mkdir -p "$tmp/dconf.d"
cat >"$tmp/dconf.d/00-test" <<CONF
[org/gnome/shell]
enabled-extensions=['$appindicator', '$uuid']
welcome-dialog-last-shown-version='999'
[org/gnome/desktop/interface]
enable-animations=false
[org/gnome/desktop/notifications]
show-banners=false
CONF
dconf compile "$XDG_CONFIG_HOME/dconf/user" "$tmp/dconf.d"

# bus NAME LISTEN [EXTRA]: a dbus-daemon of that type open to everything this user runs, its
# address exported in DBUS_<NAME>_BUS_ADDRESS
bus() {
    local i
    cat >"$tmp/$1.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>$1</type><listen>$2</listen><auth>EXTERNAL</auth>${3:-}
  <policy context="default">
    <allow user="*"/><allow own="*"/><allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/><allow receive_sender="*"/>
  </policy>
</busconfig>
CONF
    dbus-daemon --nofork --print-address=3 --config-file="$tmp/$1.conf" 3>"$tmp/$1-address" \
        >>"$tmp/bus.log" 2>&1 &
    pids+=($!)
    for i in $(seq 100); do [ -s "$tmp/$1-address" ] && break; sleep 0.1; done
    export "DBUS_${1^^}_BUS_ADDRESS=$(head -n1 "$tmp/$1-address")"
}
bus system "unix:path=$tmp/system_bus_socket"
# Only dconf can be started on the session bus: the shell writes its settings through it.
mkdir -p "$tmp/services"
cp /usr/share/dbus-1/services/ca.desrt.dconf.service "$tmp/services/"
bus session "unix:dir=$tmp" "<servicedir>$tmp/services</servicedir>"

has_name() { gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null | grep -q true; }
# wait_until SECONDS CMD...: polls CMD until it succeeds
wait_until() {
    local end=$((SECONDS + $1)); shift
    until "$@"; do [ $SECONDS -lt $end ] || return 1; sleep 0.1; done
}

# shell JS: the value of JS evaluated in the shell, as JSON
shell() {
    gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
        --method org.gnome.Shell.Eval "$1" 2>&1 |
        sed -n "s/^(true, '\(.*\)')$/\1/p"
}

gnome-shell --headless --virtual-monitor 1280x800 --wayland --wayland-display=tessel-wl \
    --unsafe-mode --sm-disable >"$tmp/gnome-shell.log" 2>&1 &
pids+=($!)
shell_pid=$!
shell_ready() { shell 'Main.layoutManager._startingUp === false' | grep -qx true; }
if ! wait_until 120 shell_ready; then
    kill -0 $shell_pid 2>/dev/null || { cat "$tmp/gnome-shell.log"; skip "GNOME Shell cannot run here"; }
    cat "$tmp/gnome-shell.log"; echo "FAIL: GNOME Shell did not finish starting"; exit 1
fi

# GNOME opens the overview at log-in: leave it for the desktop.
shell 'Main.overview.hide()' >/dev/null
xdisplay=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$tmp/gnome-shell.log" | head -n1)
xauthority=$(ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* 2>/dev/null | head -n1)

# The shell's side, read through Eval. The button: "VISIBLE X Y W H CHECKED"; its text apart.
button='Main.panel.statusArea["tessel-calendar"]'
button_box() {
    shell "(() => { const b = $button; const [x, y] = b.get_transformed_position();
        const [w, h] = b.get_transformed_size();
        return [b.visible && b.is_mapped(), x, y, w, h, b.has_style_pseudo_class('checked')]
            .map(v => typeof v === 'number' ? Math.round(v) : v).join(' '); })()" | tr -d '"'
}
button_text() { shell "$button.get_child_at_index(0).text" | tr -d '"'; }
# The frame of the shown window whose title starts so: "X Y W H", nothing when there is none.
window_box() {
    shell "global.get_window_actors().map(a => a.meta_window).filter(w => w.get_title().startsWith('$1'))
        .map(w => { const r = w.get_frame_rect(); return [r.x, r.y, r.width, r.height].join(' '); })
        .join(',')" | tr -d '"'
}
# A virtual pointer of the shell's own: move to X Y and press and release BUTTON.
click() {
    shell "(() => { const C = imports.gi.Clutter, t = imports.gi.GLib.get_monotonic_time();
        global.tesselPointer ??= C.get_default_backend().get_default_seat()
            .create_virtual_device(C.InputDeviceType.POINTER_DEVICE);
        global.tesselPointer.notify_absolute_motion(t, $1, $2);
        global.tesselPointer.notify_button(t + 1000, $3, C.ButtonState.PRESSED);
        global.tesselPointer.notify_button(t + 2000, $3, C.ButtonState.RELEASED); })()" >/dev/null
}
click_button() { read -r _ x y w h _ <<<"$(button_box)"; click $((x + w / 2)) $((y + h / 2)) "$1"; }
# Clicks the entry of the button's menu with that text.
click_menu_item() {
    local box
    box=$(shell "(() => { const i = $button.menu._getMenuItems().find(i => i.label?.text === '$1');
        const [x, y] = i.get_transformed_position(); const [w, h] = i.get_transformed_size();
        return [x + w / 2, y + h / 2].map(Math.round).join(' '); })()" | tr -d '"')
    click $box 1
}
menu_open() { shell "$button.menu.isOpen" | grep -qx true; }
registered_items() {
    gdbus call --session --dest org.kde.StatusNotifierWatcher --object-path /StatusNotifierWatcher \
        --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher \
        RegisteredStatusNotifierItems 2>/dev/null
}
no_items() { registered_items | grep -q '@as \[\]'; }
some_item() { registered_items | grep -q "<\['"; }

mkdir -p "$tmp/app/tessel-calendar"
echo '{"preferences.showSeconds": false}' >"$tmp/app/tessel-calendar/settings.json"
app_env=(XDG_CONFIG_HOME="$tmp/app" DISPLAY="$xdisplay" XAUTHORITY="$xauthority"
    WAYLAND_DISPLAY=tessel-wl)
start_app() {
    env "${app_env[@]}" QT_QPA_PLATFORM="$1" "$exe" >>"$tmp/tessel-$1.log" 2>&1 &
    pids+=($!)
}
title() { env "${app_env[@]}" "$exe" title; }
visible() { [ "$(button_box | cut -d' ' -f1)" = true ]; }
hidden() { [ "$(button_box | cut -d' ' -f1)" = false ]; }
text_is_title() { [ "$(button_text)" = "$(title)" ]; }
panel_shown() { [ -n "$(window_box 栖格日历)" ]; }
panel_gone() { [ -z "$(window_box 栖格日历)" ]; }
checked() { [ "$(button_box | cut -d' ' -f6)" = true ]; }
unchecked() { [ "$(button_box | cut -d' ' -f6)" = false ]; }
# check NAME SECONDS CMD...: one pass or fail line
check() {
    local name=$1 seconds=$2; shift 2
    if wait_until "$seconds" "$@"; then pass "$name"; else fail "$name"; fi
}
# The panel's top edge just under the button, and the button over the panel's width.
panel_under_button() {
    local px py pw ph bx by bw bh
    read -r px py pw ph <<<"$(window_box 栖格日历)"
    read -r _ bx by bw bh _ <<<"$(button_box)"
    [ -n "$py" ] && [ "$py" -ge $((by + bh)) ] && [ "$py" -le $((by + bh + 12)) ] &&
        [ "$px" -le $((bx + bw / 2)) ] && [ $((px + pw)) -ge $((bx + bw / 2)) ]
}

has_name io.github.TesselCalendar && { echo "FAIL: a program is on the private bus already"; exit 1; }
check "the button is hidden while the program is not running" 5 hidden
start_app xcb
check "the button shows the program's text" 20 visible
check "the button's text equals 'tessel-calendar title'" 10 text_is_title
echo "text: '$(button_text)'"
check "no status item is registered while the button serves" 2 no_items
click_button 1
check "one click shows the panel" 10 panel_shown
check "the button is checked while the panel is open" 5 checked
check "the panel's top edge is under the button" 5 panel_under_button
echo "panel at $(window_box 栖格日历), button at $(button_box)"
click_button 1
check "a second click hides the panel" 10 panel_gone
check "the button is no longer checked" 5 unchecked

click_button 3
check "a right click opens the menu" 5 menu_open
click_menu_item 显示日历面板
check "the menu's 显示日历面板 shows the panel" 10 panel_shown
click_button 1
check "a click hides it again" 10 panel_gone
click_button 3
check "the menu opens again" 5 menu_open
click_menu_item 偏好设置…
check "the menu's 偏好设置… shows the preferences" 10 eval '[ -n "$(window_box 设置)" ]'
shell "global.get_window_actors().map(a => a.meta_window).filter(w => w.get_title().startsWith('设置'))
    .forEach(w => w.delete(global.get_current_time()))" >/dev/null

extensions() {
    gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
        --method "org.gnome.Shell.Extensions.$1" "$uuid" >/dev/null
}
extensions DisableExtension
start=$SECONDS
check "disabling the extension brings the status item back" 5 some_item
echo "status item back after $((SECONDS - start)) s"
extensions EnableExtension
check "enabling it again takes the status item away" 10 no_items
check "and the button is back" 10 visible

click_button 3
check "the menu opens" 5 menu_open
click_menu_item 退出栖格日历
check "the menu's 退出栖格日历 quits the program" 10 eval '! has_name io.github.TesselCalendar'
check "the button hides when the program quits" 5 hidden

# Natively on Wayland the program cannot place its panel: the extension does.
start_app wayland
check "starting the program shows the button again" 20 visible
click_button 1
check "one click shows the Wayland panel" 10 panel_shown
check "the Wayland panel is placed under the button" 5 panel_under_button
echo "panel at $(window_box 栖格日历), button at $(button_box)"
click_button 1
check "a second click hides the Wayland panel" 10 panel_gone
gdbus call --session --dest io.github.TesselCalendar --object-path /io/github/TesselCalendar/TopBar \
    --method io.github.TesselCalendar.TopBar.Quit >/dev/null

if ((failures)); then
    echo "--- gnome-shell.log"; grep -iE 'tessel|error|exception' "$tmp/gnome-shell.log" | tail -n 30
    for f in "$tmp"/tessel-*.log; do echo "--- $f"; tail -n 20 "$f"; done
    exit 1
fi
echo "all checks passed"
