#!/usr/bin/env bash
# Time from starting the application to its menu bar text being readable on the bus, and from an
# Activate call to the panel's window being shown, with a real tray host (gtk-sni-tray-standalone)
# as the StatusNotifierWatcher; medians of 5 starts. Both include the polling commands' own
# start-up, so they are upper bounds. A second run has Evolution Data Server's registry and
# calendar factory on the bus with one local calendar the program has access to.
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")/.." && pwd)
program=$(cd "$build" && pwd)/src/tessel-calendar

inside() {
    home=$(mktemp -d)
    export XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_CACHE_HOME=$home/cache
    if [[ -n $with_eds ]]; then
        mkdir -p "$XDG_CONFIG_HOME/tessel-calendar" "$XDG_CONFIG_HOME/evolution/sources" \
            "$XDG_DATA_HOME/evolution/calendar/bench"
        echo '{"calendar.access.events": "granted"}' >"$XDG_CONFIG_HOME/tessel-calendar/settings.json"
        printf '[Data Source]\nDisplayName=Bench\nEnabled=true\nParent=local-stub\n\n[Calendar]\nBackendName=local\n' \
            >"$XDG_CONFIG_HOME/evolution/sources/bench.source"
        printf 'BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:b\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:%s\r\nSUMMARY:Bench\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n' \
            "$(date -u +%Y%m%dT120000Z)" >"$XDG_DATA_HOME/evolution/calendar/bench/calendar.ics"
        dbus-update-activation-environment XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME \
            GSETTINGS_BACKEND=memory
        for service in Sources5 Calendar8; do
            dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
                org.freedesktop.DBus.StartServiceByName \
                string:org.gnome.evolution.dataserver.$service uint32:0 >/dev/null
        done
    fi
    gtk-sni-tray-standalone --watcher >/dev/null 2>&1 &
    tray=$!
    for _ in $(seq 100); do
        dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
            org.freedesktop.DBus.NameHasOwner string:org.kde.StatusNotifierWatcher 2>/dev/null |
            grep -q true && break
        sleep 0.05
    done
    times=()
    shown=()
    for _ in 1 2 3 4 5; do
        start=$(date +%s%N)
        "$program" &
        app=$!
        label=
        until [[ -n $label ]]; do
            label=$(dbus-send --session --print-reply --dest="$(dbus-send --session --print-reply \
                --dest=org.freedesktop.DBus / org.freedesktop.DBus.GetConnectionUnixProcessID \
                string:io.github.TesselCalendar >/dev/null 2>&1 && echo io.github.TesselCalendar)" \
                /StatusNotifierItem org.freedesktop.DBus.Properties.Get \
                string:org.kde.StatusNotifierItem string:XAyatanaLabel 2>/dev/null |
                sed -n 's/.*string "\(.*\)"/\1/p')
        done
        end=$(date +%s%N)
        times+=($(((end - start) / 1000000)))
        sleep 1
        start=$(date +%s%N)
        dbus-send --session --type=method_call --dest=io.github.TesselCalendar /StatusNotifierItem \
            org.kde.StatusNotifierItem.Activate int32:700 int32:12
        for _ in $(seq 500); do
            xdotool search --onlyvisible --name '^栖格日历$' >/dev/null 2>&1 && break
        done
        end=$(date +%s%N)
        shown+=($(((end - start) / 1000000)))
        kill "$app"
        wait "$app" 2>/dev/null || true
    done
    kill "$tray" 2>/dev/null || true
    rm -rf "$home"
    sorted=$(printf '%s\n' "${times[@]}" | sort -n | tr '\n' ' ')
    median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p)
    echo "${with_eds:+with Evolution Data Server: }start to first menu bar text on the bus: median $median ms (runs: $sorted; target < 150 ms)"
    sorted=$(printf '%s\n' "${shown[@]}" | sort -n | tr '\n' ' ')
    median=$(printf '%s\n' "${shown[@]}" | sort -n | sed -n 3p)
    echo "${with_eds:+with Evolution Data Server: }Activate to the panel shown: median $median ms (runs: $sorted; target < 30 ms painted)"
}

dbus-run-session --config-file="$here/tests/dbus-session.conf" -- "$here/tests/run-with-xvfb" \
    bash -c "$(declare -f inside); program=$program with_eds= inside"
# The bus of the Evolution Data Server test: only its services can be started there.
eds_bus=$(cd "$build" && pwd)/tests/events/eds-session.conf
if [[ -f $eds_bus ]]; then
    dbus-run-session --config-file="$eds_bus" -- "$here/tests/run-with-xvfb" \
        bash -c "$(declare -f inside); program=$program with_eds=1 inside"
fi
