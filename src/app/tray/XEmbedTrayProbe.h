#pragma once

namespace pacemark {

// Tells whether an X11 system tray (the freedesktop XEmbed tray manager: trayer, tint2, stalonetray,
// Xfce's and MATE's panels) runs on this display right now.
class XEmbedTrayProbe
{
public:
    // False off X11 (on Wayland there is no XEmbed tray).
    static bool managerPresent();
};

}
