#!/usr/bin/env bash
# What the runner costs the tray host: GNOME Shell 43 with the AppIndicator extension (headless,
# a virtual 1280x800 monitor, software rendering) and waybar in a headless sway. For each runner
# speed, next to a run without Pacemark, it prints the host's CPU, its memory at the end of the
# window and the slope over it, the icon announcements Pacemark sent and the fetches the host made
# per second, and the lines the shell logged about the item. Then it starts Pacemark many times and
# disables and enables the extension, counting the starts after which the shell still lists the item,
# and takes two screenshots of the shell's panel with the runner in it, a quarter second apart. The
# shell's lines about the item, with the three lines before each, go to gnome-shell-lines.txt.
#
# usage: bench/host-cost.sh [seconds-per-window] [starts] [output-folder]
#   (default 30, 20 and build-release/host-cost)
#   PACEMARK_APP=path/to/pacemark uses that build instead of building build-release.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
starts=${2:-20}
out=$(realpath -m "${3:-build-release/host-cost}")
mkdir -p "$out"

need=(gnome-shell gnome-shell-extension-appindicator sway waybar dbus-x11)
missing=()
for p in "${need[@]}"; do dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
app=${PACEMARK_APP:-}
if [ -z "$app" ]; then
    scripts/build.sh build-release -DCMAKE_BUILD_TYPE=Release -DPACEMARK_BUILD_TESTS=OFF
    app=build-release/src/pacemark
fi
app=$(realpath "$app")

work=$(mktemp -d)
chmod 755 "$work"
cleanup() {
    if id pmhost >/dev/null 2>&1; then pkill -u pmhost || true; userdel -r pmhost 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

# The figures of one window, run inside the host's session. Exported to the sessions below.
cat > "$work/measure.sh" <<'SH'
# measure <host-pid> <label> <speed|none> <seconds> <log>
measure() {
    local host=$1 label=$2 speed=$3 seconds=$4 log=$5 pid="" hz
    hz=$(getconf CLK_TCK)
    dbus-monitor --session "type='signal',path='/StatusNotifierItem'" \
        "type='method_call',path='/StatusNotifierItem',interface='org.freedesktop.DBus.Properties'" \
        > "$HOME/monitor.txt" 2>/dev/null &
    local monitor=$!
    if [ "$speed" != none ]; then
        "$APP" --runner-speed "$speed" > /dev/null 2>&1 &
        pid=$!
    fi
    sleep 6 # past start-up and registration
    local lines0 t0 r0 m0
    lines0=$(wc -l < "$log")
    t0=$(awk '{print $14 + $15}' /proc/$host/stat)
    r0=$(awk '/VmRSS/ {print $2}' /proc/$host/status)
    m0=$(wc -l < "$HOME/monitor.txt")
    sleep "$seconds"
    local t1 r1 sent fetched errors
    t1=$(awk '{print $14 + $15}' /proc/$host/stat)
    r1=$(awk '/VmRSS/ {print $2}' /proc/$host/status)
    sent=$(tail -n +$((m0 + 1)) "$HOME/monitor.txt" | grep -c 'member=\(PropertiesChanged\|NewIcon\)$' || true)
    fetched=$(tail -n +$((m0 + 1)) "$HOME/monitor.txt" | grep -c 'member=Get\(All\)\?$' || true)
    errors=$(tail -n +$((lines0 + 1)) "$log" | grep -ci 'pacemark\|StatusNotifierItem\|appindicator' || true)
    [ -n "$pid" ] && { kill "$pid"; wait "$pid" 2>/dev/null || true; }
    kill $monitor; wait $monitor 2>/dev/null || true
    awk -v l="$label" -v s="$speed" -v a="$t0" -v b="$t1" -v hz="$hz" -v n="$seconds" -v r0="$r0" -v r1="$r1" \
        -v sent="$sent" -v f="$fetched" -v e="$errors" 'BEGIN {
        printf "| %s | %s | %.2f %% | %.1f MB | %+.2f MB/min | %.1f | %.1f | %d |\n",
            l, s, 100 * (b - a) / hz / n, r1 / 1024, (r1 - r0) / 1024 * 60 / n, sent / n, f / n, e }'
}
# listed: true when the watcher lists an item
listed() {
    dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher string:RegisteredStatusNotifierItems \
        2>/dev/null | grep -q 'string "'
}
unlisted() { ! listed; }
wait_for() { local n=$(($1 * 10)); shift; for ((i = 0; i < n; i++)); do "$@" && return 0; sleep 0.1; done; return 1; }
SH

echo "| host | runner | host CPU | host memory | memory slope | icons sent/s | host fetches/s | log lines about the item |"
echo "|---|---|---|---|---|---|---|---|"

# ---- GNOME Shell ----------------------------------------------------------------------------------
# A session bus for the shell and the item, a second bus standing in for the system bus.
useradd -m pmhost 2>/dev/null || true
# The shell takes screenshots over the bus only for its own tools, or in its unsafe mode, which this
# extension of the bench's own turns on.
bench_ext=/home/pmhost/.local/share/gnome-shell/extensions/pacemark-bench@pacemark
mkdir -p "$bench_ext"
printf '{"uuid": "pacemark-bench@pacemark", "name": "Pacemark bench", "description": "Lets the bench take screenshots", "shell-version": ["43"]}\n' \
    > "$bench_ext/metadata.json"
