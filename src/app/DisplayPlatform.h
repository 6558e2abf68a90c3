#pragma once

#include <QByteArray>
#include <QString>

namespace pacemark {

// Picks the display connection before the application object exists. In a Wayland session with
// XWayland the application runs as an X11 client, since only there can the popover open next to the
// tray icon (a Wayland window cannot place itself). Without any display the application says so in
// one line instead of aborting inside Qt.
class DisplayPlatform
{
public:
    struct Choice
    {
        QByteArray platform; // for QT_QPA_PLATFORM; empty to leave the user's own choice alone
        QString error; // set when no display can be reached
    };

    // From the environment (QT_QPA_PLATFORM, DISPLAY, WAYLAND_DISPLAY, XDG_RUNTIME_DIR).
    static Choice choose();
    // Applies the choice to the environment; false (and the error on standard error) when there is
    // no display.
    static bool apply();

private:
    static bool x11Reachable();
    static bool waylandReachable();
};

}
