# Sourced by the tray benchmarks: installs what they need, builds Pacemark for release with the
# benchmark tools, and starts a virtual X display with the trayer tray host. Afterwards $display,
# $home (an empty home folder, removed at exit) and $app are set.
# usage: . bench/tray-session.sh <display> <tray-height>

scripts/install-deps.sh
for tool in trayer xdotool; do
    command -v $tool >/dev/null || { sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo; $sudo apt-get install -y -qq $tool; }
done
scripts/build.sh build-release -DCMAKE_BUILD_TYPE=Release -DPACEMARK_BUILD_TESTS=OFF -DPACEMARK_BUILD_BENCHMARKS=ON
app=build-release/src/pacemark

display=$1
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
home=$(mktemp -d)
trap 'kill $xvfb $tray 2>/dev/null || true; rm -rf "$home"' EXIT
sleep 1
DISPLAY=$display trayer --edge top --align right --widthtype request --height "$2" --transparent false >/dev/null 2>&1 &
tray=$!
sleep 1
