#include "report/ReportRenderer.h"

#include "report/PagePainter.h"
#include "report/PageSource.h"
#include "report/ReportJob.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <stdexcept>

namespace kx {

std::vector<BandPlacement> ReportRenderer::placements(const ReportJob& job, double paperLengthMm)
{
    const ReportTemplate& r = job.report();
    return PageFlow(paperLengthMm, r.topMarginMm(), r.bottomMarginMm(), r.bandHeightMm()).place(job.bandCount());
}

int ReportRenderer::pageCount(const std::vector<BandPlacement>& placements)
{
    return placements.empty() ? 0 : placements.back().page + 1;
}

void ReportRenderer::paintPage(ReportJob& job, QPainter& painter, const std::vector<BandPlacement>& placements,
                               int page, double dotsPerMmX, double dotsPerMmY)
{
    PagePainter paint(job, painter, dotsPerMmX, dotsPerMmY);
    auto b = std::lower_bound(placements.begin(), placements.end(), page,
                              [](const BandPlacement& p, int value) { return p.page < value; });
    for (; b != placements.end() && b->page == page; ++b)
        paint.band(int(b - placements.begin()), b->topMm);
}

bool ReportRenderer::hasPagesIn(const ReportJob& job, const QPageLayout& paper, int fromPage, int toPage)
{
    const int pages = pageCount(placements(job, paper.fullRect(QPageLayout::Millimeter).height()));
    return fromPage <= pages && toPage >= 1 && fromPage <= toPage;
}

void ReportRenderer::render(ReportJob& job, QPagedPaintDevice* device, int fromPage, int toPage)
{
    device->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    const QSizeF paper = device->pageLayout().fullRect(QPageLayout::Millimeter).size();
    const std::vector<BandPlacement> bands = placements(job, paper.height());
    auto wanted = [&](int page) { return fromPage <= 0 || (page + 1 >= fromPage && page + 1 <= toPage); };
    if (std::none_of(bands.begin(), bands.end(), [&](const BandPlacement& b) { return wanted(b.page); }))
        return;

    QPainter painter;
    if (!painter.begin(device))
        throw std::runtime_error("打印机无法打开");
    PagePainter paint(job, painter, device->logicalDpiX() / 25.4, device->logicalDpiY() / 25.4);

    int page = -1;  // the page being painted
    for (size_t b = 0; b < bands.size(); ++b) {
        if (!wanted(bands[b].page))
            continue;
        if (bands[b].page != page) {
            if (page >= 0)
                device->newPage();
            page = bands[b].page;
            paint.newPage();
        }
        paint.band(int(b), bands[b].topMm);
    }
    painter.end();
}

void ReportRenderer::render(PageSource& pages, QPagedPaintDevice* device, int fromPage, int toPage)
{
    device->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    pages.setPaper(device->pageLayout().fullRect(QPageLayout::Millimeter).size());
    const int first = fromPage > 0 ? fromPage - 1 : 0;
    if (!pages.hasPage(first) || (toPage > 0 && toPage < fromPage))
        return;

    QPainter painter;
    if (!painter.begin(device))
        throw std::runtime_error("打印机无法打开");
    const double kx = device->logicalDpiX() / 25.4, ky = device->logicalDpiY() / 25.4;
    for (int page = first; pages.hasPage(page) && (toPage <= 0 || page < toPage); ++page) {
        if (page > first)
            device->newPage();
        pages.paintPage(painter, page, kx, ky);
    }
    painter.end();
}

}  // namespace kx
