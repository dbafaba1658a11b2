#include "widgets/PanelReach.h"

#include <algorithm>

namespace kx {

namespace {

// Within [low, high]; a too small area gives way to the low bound, which
// keeps the panel's left and top edges in reach.
int within(int value, int low, int high)
{
    return std::max(low, std::min(value, high));
}

}  // namespace

QPoint PanelReach::limit(const QPoint& wanted, const QSize& size, const QRect& area)
{
    const int visibleWidth = std::min(minVisibleWidth, size.width());
    const int visibleHeight = std::min(minVisibleHeight, size.height());
    const int x = within(wanted.x(), area.left() + visibleWidth - size.width(),
                         area.left() + area.width() - visibleWidth);
    // The top edge never goes above the area: the panel hangs from it.
    const int y = within(wanted.y(), area.top(), area.top() + area.height() - visibleHeight);
    return {x, y};
}

}  // namespace kx
