#include "report/PagePainter.h"

#include "report/ReportJob.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>

namespace kx {

namespace {

constexpr double blankPage = -1e9;
constexpr QRgb black = 0xff000000;
constexpr double frameMm = 0.15;  // the line of a PaintItem::Kind::Frame

// Point sizes resolve against the device's resolution: 19 layout pixels
// are 14.25 pt, 16 are 12 pt.
QFont deviceFont(const ReportFont& f)
{
    QFont font(f.family);
    font.setPointSizeF(f.pixels * 72.0 / 96.0);
    font.setBold(f.bold);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

std::vector<QFont> deviceFonts(const std::vector<ReportFont>& faces)
{
    std::vector<QFont> fonts;
    for (const ReportFont& f : faces)
        fonts.push_back(deviceFont(f));
    return fonts;
}

// Paper and PDF are paged devices; everything else is a screen.
bool isScreen(const QPainter& painter)
{
    return dynamic_cast<const QPagedPaintDevice*>(painter.device()) == nullptr;
}

}  // namespace

PagePainter::PagePainter(ReportJob& job, QPainter& painter, double dotsPerMmX, double dotsPerMmY)
    : PagePainter(job.fonts(), painter, dotsPerMmX, dotsPerMmY)
{
    m_job = &job;
    m_left = job.report().leftMarginMm();
    m_correction = job.report().correction();
}

PagePainter::PagePainter(const std::vector<ReportFont>& fonts, QPainter& painter, double dotsPerMmX,
                         double dotsPerMmY)
    : m_painter(painter),
      m_faces(fonts),
      m_fonts(deviceFonts(fonts)),
      m_kx(dotsPerMmX),
      m_ky(dotsPerMmY),
      m_currentColour(black),
      m_inkBottom(blankPage)
{
    m_painter.setPen(QColor::fromRgba(black));
    m_showCutMarks = isScreen(painter);
}

const QFont& PagePainter::fontAt(int index)
{
    // A box that shrinks its text may bring a size no band had before.
    while (size_t(index) >= m_fonts.size() && m_fonts.size() < m_faces.size())
        m_fonts.push_back(deviceFont(m_faces[m_fonts.size()]));
    return m_fonts[size_t(index)];
}

void PagePainter::newPage()
{
    m_inkBottom = blankPage;
}

QRectF PagePainter::deviceRect(const QRectF& r) const
{
    return QRectF(r.left() * m_kx, r.top() * m_ky, r.width() * m_kx, r.height() * m_ky);
}

void PagePainter::setClip(const QRectF& mm)
{
    m_clip = mm.isEmpty() ? QRectF() : deviceRect(mm);
    if (m_clip.isEmpty())
        m_painter.setClipping(false);
    else
        m_painter.setClipRect(m_clip);
}

void PagePainter::band(int index, double top)
{
    paint(m_job->band(index), m_left, top);
}

void PagePainter::paint(const std::vector<PaintItem>& items, double left, double top)
{
    if (!m_correction.isIdentity()) {
        // Each item moves with its box's top-left corner, so that the lines
        // of a box keep their places within it and nothing changes size.
        std::vector<PaintItem> moved = items;
        for (PaintItem& item : moved) {
            if (item.fixedOnPaper)
                continue;
            // A rule (a crosshair's arm) keeps its middle on its mark;
            // everything else keeps its box's corner, the element's position.
            const QPointF anchor = item.kind == PaintItem::Kind::Rule ? item.box.center() : item.box.topLeft();
            const QPointF corner = anchor + QPointF(left, top);
            const QPointF shift = m_correction.map(corner) - corner;
            item.box.translate(shift);
            item.baseline += shift;
        }
        paintItems(moved, left, top);
        return;
    }
    paintItems(items, left, top);
}

void PagePainter::paintItems(const std::vector<PaintItem>& items, double left, double top)
{
    auto rect = [&](const QRectF& r) { return deviceRect(r.translated(left, top)); };
    // Fills and backgrounds go beneath every text of the band. On the forms
    // some boxes overlap (the SF and ZJS sender mobile lies inside the sender
    // address box), and a white box must never hide another element of its
    // band. White on paper nothing is printed on yet shows nothing, so only
    // a box reaching up into an earlier band's texts is painted at all (none,
    // while elements keep inside their bands).
    for (const PaintItem& item : items) {
        if (item.kind == PaintItem::Kind::Fill)
            m_painter.fillRect(rect(item.box), QColor::fromRgba(item.colour));
        else if (item.kind == PaintItem::Kind::Background && top + item.box.top() < m_inkBottom)
            m_painter.fillRect(rect(item.box), Qt::white);
    }
    // A rule thinner than a dot of the device (a screen showing the page
    // small) still shows, a dot wide.
    const QTransform toDevice = m_painter.deviceTransform();
    const double dotX = 1.0 / std::max(1e-9, std::abs(toDevice.m11()));
    const double dotY = 1.0 / std::max(1e-9, std::abs(toDevice.m22()));
    auto fillAtLeastADot = [&](const QRectF& mm, QRgb colour) {
        QRectF r = rect(mm);
        if (r.width() < dotX)
            r.setWidth(dotX);
        if (r.height() < dotY)
            r.setHeight(dotY);
        m_painter.fillRect(r, QColor::fromRgba(colour));
    };
    for (const PaintItem& item : items) {
        if (item.kind == PaintItem::Kind::Frame) {
            const QRectF r = item.box;
            const double w = frameMm;
            for (const QRectF& side : {QRectF(r.left() - w, r.top() - w, r.width() + 2 * w, w),
                                       QRectF(r.left() - w, r.bottom(), r.width() + 2 * w, w),
                                       QRectF(r.left() - w, r.top(), w, r.height()),
                                       QRectF(r.right(), r.top(), w, r.height())})
                fillAtLeastADot(side, item.colour);
        } else if (item.kind == PaintItem::Kind::Rule) {
            fillAtLeastADot(item.box, item.colour);
        }
    }
    for (const PaintItem& item : items) {
        if (item.kind != PaintItem::Kind::Text)
            continue;
        // A text's glyphs stay inside its box, or are clipped to it.
        m_inkBottom = std::max(m_inkBottom, top + item.box.bottom());
        if (item.font != m_currentFont) {
            m_currentFont = item.font;
            m_painter.setFont(fontAt(item.font));
        }
        if (item.colour != m_currentColour) {
            m_currentColour = item.colour;
            m_painter.setPen(QColor::fromRgba(item.colour));
        }
        const QPointF pen((left + item.baseline.x()) * m_kx, (top + item.baseline.y()) * m_ky);
        if (item.clip) {
            m_painter.setClipRect(m_clip.isEmpty() ? rect(item.box) : rect(item.box) & m_clip);
            m_painter.drawText(pen, item.text);
            if (m_clip.isEmpty())
                m_painter.setClipping(false);
            else
                m_painter.setClipRect(m_clip);
        } else {
            m_painter.drawText(pen, item.text);
        }
    }
    if (!m_showCutMarks)
        return;
    for (const PaintItem& item : items) {
        if (item.kind != PaintItem::Kind::CutMark)
            continue;
        m_painter.save();
        QPen frame(QColor::fromRgba(item.colour));
        frame.setCosmetic(true);
        frame.setWidth(1);
        m_painter.setPen(frame);
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawRect(rect(item.box));
        m_painter.restore();
    }
}

}  // namespace kx
