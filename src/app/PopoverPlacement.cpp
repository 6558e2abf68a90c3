#include "app/PopoverPlacement.h"

#include <algorithm>

QPoint PopoverPlacement::topLeft(const QRect& trayIcon, const QPoint& pointer, const QRect& screenArea,
                                 const QSize& popover)
{
    const QRect anchor = trayIcon.isValid() ? trayIcon : QRect(pointer, QSize(0, 0));
    const bool below = anchor.top() + anchor.height() / 2 < screenArea.top() + screenArea.height() / 2;
    int x = anchor.left() + anchor.width() / 2 - popover.width() / 2;
    int y = below ? anchor.top() + anchor.height() + Gap : anchor.top() - Gap - popover.height();
    x = std::clamp(x, screenArea.left(), std::max(screenArea.left(), screenArea.right() + 1 - popover.width()));
    y = std::clamp(y, screenArea.top(), std::max(screenArea.top(), screenArea.bottom() + 1 - popover.height()));
    return { x, y };
}
