#pragma once

#include <vector>

namespace kx {

// Where a band lands: the page (0-based) and its top edge in millimetres
// from the paper's top edge.
struct BandPlacement {
    int page = 0;
    double topMm = 0;
    bool operator==(const BandPlacement&) const = default;
};

// Flows equal bands onto pages: the first band of a page stands on the top
// margin; a further band rests on the bottom margin when the paper below the
// previous band holds it and the bottom margin, otherwise it opens a page.
// A page holds at most two bands, and on paper too short for a band between
// the margins every band gets its own page (starting at the top margin).
class PageFlow {
public:
    PageFlow(double paperLengthMm, double topMarginMm, double bottomMarginMm, double bandHeightMm);

    std::vector<BandPlacement> place(int bands) const;
    // The placement of the band that follows `previous`.
    BandPlacement next(const BandPlacement& previous) const;
    BandPlacement first() const { return {0, m_top}; }

private:
    double m_paper;
    double m_top;
    double m_bottom;
    double m_band;
};

}  // namespace kx
