#!/bin/sh
# Runs a test on a real X server (Xvfb, no window manager) inside a D-Bus session bus of its own, so
# the tray's bus traffic and the popover's placement are tested for real and never reach the user's
# desktop. Where either cannot be started the test runs anyway and skips, saying why.
set -u
if ! command -v dbus-run-session >/dev/null 2>&1 || ! command -v xvfb-run >/dev/null 2>&1; then
    PACEMARK_DESKTOP_UNAVAILABLE="dbus-run-session or xvfb-run is missing (Debian packages dbus, xvfb)" exec "$@"
fi
unset DBUS_SESSION_BUS_ADDRESS DISPLAY WAYLAND_DISPLAY
exec dbus-run-session -- xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" "$@"
