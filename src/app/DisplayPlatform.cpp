#include "app/DisplayPlatform.h"

#include <cstdio>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <xcb/xcb.h>

namespace pacemark {

bool DisplayPlatform::x11Reachable()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool reachable = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return reachable;
}

bool DisplayPlatform::waylandReachable()
{
    const QByteArray name = qgetenv("WAYLAND_DISPLAY");
    if (name.isEmpty())
        return false;
    const QByteArray path = name.startsWith('/') ? name : qgetenv("XDG_RUNTIME_DIR") + '/' + name;
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (path.size() >= static_cast<qsizetype>(sizeof address.sun_path))
        return false;
    path.toStdString().copy(address.sun_path, sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool reachable = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return reachable;
}

DisplayPlatform::Choice DisplayPlatform::choose()
{
    const QByteArray requested = qgetenv("QT_QPA_PLATFORM");
    if (!requested.isEmpty()) {
        // A list ("wayland;xcb") or another platform is the user's to answer for; a single one
        // that cannot connect would only abort.
        if ((requested == "xcb" && !x11Reachable()) || (requested == "wayland" && !waylandReachable()))
            return { {},
                     QStringLiteral("cannot connect to the display of QT_QPA_PLATFORM=%1")
                         .arg(QString::fromLocal8Bit(requested)) };
        return {};
    }
    // X11 first: under a Wayland session that is XWayland, where the popover can place itself.
    if (x11Reachable())
        return { "xcb", {} };
    if (waylandReachable())
        return { "wayland", {} };
    return { {},
             QStringLiteral("no display: neither an X11 display ($DISPLAY) nor a Wayland compositor "
                            "($WAYLAND_DISPLAY) can be reached") };
}

bool DisplayPlatform::apply()
{
    const Choice choice = choose();
    if (!choice.error.isEmpty()) {
        std::fprintf(stderr, "pacemark: %s\n", choice.error.toLocal8Bit().constData());
        return false;
    }
    if (!choice.platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", choice.platform);
    return true;
}

}
