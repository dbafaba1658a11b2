#pragma once

#include "report/PageFlow.h"

#include <cstddef>
#include <vector>

namespace kx {

// Flows bands of any height down the pages of a list: every page starts
// with its page header on the top margin; while a repeated band is set (the
// table's titles), every page opened after that starts with it below the
// header. A band goes below the previous one when it fits above the bottom
// margin, otherwise it opens a new page; a band taller than a whole page
// stands at the top of a page of its own and is cut at the bottom margin.
class ListFlow {
public:
    ListFlow(double paperLengthMm, double topMarginMm, double bottomMarginMm, double pageHeaderMm);

    // The band repeated at the top of every new page from now on; 0: none.
    void setRepeated(double heightMm) { m_repeated = heightMm; }
    // Where the next band of `heightMm` goes. It opens a new page when it
    // and `keepMm` below it (what must follow it on the same page) do not
    // fit under the previous band.
    BandPlacement next(double heightMm, double keepMm = 0);

    // Pages opened so far.
    int pageCount() const { return m_page + 1; }
    // Whether the page (0-based) starts with the repeated band.
    bool repeatsOn(int page) const;
    // Where the repeated band and the page's first band stand on a page.
    double repeatedTop() const { return m_top + m_header; }

private:
    double m_paper;
    double m_top;
    double m_bottom;
    double m_header;
    double m_repeated = 0;
    int m_page = 0;
    double m_y;             // where the next band would go on the current page
    double m_contentStart;  // the current page's first band's top
    std::vector<char> m_repeats;  // per page
};

}  // namespace kx
