#!/usr/bin/env bash
# CPU time and peak memory of `tessel-calendar --bar` showing seconds, over a run of 60 s
# (or the seconds given as the second argument).
set -euo pipefail
build=${1:-build}
seconds=${2:-60}
program="$build/src/tessel-calendar"

config=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$config"' EXIT
mkdir -p "$config/tessel-calendar"
echo '{"preferences.showSeconds": true}' >"$config/tessel-calendar/settings.json"

XDG_CONFIG_HOME="$config" "$program" --bar >/dev/null &
pid=$!
sleep 1
read -r -a before <"/proc/$pid/stat"
sleep "$seconds"
read -r -a after <"/proc/$pid/stat"
peak_kb=$(awk '/^VmHWM/ {print $2}' "/proc/$pid/status")

ticks=$(getconf CLK_TCK)
# Fields 14 and 15 of /proc/PID/stat: user and system time in clock ticks.
used=$(((after[13] + after[14]) - (before[13] + before[14])))
awk -v used="$used" -v ticks="$ticks" -v seconds="$seconds" -v peak="$peak_kb" 'BEGIN {
    cpu = used / ticks
    printf "--bar with seconds over %d s: CPU %.3f s = %.3f %% of one core (target < 0.1 %%)\n", seconds, cpu, 100 * cpu / seconds
    printf "--bar peak resident memory: %.1f MB (target < 60 MB)\n", peak / 1024
}'
