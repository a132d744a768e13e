#!/bin/bash
# The running application as a user meets it, on a private X server and session bus: the global
# shortcut from the settings toggles the panel, and a second start hands over --toggle.
# Usage: app_end_to_end.sh PROGRAM (run under run-with-xvfb and dbus-run-session).
set -euo pipefail
program=$1

home=$(mktemp -d)
app_pid=
cleanup() {
    [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null || true
    rm -rf "$home"
}
trap cleanup EXIT

export XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data TZ=Asia/Shanghai
mkdir -p "$XDG_CONFIG_HOME/tessel-calendar"
# ⌃⌥⌘K: key code 40 with Control, Option and Command.
shortcut=$(printf '{"keyCode":40,"carbonModifiers":6400,"displayText":"⌃⌥⌘K"}' | base64 -w0)
printf '{"preferences.hotKey": {"$data": "%s"}}\n' "$shortcut" \
    >"$XDG_CONFIG_HOME/tessel-calendar/settings.json"

"$program" &
app_pid=$!

panel_visible() {
    xdotool search --onlyvisible --name '^栖格日历$' >/dev/null 2>&1
}

# Waits up to 5 s for the panel to be shown (yes) or hidden (no).
expect_panel() {
    for _ in $(seq 50); do
        if [[ $1 == yes ]] && panel_visible; then return 0; fi
        if [[ $1 == no ]] && ! panel_visible; then return 0; fi
        sleep 0.1
    done
    echo "FAIL: expected the panel visible: $1 ($2)"
    exit 1
}

sleep 2
expect_panel no "after start"
xdotool key ctrl+alt+super+k
expect_panel yes "after the shortcut"
xdotool key ctrl+alt+super+k
expect_panel no "after the shortcut again"

"$program" --toggle
expect_panel yes "after --toggle from a second start"
kill -0 "$app_pid"
"$program" --toggle
expect_panel no "after a second --toggle"

echo "4 passed, 0 failed"
