#!/usr/bin/env bash
# CPU time and memory of the running application, panel closed, seconds shown, over 60 s (or the
# seconds given as the second argument), on a private X server and session bus.
set -euo pipefail
build=${1:-build}
seconds=${2:-60}
here=$(cd "$(dirname "$0")/.." && pwd)
program=$(cd "$build" && pwd)/src/tessel-calendar

measure() {
    home=$(mktemp -d)
    trap 'kill "$pid" 2>/dev/null || true; rm -rf "$home"' EXIT
    export XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data
    mkdir -p "$XDG_CONFIG_HOME/tessel-calendar"
    echo '{"preferences.showSeconds": true}' >"$XDG_CONFIG_HOME/tessel-calendar/settings.json"
    "$program" &
    pid=$!
    sleep 3
    read -r -a before <"/proc/$pid/stat"
    sleep "$seconds"
    read -r -a after <"/proc/$pid/stat"
    rss_kb=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
    ticks=$(getconf CLK_TCK)
    used=$(((after[13] + after[14]) - (before[13] + before[14])))
    awk -v used="$used" -v ticks="$ticks" -v seconds="$seconds" -v rss="$rss_kb" 'BEGIN {
        cpu = used / ticks
        printf "application idle with seconds over %d s: CPU %.3f s = %.3f %% of one core (target < 0.1 %%)\n", seconds, cpu, 100 * cpu / seconds
        printf "application resident memory: %.1f MB (target < 60 MB)\n", rss / 1024
    }'
}

dbus-run-session --config-file="$here/tests/dbus-session.conf" -- \
    "$here/tests/run-with-xvfb" bash -c "$(declare -f measure); program=$program seconds=$seconds measure"