printf 'function init() {}\nfunction enable() { global.context.unsafe_mode = true; }\nfunction disable() {}\n' \
    > "$bench_ext/extension.js"
chown -R pmhost /home/pmhost
chown pmhost "$out"
run=$work/run
mkdir -m 700 "$run"
chown pmhost "$run"
runuser -u pmhost -- env -i HOME=/home/pmhost USER=pmhost XDG_RUNTIME_DIR="$run" PATH=/usr/bin:/bin \
    APP="$app" MEASURE="$work/measure.sh" SECONDS_PER="$seconds" STARTS="$starts" LIBGL_ALWAYS_SOFTWARE=1 \
    OUT="$out" EXTENSIONS="['ubuntu-appindicators@ubuntu.com', 'pacemark-bench@pacemark']" \
    BENCH_ONLY="['pacemark-bench@pacemark']" \
    bash -c '
    export DBUS_SYSTEM_BUS_ADDRESS=$(dbus-daemon --session --fork --print-address=1 --print-pid=3 3>$XDG_RUNTIME_DIR/sysbus.pid)
    dbus-run-session -- bash -c "
        . \$MEASURE
        gsettings set org.gnome.shell enabled-extensions \"\$EXTENSIONS\"
        gnome-shell --headless --virtual-monitor 1280x800 --wayland --no-x11 > \$HOME/shell.log 2>&1 &
        shell=\$!
        export WAYLAND_DISPLAY=wayland-0 QT_QPA_PLATFORM=wayland
        wait_for 20 test -S \$XDG_RUNTIME_DIR/wayland-0
        sleep 8 # the shell settles
        for speed in none idle walking running sprinting; do
            measure \$shell gnome-shell \$speed \$SECONDS_PER \$HOME/shell.log
        done
        held=0
        for ((n = 0; n < STARTS; n++)); do
            \$APP > /dev/null 2>&1 &
            pid=\$!
            wait_for 10 listed && sleep 3 && listed && held=\$((held + 1))
            kill \$pid; wait \$pid 2>/dev/null
            wait_for 5 unlisted || true
        done
        \$APP > /dev/null 2>&1 &
        pid=\$!
        wait_for 10 listed
        gsettings set org.gnome.shell enabled-extensions \"\$BENCH_ONLY\"
        sleep 3
        gsettings set org.gnome.shell enabled-extensions \"\$EXTENSIONS\"
        back=no; wait_for 15 listed && sleep 3 && listed && back=yes
        sleep 2
        for shot in 1 2; do
            gdbus call --session --dest org.gnome.Shell.Screenshot --object-path /org/gnome/Shell/Screenshot \
                --method org.gnome.Shell.Screenshot.Screenshot false false \$OUT/gnome-shell-\$shot.png > /dev/null
            sleep 0.25
        done
        kill \$pid; wait \$pid 2>/dev/null
        errors=\$(grep -ci \"pacemark\|StatusNotifierItem\|appindicator\" \$HOME/shell.log || true)
        grep -i -B 3 \"pacemark\|StatusNotifierItem\|appindicator\" \$HOME/shell.log > \$OUT/gnome-shell-lines.txt || true
        echo
        echo \"gnome-shell: the item held in \$held of \$STARTS starts; after disabling and enabling the extension: \$back; lines about it in the shell log over the whole run: \$errors\"
        kill \$shell; wait \$shell 2>/dev/null
    "
    kill $(cat $XDG_RUNTIME_DIR/sysbus.pid)
    '
rm -rf "${run:?}"/*

# ---- waybar ---------------------------------------------------------------------------------------
# sway refuses to run as root: the bar runs as the throwaway user too.
mkdir -p /home/pmhost/.config/sway /home/pmhost/.config/waybar
printf 'output HEADLESS-1 resolution 1280x800\nexec waybar > $HOME/waybar.log 2>&1\n' > /home/pmhost/.config/sway/config
printf '{"layer": "top", "position": "top", "height": 30, "modules-right": ["tray"], "tray": {"icon-size": 22, "spacing": 6}}\n' \
    > /home/pmhost/.config/waybar/config
chown -R pmhost /home/pmhost
echo
echo "| host | runner | host CPU | host memory | memory slope | icons sent/s | host fetches/s | log lines about the item |"
echo "|---|---|---|---|---|---|---|---|"
runuser -u pmhost -- env -i HOME=/home/pmhost USER=pmhost XDG_RUNTIME_DIR="$run" PATH=/usr/bin:/bin \
    APP="$app" MEASURE="$work/measure.sh" SECONDS_PER="$seconds" \
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    dbus-run-session -- bash -c '
        . $MEASURE
        sway > /dev/null 2>&1 &
        wait_for 20 bash -c "ls \$XDG_RUNTIME_DIR/wayland-* >/dev/null 2>&1"
        export WAYLAND_DISPLAY=$(basename $(ls $XDG_RUNTIME_DIR/wayland-* | grep -v lock | head -1)) QT_QPA_PLATFORM=wayland
        export SWAYSOCK=$(ls $XDG_RUNTIME_DIR/sway-ipc.* | head -1)
        wait_for 20 pgrep -u pmhost -x waybar >/dev/null
        sleep 3
        bar=$(pgrep -u pmhost -x waybar | head -1)
        for speed in none idle walking running sprinting; do
            measure $bar waybar $speed $SECONDS_PER $HOME/waybar.log
        done
        swaymsg exit > /dev/null 2>&1 || true
    '
