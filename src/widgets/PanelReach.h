#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace kx {

// How far a floating panel may be dragged. A panel dropped outside the main
// window could not be grabbed again, as it is moved only by its own
// background; so a piece of it always stays inside, its top edge among it,
// which is where the user's eye and the mouse look for it.
class PanelReach {
public:
    static constexpr int minVisibleWidth = 40;
    static constexpr int minVisibleHeight = 20;

    // The position nearest to `wanted` at which at least 40 × 20 pixels of a
    // panel of `size`, its top edge included, lie inside `area` (the parent's
    // client area, in the parent's coordinates).
    static QPoint limit(const QPoint& wanted, const QSize& size, const QRect& area);
};

}  // namespace kx
