#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace pacemark {

// Where the popover opens: under the tray icon, above it when the panel is at the bottom of the
// screen; always on screen. Trays that do not tell where their icon is give the point of the click
// (or the pointer's): a panel's icons sit in its middle, so a click that near the top edge of the
// screen means a panel that ends about twice as far down, and the popover opens below that.
class PopoverPlacement
{
public:
    static constexpr int Gap = 4;
    // How far from a screen edge a click still counts as a click on a panel along that edge.
    static constexpr int PanelBand = 64;

    static QPoint topLeft(const QRect& trayIcon, const QPoint& at, const QRect& screenArea, const QSize& popover);

private:
    static QRect panelAround(const QPoint& at, const QRect& screenArea);
};

}
