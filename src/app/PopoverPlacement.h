#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where the popover opens: under the tray icon, above it when the panel is at the bottom of the
// screen, or near the pointer when the tray does not tell where its icon is; always on screen.
class PopoverPlacement
{
public:
    static constexpr int Gap = 4;

    static QPoint topLeft(const QRect& trayIcon, const QPoint& pointer, const QRect& screenArea, const QSize& popover);
};
