#!/usr/bin/env bash
# Prints the tray process's memory at rest: before the popover is first opened, while it is open,
# and over the minutes after it closed (the popover's scene is let go of five minutes after closing),
# then how soon a popover built anew is on screen. Runs in a virtual X display with trayer, on 51 MiB
# of generated logs.
#
# usage: bench/memory-at-rest.sh [seconds-after-closing]   (default 600)
set -euo pipefail
cd "$(dirname "$0")/.."
after=${1:-600}

. bench/tray-session.sh :95 28

build-release/bench/pacemark_corpus "$home/.claude/projects" 51 11 4 >/dev/null
HOME=$home TMPDIR=$home DISPLAY=$display QT_QPA_PLATFORM=xcb $app --stats >"$home/out.txt" 2>&1 &
pid=$!

memory() { # label
    awk -v label="$1" '/^Rss:/ {rss = $2} /^Pss_Anon:/ {anon = $2} /^Pss_File:/ {file = $2}
        END { printf "%-34s rss %6.1f MiB   pss anon %6.1f MiB   pss file %6.1f MiB\n", label, rss / 1024, anon / 1024, file / 1024 }' \
        "/proc/$pid/smaps_rollup"
}
click() {
    DISPLAY=$display xdotool mousemove $cx $cy click 1
}

sleep 10
# The tray icon is the panel's child window of this process; looked up before the popover, which
# has the same name, exists.
icon=$(DISPLAY=$display xdotool search --pid $pid --onlyvisible --name pacemark | head -n 1)
eval "$(DISPLAY=$display xdotool getwindowgeometry --shell "$icon")"
cx=$((X + WIDTH / 2))
cy=$((Y + HEIGHT / 2))
memory "at rest, popover never opened"
click
sleep 3
memory "popover open"
click
sleep 2
memory "just closed"
for ((t = 60; t <= after; t += 60)); do
    sleep 60
    memory "$((t / 60)) min after closing"
done
click
sleep 3
memory "open again"
kill -TERM $pid
wait $pid || true
grep -E 'popover:' "$home/out.txt"
