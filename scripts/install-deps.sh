#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages Pacemark needs to build, run and test.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-l10n-tools
    qt6-declarative-dev qt6-declarative-dev-tools qt6-svg-dev qml6-module-qtqml qml6-module-qtqml-workerscript
    qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-layouts
    qml6-module-qtquick-templates qml6-module-qtquick-window fonts-noto-cjk
    libsimdjson-dev libxxhash-dev libzstd-dev libsqlite3-dev libsecret-1-dev libxcb1-dev qt6-wayland
    locales
    libgtest-dev libgmock-dev libbenchmark-dev
    clang clang-format libclang-rt-14-dev
    xvfb xauth libgl1-mesa-dri
    dbus gnome-keyring
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
