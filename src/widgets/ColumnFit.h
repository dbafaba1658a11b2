#pragma once

#include <QList>

namespace kx {

// Widths for the visible columns that fill `total` pixels exactly, in the
// proportions of their weights (their stored widths). Hidden columns get 0.
// The rounding remainder goes to the columns with the largest fractions, so
// the widths always add up to the total.
QList<int> fitColumnWidths(const QList<int>& weights, const QList<bool>& visible, int total);

}  // namespace kx
