#!/bin/sh
# Runs a test inside its own D-Bus session with its own unlocked GNOME Keyring in a temporary home, so
# that the Secret Service is tested against a real daemon and the user's own keyring is never touched.
# Where no session bus can be started the test runs anyway and skips, saying why.
set -u

if ! command -v dbus-run-session >/dev/null 2>&1; then
    PACEMARK_KEYRING_UNAVAILABLE="dbus-run-session is not installed (Debian package dbus)" exec "$@"
fi

home=$(mktemp -d) || exit 1
trap 'rm -rf "$home"' EXIT
mkdir -m 700 "$home/run"
export HOME="$home" XDG_RUNTIME_DIR="$home/run" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" \
    XDG_CACHE_HOME="$home/cache"
unset DBUS_SESSION_BUS_ADDRESS GNOME_KEYRING_CONTROL

if ! dbus-run-session -- true 2>/dev/null; then
    PACEMARK_KEYRING_UNAVAILABLE="no D-Bus session bus could be started" "$@"
    exit $?
fi

dbus-run-session -- sh -c '
    if ! printf %s pacemark-test | gnome-keyring-daemon --unlock --components=secrets >/dev/null; then
        echo "with-keyring.sh: gnome-keyring-daemon did not start" >&2
        exit 1
    fi
    PACEMARK_PRIVATE_KEYRING=1 exec "$@"' sh "$@"
