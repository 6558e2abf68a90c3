#!/usr/bin/env bash
# Runs Pacemark in real tray hosts and writes screenshots of each, plus a contact sheet of them all:
#   X11:     Xvfb with trayer; openbox with tint2 at 22, 32 and 48 px on a light and a dark panel
#   Wayland: sway (headless) with swaybar and with waybar, Pacemark native and through XWayland
# Each scene shows the tray with the quota battery off and on, and the popover after a click on the
# icon. sway refuses to run as root, so the Wayland scenes run as a throwaway user made for them.
#
# usage: bench/tray-hosts.sh [output-folder]   (default build-release/tray-hosts)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=$(realpath -m "${1:-build-release/tray-hosts}")

scripts/install-deps.sh
need=(trayer openbox tint2 sway waybar grim imagemagick xdotool xwayland fonts-font-awesome python3)
missing=()
for p in "${need[@]}"; do dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
scripts/build.sh build-release -DCMAKE_BUILD_TYPE=Release -DPACEMARK_BUILD_TESTS=OFF
app=$root/build-release/src/pacemark

work=$(mktemp -d)
chmod 755 "$work"
rm -rf "$out"
mkdir -p "$out"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    if id pmtray >/dev/null 2>&1; then pkill -u pmtray || true; userdel -r pmtray 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

# A home with a busy session (the runner sprints), and a quota server on the loopback interface.
make_home() {
    local home=$1
    mkdir -p "$home/.claude/projects/-home-dev-app"
    python3 - "$home/.claude/projects/-home-dev-app/s.jsonl" <<'PY'
import datetime, json, sys
now = datetime.datetime.now(datetime.timezone.utc)
with open(sys.argv[1], "w") as f:
    for i in range(40):
        t = (now - datetime.timedelta(seconds=170 - 4 * i)).isoformat().replace("+00:00", "Z")
        f.write(json.dumps({"type": "assistant", "timestamp": t, "sessionId": "s1", "requestId": f"req_{i}",
            "message": {"id": f"msg_{i}", "model": "claude-sonnet-4-5", "role": "assistant",
                        "usage": {"input_tokens": 2000, "output_tokens": 3000,
                                  "cache_creation_input_tokens": 5000, "cache_read_input_tokens": 40000}}}) + "\n")
PY
    printf '{"claudeAiOauth": {"accessToken": "sk-ant-oat01-bench"}}' > "$home/.claude/.credentials.json"
    mkdir -p "$home/.config/Pacemark"
}
quota_port=18766
python3 - "$quota_port" >/dev/null 2>&1 <<'PY' &
import http.server, json, sys, datetime
now = datetime.datetime.now(datetime.timezone.utc)
body = json.dumps({"five_hour": {"utilization": 42.0, "resets_at": (now + datetime.timedelta(hours=2, minutes=5)).isoformat()},
                   "seven_day": {"utilization": 74.0, "resets_at": (now + datetime.timedelta(days=3, hours=4)).isoformat()}}).encode()
class H(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.send_response(200); self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body))); self.end_headers(); self.wfile.write(body)
    def log_message(self, *a): pass
http.server.HTTPServer(("127.0.0.1", int(sys.argv[1])), H).serve_forever()
PY
pids+=($!)

settings() { # home battery(true|false)
    printf '[General]\nshowMenuBarQuotaBattery=%s\n' "$2" > "$1/.config/Pacemark/pacemark.conf"
}

wait_for() { # seconds command...
    local n=$(($1 * 10)); shift
    for ((i = 0; i < n; i++)); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    return 1
}

# ---- X11 -----------------------------------------------------------------------------------------
x_display=:93
Xvfb $x_display -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$x_display
wait_for 5 xdpyinfo

x_icon_geometry() { # prints X Y W H of Pacemark's tray icon window
    local w
    w=$(xdotool search --class pacemark 2>/dev/null | while read -r id; do
        xdotool getwindowgeometry --shell "$id" | tr '\n' ' '; echo; done | awk '/WIDTH=(1[6-9]|[2-6][0-9]) /' | head -1)
    [ -n "$w" ] || return 1
    eval "$w"
    echo "$X $Y $WIDTH $HEIGHT"
}

x_scene() { # name tray-command crop-geometry
    local name=$1 crop=$3 home=$work/home-$1
    make_home "$home"
    bash -c "$2" >/dev/null 2>&1 &
    local tray=$!
    sleep 1.5
    for battery in false true; do
        settings "$home" $battery
        HOME=$home PACEMARK_API_BASE=http://127.0.0.1:$quota_port QT_QPA_PLATFORM= "$app" >/dev/null 2>&1 &
        local pid=$!
        wait_for 10 x_icon_geometry || echo "$name: no tray icon appeared" >&2
        sleep 2.5
        import -window root -crop "$crop" "$out/$name-battery-$battery.png"
        if [ $battery = true ]; then
            read -r x y w h < <(x_icon_geometry)
            xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
            sleep 1.5
            import -window root "$out/$name-popover.png"
        fi
        kill $pid; wait $pid 2>/dev/null || true
    done
    kill $tray; wait $tray 2>/dev/null || true
}

x_scene trayer "trayer --edge top --align right --widthtype request --height 22 --transparent false --tint 0x303030" 160x30+1120+0

