#!/usr/bin/env bash
# Opens the popover from the tray a few times in a virtual X display and prints how soon it was on
# screen, then the CPU the process uses while the popover stays open.
#
# usage: bench/popover.sh [seconds-open]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}

. bench/tray-session.sh :96 28

# A busy day's worth of logs, so that every card has something to draw.
build-release/bench/pacemark_corpus "$home/.claude/projects" 200 11 4 >/dev/null
HOME=$home TMPDIR=$home DISPLAY=$display QT_QPA_PLATFORM=xcb $app --stats >"$home/out.txt" 2>&1 &
pid=$!
sleep 4

# The tray icon is the panel's child window of this process.
icon=$(DISPLAY=$display xdotool search --pid $pid --onlyvisible --name pacemark | head -n 1)
eval "$(DISPLAY=$display xdotool getwindowgeometry --shell "$icon")"
cx=$((X + WIDTH / 2))
cy=$((Y + HEIGHT / 2))
for i in 1 2 3 4 5 6 7 8 9; do
    DISPLAY=$display xdotool mousemove $cx $cy click 1
    sleep 1
done
# Nine clicks leave it open.
ticks=$(getconf CLK_TCK)
t0=$(awk '{print $14 + $15}' "/proc/$pid/stat")
sleep "$seconds"
t1=$(awk '{print $14 + $15}' "/proc/$pid/stat")
awk -v a="$t0" -v b="$t1" -v s="$seconds" -v hz="$ticks" \
    'BEGIN { printf "cpu with the popover open   %.2f %% of one core over %d s\n", 100 * (b - a) / hz / s, s }'
kill -TERM $pid
wait $pid || true
grep -E 'popover:' "$home/out.txt"
