#!/usr/bin/env bash
# Time from starting the application to its menu bar text being readable on the bus, and from an
# Activate call to the panel's window being shown, with a real tray host (gtk-sni-tray-standalone)
# as the StatusNotifierWatcher; medians of 5 starts, first with no calendars, then over a
# generated folder of 20 calendars with 10,000 events (500 repeating), whose first start also
# fills the parse cache. Both times include the polling commands' own start-up, so they are
# upper bounds. Resident memory is read after the panel was opened and closed again. A last run
# has Evolution Data Server's registry and calendar factory on the bus with one local calendar.
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")/.." && pwd)
program=$(cd "$build" && pwd)/src/tessel-calendar

inside() {
    home=$(mktemp -d)
    gtk-sni-tray-standalone --watcher >/dev/null 2>&1 &
    tray=$!
    for _ in $(seq 100); do
        dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
            org.freedesktop.DBus.NameHasOwner string:org.kde.StatusNotifierWatcher 2>/dev/null |
            grep -q true && break
        sleep 0.05
    done

    # One start: sets $started (ms to the text on the bus), $shown (ms to the panel) and $rss.
    start_once() {
        local start end app label
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
        started=$(((end - start) / 1000000))
        sleep 1
        start=$(date +%s%N)
        dbus-send --session --type=method_call --dest=io.github.TesselCalendar /StatusNotifierItem \
            org.kde.StatusNotifierItem.Activate int32:700 int32:12
        for _ in $(seq 500); do
            xdotool search --onlyvisible --name '^栖格日历$' >/dev/null 2>&1 && break
        done
        end=$(date +%s%N)
        shown=$(((end - start) / 1000000))
        sleep 0.5
        dbus-send --session --type=method_call --dest=io.github.TesselCalendar /StatusNotifierItem \
            org.kde.StatusNotifierItem.Activate int32:700 int32:12
        sleep 0.5
        rss=$(awk '/^VmRSS/ {print $2}' "/proc/$app/status")
        kill "$app"
        wait "$app" 2>/dev/null || true
    }

    median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }

    # Five starts over the folder set up in $XDG_*_HOME; prints the figures under a label.
    measure() {
        local label=$1 times=() panels=() memory=()
        for _ in 1 2 3 4 5; do
            start_once
            times+=("$started")
            panels+=("$shown")
            memory+=("$rss")
        done
        text_median=$(median "${times[@]}")
        echo "$label: start to menu bar text on the bus: median $text_median ms (runs: $(printf '%s ' "${times[@]}"))"
        echo "$label: Activate to the panel shown: median $(median "${panels[@]}") ms (runs: $(printf '%s ' "${panels[@]}"))"
        awk -v kb="$(median "${memory[@]}")" -v label="$label" \
            'BEGIN { printf "%s: resident memory, panel opened and closed: %.1f MB (target < 60 MB)\n", label, kb / 1024 }'
    }

    grant() {
        mkdir -p "$XDG_CONFIG_HOME/tessel-calendar"
        echo '{"calendar.access.events": "granted"}' >"$XDG_CONFIG_HOME/tessel-calendar/settings.json"
    }

    if [[ -n $with_eds ]]; then
        export XDG_CONFIG_HOME=$home/eds/config XDG_DATA_HOME=$home/eds/data XDG_CACHE_HOME=$home/eds/cache
        grant
        mkdir -p "$XDG_CONFIG_HOME/evolution/sources" "$XDG_DATA_HOME/evolution/calendar/bench"
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
        measure "with Evolution Data Server"
    else
        export XDG_CONFIG_HOME=$home/empty/config XDG_DATA_HOME=$home/empty/data XDG_CACHE_HOME=$home/empty/cache
        grant
        measure "no calendars"
        empty_median=$text_median

        export XDG_CONFIG_HOME=$home/full/config XDG_DATA_HOME=$home/full/data XDG_CACHE_HOME=$home/full/cache
        grant
        python3 "$here/tools/generate-calendar-folder.py" "$XDG_DATA_HOME" --calendars 20 --events 10000 \
            --series 500
        start_once
        echo "10,000 events: first start, parse cache empty: text on the bus $started ms, panel $shown ms"
        measure "10,000 events"
        awk -v full="$text_median" -v empty="$empty_median" 'BEGIN {
            printf "10,000 events / no calendars, start to text: %.2f (target: within 1.3)\n", (empty > 0 ? full / empty : 0) }'
    fi

    kill "$tray" 2>/dev/null || true
    rm -rf "$home"
}

dbus-run-session --config-file="$here/tests/dbus-session.conf" -- "$here/tests/run-with-xvfb" \
    bash -c "$(declare -f inside); program=$program here=$here with_eds= inside"
# The bus of the Evolution Data Server test: only its services can be started there.
eds_bus=$(cd "$build" && pwd)/tests/events/eds-session.conf
if [[ -f $eds_bus ]]; then
    dbus-run-session --config-file="$eds_bus" -- "$here/tests/run-with-xvfb" \
        bash -c "$(declare -f inside); program=$program here=$here with_eds=1 inside"
fi
