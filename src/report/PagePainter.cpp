#include "report/PagePainter.h"

#include "report/ReportJob.h"

#include <QPainter>
#include <algorithm>

namespace kx {

namespace {

constexpr double blankPage = -1e9;

// Point sizes resolve against the device's resolution: 19 layout pixels
// are 14.25 pt, 16 are 12 pt.
std::vector<QFont> deviceFonts(const ReportJob& job)
{
    std::vector<QFont> fonts;
    for (const ReportFont& f : job.fonts()) {
        QFont font(f.family);
        font.setPointSizeF(f.pixels * 72.0 / 96.0);
        font.setBold(f.bold);
        font.setKerning(false);
        font.setHintingPreference(QFont::PreferNoHinting);
        fonts.push_back(font);
    }
    return fonts;
}

}  // namespace

PagePainter::PagePainter(ReportJob& job, QPainter& painter, double dotsPerMmX, double dotsPerMmY)
    : m_job(job),
      m_painter(painter),
      m_fonts(deviceFonts(job)),
      m_left(job.report().leftMarginMm()),
      m_kx(dotsPerMmX),
      m_ky(dotsPerMmY),
      m_inkBottom(blankPage)
{
    m_painter.setPen(Qt::black);
}

void PagePainter::newPage()
{
    m_inkBottom = blankPage;
}

void PagePainter::band(int index, double top)
{
    auto rect = [&](const QRectF& r) {
        return QRectF((m_left + r.left()) * m_kx, (top + r.top()) * m_ky, r.width() * m_kx, r.height() * m_ky);
    };
    const std::vector<PaintItem>& items = m_job.band(index);
    // Backgrounds go beneath every text of the band: on the forms some boxes
    // overlap (the SF and ZJS sender mobile lies inside the sender address
    // box), and a white box must never hide another element of its band.
    // White on paper nothing is printed on yet shows nothing, so only a box
    // reaching up into an earlier band's texts is painted at all (none, while
    // elements keep inside their bands).
    for (const PaintItem& item : items)
        if (item.kind == PaintItem::Kind::Background && top + item.box.top() < m_inkBottom)
            m_painter.fillRect(rect(item.box), Qt::white);
    for (const PaintItem& item : items) {
        if (item.kind == PaintItem::Kind::Background)
            continue;
        // A text's glyphs stay inside its box, or are clipped to it.
        m_inkBottom = std::max(m_inkBottom, top + item.box.bottom());
        if (item.font != m_currentFont) {
            m_currentFont = item.font;
            m_painter.setFont(m_fonts[item.font]);
        }
        const QPointF pen((m_left + item.baseline.x()) * m_kx, (top + item.baseline.y()) * m_ky);
        if (item.clip) {
            m_painter.setClipRect(rect(item.box));
            m_painter.drawText(pen, item.text);
            m_painter.setClipping(false);
        } else {
            m_painter.drawText(pen, item.text);
        }
    }
}

}  // namespace kx
