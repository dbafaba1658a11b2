#include "orders/SortCycle.h"

namespace kx {

SortStep titleClickStep(const QList<SortMarker>& before, int column, bool ctrl)
{
    SortStep step{Qt::DescendingOrder, before};
    if (column < 0 || column >= before.size())
        return step;
    const SortMarker was = before.at(column);
    step.order = was == SortMarker::Down ? Qt::AscendingOrder : Qt::DescendingOrder;
    if (!ctrl)
        step.markers.fill(SortMarker::None);
    switch (was) {
    case SortMarker::None:
        step.markers[column] = SortMarker::Down;
        break;
    case SortMarker::Down:
        step.markers[column] = SortMarker::Up;
        break;
    case SortMarker::Up:
        step.markers[column] = ctrl ? SortMarker::None : SortMarker::Down;
        break;
    }
    return step;
}

}  // namespace kx
