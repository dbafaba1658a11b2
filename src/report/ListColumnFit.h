#pragma once

#include "report/ListPrintOptions.h"

#include <vector>

namespace kx {

// How a list's table meets the page's width: the columns' widths and the
// scale of the face (and of the cells' margins) it prints with.
struct ListColumnFit {
    std::vector<double> widths;  // layout pixels
    double scale = 1;

    // `widths`: the columns as designed (or fitted to their texts), in layout
    // pixels; `pageWidthPx`: the room between the margins. A table that is
    // not fitted keeps its widths, and what passes the right margin is cut.
    static ListColumnFit fit(const std::vector<double>& widths, double pageWidthPx, const ListPrintOptions& options);
};

}  // namespace kx