tint2_scene() { # size colour
    local size=$1 colour=$2 rc=$work/tint2-$1-$2.rc
    cat > "$rc" <<RC
rounded = 0
border_width = 0
background_color = #$colour 100
border_color = #000000 0
panel_items = S
panel_size = 100% $size
panel_position = top right horizontal
panel_background_id = 1
systray_padding = 2 0 2
systray_background_id = 0
systray_icon_size = 0
RC
    x_scene "tint2-$size-$colour" "openbox & sleep 0.5; exec tint2 -c $rc" "200x$((size + 8))+0+0"
    pkill -x openbox || true
}
for size in 22 32 48; do
    for colour in f2f2f2 202020; do tint2_scene $size $colour; done
done
unset DISPLAY
kill "${pids[1]}" # Xvfb: the Wayland scenes must find only their own XWayland

# ---- Wayland --------------------------------------------------------------------------------------
useradd -m pmtray 2>/dev/null || true
uid=$(id -u pmtray)
run=$work/run-pmtray
mkdir -m 700 "$run"
chown pmtray "$run"
chown -R pmtray "$out"

w_scene() { # name bar(swaybar|waybar) platform(native|xwayland)
    local name=$1 bar=$2 platform=$3 home=/home/pmtray
    rm -rf "$home/.claude" "$home/.config"
    make_home "$home"
    mkdir -p "$home/.config/sway" "$home/.config/waybar"
    if [ "$bar" = swaybar ]; then
        printf 'output HEADLESS-1 resolution 1280x800\nbar {\n  position top\n  font pango:DejaVu Sans 10\n  status_command while date +%%H:%%M; do sleep 60; done\n  tray_output *\n}\n' > "$home/.config/sway/config"
    else
        printf 'output HEADLESS-1 resolution 1280x800\nexec waybar\n' > "$home/.config/sway/config"
        printf '{"layer": "top", "position": "top", "height": 30, "modules-right": ["tray"], "tray": {"icon-size": 22, "spacing": 6}}\n' > "$home/.config/waybar/config"
    fi
    chown -R pmtray "$home"
    local qpa=""
    [ "$platform" = native ] && qpa=wayland
    runuser -u pmtray -- env -i HOME=$home USER=pmtray XDG_RUNTIME_DIR=$run PATH=/usr/bin:/bin \
        WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
        APP="$app" OUT="$out" NAME="$name" QPA="$qpa" PORT=$quota_port \
        dbus-run-session -- bash -c '
        sway >/dev/null 2>&1 &
        for i in $(seq 50); do ls $XDG_RUNTIME_DIR/wayland-* >/dev/null 2>&1 && break; sleep 0.1; done
        export WAYLAND_DISPLAY=$(basename $(ls $XDG_RUNTIME_DIR/wayland-* | grep -v lock | head -1))
        export SWAYSOCK=$(ls $XDG_RUNTIME_DIR/sway-ipc.* | head -1)
        sleep 2
        swaymsg "exec echo \$DISPLAY > $XDG_RUNTIME_DIR/display" >/dev/null
        sleep 0.5
        export DISPLAY=$(cat $XDG_RUNTIME_DIR/display)
        for battery in false true; do
            printf "[General]\nshowMenuBarQuotaBattery=%s\n" $battery > $HOME/.config/Pacemark/pacemark.conf
            PACEMARK_API_BASE=http://127.0.0.1:$PORT QT_QPA_PLATFORM=$QPA "$APP" >/dev/null 2>&1 &
            pid=$!
            sleep 4
            grim -g "1080,0 200x40" "$OUT/$NAME-battery-$battery.png"
            if [ $battery = true ]; then
                # A headless sway has no pointer to click with (and 1.7 dies on "seat cursor press"
                # without one), so this sends what the bar sends on a click: Activate at the icon.
                item=$(dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
                    org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
                    string:RegisteredStatusNotifierItems | grep -o "string \":[0-9.]*" | head -1 | cut -d\" -f2)
                dbus-send --session --type=method_call --dest=$item /StatusNotifierItem \
                    org.kde.StatusNotifierItem.Activate int32:1266 int32:12
                sleep 1.5
                grim "$OUT/$NAME-popover.png"
            fi
            kill $pid; wait $pid 2>/dev/null
        done
        swaymsg exit >/dev/null 2>&1 || true
        '
}
w_scene sway-swaybar-xwayland swaybar xwayland
w_scene sway-swaybar-native swaybar native
w_scene sway-waybar-xwayland waybar xwayland
w_scene sway-waybar-native waybar native

# ---- Contact sheet ---------------------------------------------------------------------------------
# The tray crops at twice their size (pixels kept sharp), then four popovers as a user sees them.
cd "$out"
mkdir -p sheet
for f in *-battery-*.png; do
    convert "$f" -sample 200% -background '#d0d0d0' -gravity center -extent 420x110 "sheet/${f%.png}.png"
done
montage -label '%t' -font DejaVu-Sans -pointsize 13 -background '#d0d0d0' -geometry '+6+4' -tile 4x \
    sheet/*-battery-*.png sheet/icons.png
for f in trayer tint2-32-202020 sway-waybar-xwayland sway-swaybar-native; do
    convert "$f-popover.png" -resize 50% "sheet/$f-popover.png"
done
montage -label '%t' -font DejaVu-Sans -pointsize 13 -background '#d0d0d0' -geometry '+6+4' -tile 4x \
    sheet/trayer-popover.png sheet/tint2-32-202020-popover.png sheet/sway-waybar-xwayland-popover.png \
    sheet/sway-swaybar-native-popover.png sheet/popovers.png
convert sheet/icons.png sheet/popovers.png -background '#d0d0d0' -gravity center -append tray-hosts.png
rm -rf sheet
echo "screenshots in $out, contact sheet $out/tray-hosts.png"
