#include "waybill/ReportRenderer.h"

#include "waybill/ReportJob.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrinter>
#include <stdexcept>

namespace kx {

std::vector<BandPlacement> ReportRenderer::placements(const ReportJob& job, double paperLengthMm)
{
    const ReportTemplate& r = job.report();
    return PageFlow(paperLengthMm, r.topMarginMm(), r.bottomMarginMm(), r.bandHeightMm()).place(job.bandCount());
}

void ReportRenderer::render(const ReportJob& job, QPagedPaintDevice* device, int fromPage, int toPage)
{
    if (!job.isLaidOut())
        throw std::logic_error("report job not laid out");
    if (auto* printer = dynamic_cast<QPrinter*>(device))
        printer->setFullPage(true);
    device->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    const QSizeF paper = device->pageLayout().fullRect(QPageLayout::Millimeter).size();
    const std::vector<BandPlacement> bands = placements(job, paper.height());

    QPainter painter;
    if (!painter.begin(device))
        throw std::runtime_error("打印机无法打开");
    const double kx = device->logicalDpiX() / 25.4;
    const double ky = device->logicalDpiY() / 25.4;

    // Point sizes resolve against the device's resolution: 19 layout pixels
    // are 14.25 pt, 16 are 12 pt.
    std::vector<QFont> fonts;
    for (const ReportFont& f : job.fonts()) {
        QFont font(f.family);
        font.setPointSizeF(f.pixels * 72.0 / 96.0);
        font.setBold(f.bold);
        font.setKerning(false);
        font.setHintingPreference(QFont::PreferNoHinting);
        fonts.push_back(font);
    }
    painter.setPen(Qt::black);

    const double left = job.report().leftMarginMm();
    auto wanted = [&](int page) { return fromPage <= 0 || (page + 1 >= fromPage && page + 1 <= toPage); };
    int page = -1;  // the page being painted
    int currentFont = -1;
    for (size_t b = 0; b < bands.size(); ++b) {
        if (!wanted(bands[b].page))
            continue;
        if (bands[b].page != page) {
            if (page >= 0)
                device->newPage();
            page = bands[b].page;
        }
        const double top = bands[b].topMm;
        auto rect = [&](const QRectF& r) {
            return QRectF((left + r.left()) * kx, (top + r.top()) * ky, r.width() * kx, r.height() * ky);
        };
        const std::vector<PaintItem>& items = job.band(int(b));
        // Backgrounds go beneath every text of the band: on the forms some
        // boxes overlap (the SF and ZJS sender mobile lies inside the sender
        // address box), and a white box must never hide another element.
        for (const PaintItem& item : items)
            if (item.kind == PaintItem::Kind::Background)
                painter.fillRect(rect(item.box), Qt::white);
        for (const PaintItem& item : items) {
            if (item.kind == PaintItem::Kind::Background)
                continue;
            if (item.font != currentFont) {
                currentFont = item.font;
                painter.setFont(fonts[item.font]);
            }
            const QPointF pen((left + item.baseline.x()) * kx, (top + item.baseline.y()) * ky);
            if (item.clip) {
                painter.setClipRect(rect(item.box));
                painter.drawText(pen, item.text);
                painter.setClipping(false);
            } else {
                painter.drawText(pen, item.text);
            }
        }
    }
    painter.end();
}

}  // namespace kx
