#!/usr/bin/env bash
# Runs Pacemark in a virtual X display with a tray host and prints, for each runner speed, its
# average CPU over a minute and its memory, plus how many status images it composed.
#
# usage: bench/tray-cpu.sh [seconds-per-speed] [soak-seconds]
#   soak-seconds > 0 also runs the sprinting runner that long and prints its memory over time.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
soak=${2:-0}

. bench/tray-session.sh :97 24

mkdir -p "$home/.claude/projects"
ticks=$(getconf CLK_TCK)

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss_kib() { awk '/VmRSS/ {print $2}' "/proc/$1/status"; }

printf '%-10s %8s %10s %10s %12s\n' speed "cpu %" "rss MiB" "shown/s" "composed"
for speed in idle walking running sprinting; do
    HOME=$home DISPLAY=$display QT_QPA_PLATFORM=xcb $app --runner-speed $speed --stats \
        > "$home/out.txt" 2>&1 &
    pid=$!
    sleep 3 # past start-up
    t0=$(cpu_ticks $pid)
    sleep "$seconds"
    t1=$(cpu_ticks $pid)
    rss=$(rss_kib $pid)
    kill -TERM $pid
    wait $pid || true
    shown=$(grep -o 'shown [0-9]*' "$home/out.txt" | awk '{print $2}')
    composed=$(grep -o 'composed [0-9]*' "$home/out.txt" | awk '{print $2}')
    up=$(grep -o 'in [0-9.]* s' "$home/out.txt" | awk '{print $2}')
    awk -v a="$t0" -v b="$t1" -v s="$seconds" -v hz="$ticks" -v r="$rss" -v c="${composed:-0}" -v w="${shown:-0}" -v u="${up:-1}" -v n="$speed" \
        'BEGIN { printf "%-10s %8.2f %10.1f %10.1f %12d\n", n, 100 * (b - a) / hz / s, r / 1024, w / u, c }'
done

if [ "$soak" -gt 0 ]; then
    echo "== memory while sprinting for $soak s"
    HOME=$home DISPLAY=$display QT_QPA_PLATFORM=xcb $app --runner-speed sprinting >/dev/null 2>&1 &
    pid=$!
    for ((t = 0; t <= soak; t += soak / 10)); do
        printf '%6d s  %8.1f MiB\n' "$t" "$(echo "$(rss_kib $pid) / 1024" | bc -l)"
        sleep $((soak / 10))
    done
    kill -TERM $pid
    wait $pid || true
fi
