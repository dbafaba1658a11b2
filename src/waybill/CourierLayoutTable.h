#pragma once

#include "waybill/WaybillTemplates.h"

#include <QPoint>
#include <optional>

namespace kx {

// Per courier of the print menu, the Left, Top (layout pixels) of each of the
// seven waybill texts. The single and the batch template use the same row.
class CourierLayoutTable {
public:
    // No position: the ZJS form has no place for the sender name copy.
    static std::optional<QPoint> position(int courier, WaybillRole role);

    // Moves every element of the template that the courier's row places.
    // An element without a position is left off the waybill, so what prints
    // never depends on an earlier print.
    // An address box that holds a mobile number keeps its lines above it.
    static void apply(ReportTemplate& report, int courier);

    // The height from a box's top (layout pixels) down to an element whose
    // top-left corner `inside` lies within the box; the whole height when it
    // lies outside.
    static double usableHeightMm(QPoint box, double widthMm, double heightMm, QPoint inside);
};

}  // namespace kx
