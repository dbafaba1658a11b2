#include "report/ListFlow.h"

namespace kx {

namespace {
// Heights come from sums of line heights; a band that fits exactly must
// not be pushed onto the next page by rounding.
constexpr double slack = 1e-6;
}  // namespace

ListFlow::ListFlow(double paperLengthMm, double topMarginMm, double bottomMarginMm, double pageHeaderMm)
    : m_paper(paperLengthMm),
      m_top(topMarginMm),
      m_bottom(bottomMarginMm),
      m_header(pageHeaderMm),
      m_y(topMarginMm + pageHeaderMm),
      m_contentStart(m_y),
      m_repeats{0}
{
}

bool ListFlow::repeatsOn(int page) const
{
    return page >= 0 && page < int(m_repeats.size()) && m_repeats[std::size_t(page)];
}

BandPlacement ListFlow::next(double heightMm, double keepMm)
{
    const double limit = m_paper - m_bottom + slack;
    const bool pageEmpty = m_y <= m_contentStart + slack;
    if (!pageEmpty && m_y + heightMm + keepMm > limit) {
        ++m_page;
        m_y = m_top + m_header + m_repeated;
        m_contentStart = m_y;
        m_repeats.push_back(m_repeated > 0);
    }
    const BandPlacement placed{m_page, m_y};
    m_y += heightMm;
    return placed;
}

}  // namespace kx
