#pragma once

#include "waybill/PageFlow.h"

#include <vector>

class QPagedPaintDevice;

namespace kx {

class ReportJob;

// Paints a laid-out job on a printer, the preview or a PDF. The report's
// margins are part of its layout, so the device's own margins are set to zero
// and everything is placed from the paper's edge. Bands flow onto the
// device's paper by the page flow.
class ReportRenderer {
public:
    // `fromPage`..`toPage` (1-based) limit the pages painted; 0 paints all.
    static void render(const ReportJob& job, QPagedPaintDevice* device, int fromPage = 0, int toPage = 0);

    // Where each band of the job lands on paper of the given length.
    static std::vector<BandPlacement> placements(const ReportJob& job, double paperLengthMm);
};

}  // namespace kx
