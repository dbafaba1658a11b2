#include "report/ScreenFit.h"

#include <algorithm>

namespace kx {

QRect fitOnScreen(const QSize& wanted, const QMargins& frame, const QRect& available)
{
    const int frameWidth = frame.left() + frame.right();
    const int frameHeight = frame.top() + frame.bottom();
    const QSize room(std::max(1, available.width() - frameWidth), std::max(1, available.height() - frameHeight));
    const QSize size = wanted.boundedTo(room);
    // The framed window's top-left corner, centred, never above or left of
    // the free area, so that the title bar stays in reach.
    const int left = available.left() + std::max(0, (available.width() - size.width() - frameWidth) / 2);
    const int top = available.top() + std::max(0, (available.height() - size.height() - frameHeight) / 2);
    return QRect(QPoint(left + frame.left(), top + frame.top()), size);
}

}  // namespace kx
