#include "report/PageFlow.h"

#include <cstddef>

namespace kx {

namespace {
// Millimetre figures come from layout pixels; a paper exactly long enough
// must not lose its second band to rounding.
constexpr double slack = 1e-6;
}  // namespace

PageFlow::PageFlow(double paperLengthMm, double topMarginMm, double bottomMarginMm, double bandHeightMm)
    : m_paper(paperLengthMm), m_top(topMarginMm), m_bottom(bottomMarginMm), m_band(bandHeightMm)
{
}

BandPlacement PageFlow::next(const BandPlacement& previous) const
{
    const double position = previous.topMm + m_band;
    if (m_paper - position + slack >= m_band + m_bottom)
        return {previous.page, m_paper - m_bottom - m_band};
    return {previous.page + 1, m_top};
}

std::vector<BandPlacement> PageFlow::place(int bands) const
{
    std::vector<BandPlacement> placements;
    if (bands <= 0)
        return placements;
    placements.reserve(std::size_t(bands));
    placements.push_back(first());
    for (int i = 1; i < bands; ++i)
        placements.push_back(next(placements.back()));
    return placements;
}

}  // namespace kx
