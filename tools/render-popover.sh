#!/usr/bin/env bash
# Renders the popover's pages and the settings window with sample data to docs/screenshots in Korean and
# to docs/screenshots/en in English (offscreen, light and dark).
# Usage: tools/render-popover.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
[ -f "$dir/build.ninja" ] || cmake -S . -B "$dir" -G Ninja -DPACEMARK_WERROR=ON >/dev/null
cmake --build "$dir" --target pacemark_render -j2
QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 TZ=UTC "$dir/tools/render/pacemark_render" docs/screenshots ko
QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 TZ=UTC "$dir/tools/render/pacemark_render" docs/screenshots/en en
