#include "waybill/ReportLayouter.h"

#include <QRawFont>
#include <QTextLayout>
#include <QtEndian>
#include <cmath>

namespace kx {

namespace {

// Texts are measured with the face at this many times its layout size, so
// that advances keep their fractions.
constexpr int measureScale = 16;

// Where the baseline sits in the em box: the typographic ascender of the face
// (0.88 em for the Noto CJK faces, 0.879 for AR PL UMing), which is the
// ideographic em box's top. Falls back to the face's own ascent share.
double emAscent(const QFont& font)
{
    const QRawFont raw = QRawFont::fromFont(font);
    const QByteArray os2 = raw.fontTable("OS/2");
    const QByteArray head = raw.fontTable("head");
    if (os2.size() >= 72 && head.size() >= 20) {
        const int typoAscender = qFromBigEndian<qint16>(os2.constData() + 68);
        const int unitsPerEm = qFromBigEndian<quint16>(head.constData() + 18);
        if (unitsPerEm > 0) {
            const double share = double(typoAscender) / unitsPerEm;
            if (share > 0.5 && share < 1.2)
                return share;
        }
    }
    const QFontMetricsF m(font);
    return m.ascent() / (m.ascent() + m.descent());
}

// A label shows its caption on one line.
QString oneLine(const QString& text)
{
    QString line = text;
    for (QChar& c : line)
        if (c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = u' ';
    return line;
}

// Hard line breaks of a box's text, in the form the line breaker takes.
QString boxText(const QString& text)
{
    if (!text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    t.replace(u'\n', QChar::LineSeparator);
    t.replace(u'\r', QChar::LineSeparator);
    return t;
}

QRectF mmRect(double left, double top, double width, double height)
{
    return {left * mmPerLayoutPixel, top * mmPerLayoutPixel, width * mmPerLayoutPixel, height * mmPerLayoutPixel};
}

}  // namespace

struct ReportLayouter::Measure {
    QFont font;
    QFontMetricsF metrics;
    explicit Measure(const QFont& f) : font(f), metrics(f) {}
};

ReportLayouter::ReportLayouter() = default;
ReportLayouter::~ReportLayouter() = default;

int ReportLayouter::fontIndex(const ReportElement& e)
{
    for (size_t i = 0; i < m_fonts.size(); ++i)
        if (m_fonts[i].sameFace(e.family, e.fontPixels, e.bold))
            return int(i);
    QFont font(e.family);
    font.setPixelSize(e.fontPixels * measureScale);
    font.setBold(e.bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    ReportFont rf;
    rf.family = e.family;
    rf.pixels = e.fontPixels;
    rf.bold = e.bold;
    rf.ascentEm = emAscent(font);
    m_fonts.push_back(rf);
    m_measures.push_back(std::make_unique<Measure>(font));
    return int(m_fonts.size() - 1);
}

void ReportLayouter::layOut(const ReportElement& e, const QString& text, std::vector<PaintItem>& out)
{
    if (!e.visible)
        return;
    const int f = fontIndex(e);
    const Measure& m = *m_measures[size_t(f)];
    const double em = e.fontPixels;
    const double ascent = m_fonts[size_t(f)].ascentEm * em;
    const double boxHeight = e.heightMm / mmPerLayoutPixel;

    if (e.sizing == ReportElement::Sizing::FitToText) {
        const QString line = oneLine(text);
        const double width = m.metrics.horizontalAdvance(line) / measureScale;
        // The box follows the text; a little room on the right keeps the
        // last glyph's overhang.
        const QRectF box = mmRect(e.left, e.top, width + em * 0.25, boxHeight);
        if (e.opaque)
            out.push_back({PaintItem::Kind::Background, quint8(f), box, {}, {}});
        if (!line.isEmpty())
            out.push_back({PaintItem::Kind::Text, quint8(f), box,
                           QPointF(e.left * mmPerLayoutPixel, (e.top + ascent) * mmPerLayoutPixel), line});
        return;
    }

    const double boxWidth = e.widthMm / mmPerLayoutPixel;
    const QRectF box = mmRect(e.left, e.top, boxWidth, boxHeight);
    if (e.opaque)
        out.push_back({PaintItem::Kind::Background, quint8(f), box, {}, {}});
    if (text.isEmpty())
        return;

    // Whole lines only; a box lower than one line still shows its first.
    const int maxLines = std::max(1, int(std::floor((boxHeight + 1e-6) / em)));
    const QString t = boxText(text);
    QTextLayout layout(t, m.font);
    QTextOption option;
    option.setWrapMode(e.wordWrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setUseDesignMetrics(true);
    layout.setTextOption(option);
    layout.setCacheEnabled(false);
    layout.beginLayout();
    int lines = 0;
    while (lines < maxLines) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(boxWidth * measureScale);
        QString piece = t.mid(line.textStart(), line.textLength());
        while (!piece.isEmpty() && piece.back() == QChar::LineSeparator)
            piece.chop(1);
        if (!piece.isEmpty())
            out.push_back({PaintItem::Kind::Text, quint8(f), box,
                           QPointF(e.left * mmPerLayoutPixel, (e.top + lines * em + ascent) * mmPerLayoutPixel),
                           piece});
        ++lines;
    }
    layout.endLayout();
}

}  // namespace kx
