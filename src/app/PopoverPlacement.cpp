#include "app/PopoverPlacement.h"

#include <algorithm>

namespace pacemark {

QRect PopoverPlacement::panelAround(const QPoint& at, const QRect& screenArea)
{
    const int top = screenArea.top();
    const int bottom = screenArea.bottom() + 1;
    if (at.y() < top + PanelBand)
        return { at.x(), top, 0, std::max(0, 2 * (at.y() - top)) };
    if (at.y() >= bottom - PanelBand) {
        const int panelTop = std::min(bottom, 2 * at.y() - bottom);
        return { at.x(), panelTop, 0, bottom - panelTop };
    }
    return { at, QSize(0, 0) };
}

QPoint PopoverPlacement::topLeft(const QRect& trayIcon, const QPoint& at, const QRect& screenArea, const QSize& popover)
{
    const QRect anchor = trayIcon.isValid() ? trayIcon : panelAround(at, screenArea);
    const bool below = anchor.top() + anchor.height() / 2 < screenArea.top() + screenArea.height() / 2;
    int x = anchor.left() + anchor.width() / 2 - popover.width() / 2;
    int y = below ? anchor.top() + anchor.height() + Gap : anchor.top() - Gap - popover.height();
    x = std::clamp(x, screenArea.left(), std::max(screenArea.left(), screenArea.right() + 1 - popover.width()));
    y = std::clamp(y, screenArea.top(), std::max(screenArea.top(), screenArea.bottom() + 1 - popover.height()));
    return { x, y };
}

}
