#pragma once

#include "widgets/SortMarker.h"

#include <QList>
#include <Qt>

namespace kx {

// What one click on a column title does: the direction to sort the result in
// and the markers the titles show afterwards.
struct SortStep {
    Qt::SortOrder order;
    QList<SortMarker> markers;
};

// The marker the clicked column showed before the click decides the order:
// down sorts ascending, none or up descending. Its marker then advances
// none → down → up → down …; a plain click clears every other marker. With
// Ctrl the others keep theirs and an up marker goes back to none.
SortStep titleClickStep(const QList<SortMarker>& before, int column, bool ctrl);

}  // namespace kx
