#pragma once

#include "report/PageFlow.h"

#include <vector>

class QPageLayout;
class QPagedPaintDevice;
class QPainter;

namespace kx {

class PageSource;
class ReportJob;

// Paints a job on a printer, the preview or a PDF. The report's margins are
// part of its layout, so the device's own margins are set to zero and
// everything is placed from the paper's edge (a printer must be in full-page
// mode, which the print previews set). Bands flow onto the device's
// paper by the page flow. A band not laid out yet is laid out as it is
// painted.
class ReportRenderer {
public:
    // `fromPage`..`toPage` (1-based) limit the pages painted; 0 paints all.
    // When none of those pages is in the job the device is not opened at
    // all, so a printer is sent nothing.
    static void render(ReportJob& job, QPagedPaintDevice* device, int fromPage = 0, int toPage = 0);
    // Paints the pages of a source on the device's paper, laying out what
    // is still to do; `fromPage`..`toPage` as above. When none of those
    // pages is in the report the device is not opened at all.
    static void render(PageSource& pages, QPagedPaintDevice* device, int fromPage = 0, int toPage = 0);

    // Whether any of the pages `fromPage`..`toPage` (1-based) is in the job
    // printed on paper of that layout.
    static bool hasPagesIn(const ReportJob& job, const QPageLayout& paper, int fromPage, int toPage);

    // Where each band of the job lands on paper of the given length.
    static std::vector<BandPlacement> placements(const ReportJob& job, double paperLengthMm);
    // The pages those placements fill.
    static int pageCount(const std::vector<BandPlacement>& placements);

    // Paints one page (0-based) with `painter`, whose origin is the paper's
    // top-left corner and whose device's resolution sizes the fonts;
    // `dotsPerMmX`, `dotsPerMmY` are the painter's units per millimetre.
    static void paintPage(ReportJob& job, QPainter& painter, const std::vector<BandPlacement>& placements, int page,
                          double dotsPerMmX, double dotsPerMmY);
};

}  // namespace kx
