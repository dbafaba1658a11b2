#include "report/ReportLayouter.h"

#include <QGlyphRun>
#include <QHash>
#include <QRawFont>
#include <QTextLayout>
#include <QTextBoundaryFinder>
#include <QtEndian>
#include <algorithm>
#include <climits>
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

// Metrics of the face, one character at a time and remembered: report
// texts are short and repeat their characters, so measuring never shapes.
// Kerning is off in print as well, so the sums are what gets drawn.
struct ReportLayouter::Measure {
    using Char = CharMetrics;

    QFont font;
    QRawFont raw;
    QFontMetricsF metrics;
    double scale;  // measuring pixels per layout pixel
    QHash<char32_t, Char> chars;

    Measure(const QFont& f, double scale_) : font(f), raw(QRawFont::fromFont(f)), metrics(f), scale(scale_) {}

    Char measure(const QChar* text, int count, char32_t code)
    {
        const auto it = chars.constFind(code);
        if (it != chars.constEnd())
            return *it;
        Char c;
        quint32 glyphs[2] = {0, 0};
        int glyphCount = 2;
        if (raw.isValid() && raw.glyphIndexesForChars(text, count, glyphs, &glyphCount) && glyphCount == 1 &&
            glyphs[0] != 0) {
            c = glyph(raw, glyphs[0]);
        } else {
            // A character the face lacks is drawn by a fall-back face; laid
            // out once on its own, it shows which face and glyph that is.
            QTextLayout layout(QString(text, count), font);
            layout.beginLayout();
            layout.createLine();
            layout.endLayout();
            const QList<QGlyphRun> runs = layout.glyphRuns();
            if (runs.size() == 1 && runs[0].glyphIndexes().size() == 1 && runs[0].glyphIndexes()[0] != 0 &&
                runs[0].rawFont().isValid())
                c = glyph(runs[0].rawFont(), runs[0].glyphIndexes()[0]);
            else
                c.advance = metrics.horizontalAdvance(QString(text, count)) / scale;
        }
        chars.insert(code, c);
        return c;
    }

    Char glyph(const QRawFont& face, quint32 index) const
    {
        Char c;
        QPointF a;
        face.advancesForGlyphIndexes(&index, &a, 1, QRawFont::SeparateAdvances);
        c.advance = a.x() / scale;
        const QRectF ink = face.boundingRect(index);
        c.ink = QRectF(ink.x() / scale, ink.y() / scale, ink.width() / scale, ink.height() / scale);
        c.known = true;
        return c;
    }

    // Metrics of every UTF-16 unit; the second half of a surrogate pair is empty.
    void measureText(QStringView text, std::vector<Char>& out)
    {
        out.assign(size_t(text.size()), Char{0, QRectF(), true});
        const QChar* data = text.data();
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (data[i].isHighSurrogate() && i + 1 < text.size() && data[i + 1].isLowSurrogate()) {
                out[size_t(i)] = measure(data + i, 2, QChar::surrogateToUcs4(data[i], data[i + 1]));
                ++i;
            } else {
                out[size_t(i)] = measure(data + i, 1, data[i].unicode());
            }
        }
    }
};

namespace {

using Char = ReportLayouter::CharMetrics;

// Whether the glyphs of text[start, end), drawn from `pen` on its baseline,
// could leave the box: then the text is clipped to it. Most lines stay inside,
// and painting them without a clip keeps the printed pages lean.
bool needsClip(const std::vector<Char>& chars, qsizetype start, qsizetype end, QPointF pen, const QRectF& box)
{
    const QRectF room = box.adjusted(-0.01, -0.01, 0.01, 0.01);
    double x = pen.x();
    for (qsizetype i = start; i < end; ++i) {
        const Char& c = chars[size_t(i)];
        if (!c.known)
            return true;
        if (!c.ink.isEmpty() && !room.contains(c.ink.translated(x, pen.y())))
            return true;
        x += c.advance;
    }
    return false;
}

bool isBlank(QChar c)
{
    return c.isSpace() || c == QChar::LineSeparator;
}

// Greedy line breaking at the Unicode line-break opportunities, which lie
// between any two Chinese characters and keep Latin words and numbers whole;
// a piece wider than the line is broken between any two characters. Returns
// [start, end) of each line, at most `maxLines`.
std::vector<std::pair<qsizetype, qsizetype>> breakLines(const QString& t, const std::vector<Char>& chars,
                                                         double width, bool wrap, int maxLines)
{
    std::vector<std::pair<qsizetype, qsizetype>> lines;
    qsizetype lineStart = 0;
    double lineWidth = 0;
    auto endLine = [&](qsizetype end) {
        lines.emplace_back(lineStart, end);
        lineStart = end;
        lineWidth = 0;
        return int(lines.size()) >= maxLines;
    };
    const double fits = width + 1e-6;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, t);
    qsizetype previous = 0;
    while (true) {
        const qsizetype b = finder.toNextBoundary();
        if (b < 0 || b > t.size())
            break;
        if (b == previous)
            continue;
        double segment = 0, visible = 0;
        for (qsizetype i = previous; i < b; ++i) {
            segment += chars[size_t(i)].advance;
            if (!isBlank(t.at(i)))
                visible = segment;
        }
        if (!wrap || lineWidth + visible <= fits) {
            lineWidth += segment;
        } else {
            if (lineStart < previous && lineWidth > 0) {
                if (endLine(previous))
                    return lines;
            }
            if (visible <= fits) {
                lineWidth = segment;
            } else {
                for (qsizetype i = previous; i < b; ++i) {
                    const double a = chars[size_t(i)].advance;
                    if (a == 0.0)
                        continue;  // second half of a surrogate pair
                    if (lineWidth > 0 && lineWidth + a > fits && !isBlank(t.at(i))) {
                        if (endLine(i))
                            return lines;
                    }
                    lineWidth += a;
                }
            }
        }
        if (finder.boundaryReasons() & QTextBoundaryFinder::MandatoryBreak) {
            if (endLine(b))
                return lines;
        }
        previous = b;
    }
    if (lineStart < t.size())
        lines.emplace_back(lineStart, t.size());
    if (int(lines.size()) > maxLines)
        lines.resize(size_t(maxLines));
    return lines;
}

}  // namespace

ReportLayouter::ReportLayouter() = default;
ReportLayouter::~ReportLayouter() = default;

int ReportLayouter::font(const ReportElement& e)
{
    for (size_t i = 0; i < m_fonts.size(); ++i)
        if (m_fonts[i].sameFace(e.family, e.fontPixels, e.bold))
            return int(i);
    QFont font(e.family);
    // Whole pixels only; the measures are scaled back by what was given.
    const int measurePixels = std::max(1, int(std::lround(e.fontPixels * measureScale)));
    font.setPixelSize(measurePixels);
    font.setBold(e.bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    ReportFont rf;
    rf.family = e.family;
    rf.pixels = e.fontPixels;
    rf.bold = e.bold;
    rf.ascentEm = emAscent(font);
    m_fonts.push_back(rf);
    m_measures.push_back(std::make_unique<Measure>(font, measurePixels / e.fontPixels));
    return int(m_fonts.size() - 1);
}

ReportLayouter::LineBox ReportLayouter::lineBox(const ReportElement& e, int f) const
{
    const double em = e.fontPixels;
    if (e.spacing == ReportElement::LineSpacing::EmBox)
        return {em, m_fonts[size_t(f)].ascentEm * em};
    const Measure& m = *m_measures[size_t(f)];
    return {(m.metrics.ascent() + m.metrics.descent()) / m.scale, m.metrics.ascent() / m.scale};
}

double ReportLayouter::lineHeight(const ReportElement& e)
{
    return lineBox(e, font(e)).pitch;
}

double ReportLayouter::textWidth(const ReportElement& e, QStringView text)
{
    Measure& m = *m_measures[size_t(font(e))];
    m.measureText(text, m_chars);
    double widest = 0, width = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' || text[i] == u'\r' || text[i] == QChar::LineSeparator) {
            width = 0;
            continue;
        }
        width += m_chars[size_t(i)].advance;
        widest = std::max(widest, width);
    }
    return widest;
}

int ReportLayouter::layOut(const ReportElement& e, const QString& text, std::vector<PaintItem>& out)
{
    if (!e.visible)
        return 0;
    const double boxHeight = e.heightMm / mmPerLayoutPixel;
    if (e.sizing != ReportElement::Sizing::FixedBox || !e.shrinkToFit || text.isEmpty())
        return place(e, text, out, boxHeight);

    const double usable = e.fitHeightMm > 0 ? std::min(e.fitHeightMm / mmPerLayoutPixel, boxHeight) : boxHeight;
    ReportElement sized = e;
    const TextFit fit = fitText(e, text, usable);
    sized.fontPixels = fit.fontPixels;
    const int shown = place(sized, text, out, usable);
    if (!fit.fits) {
        const int f = font(sized);
        PaintItem mark{PaintItem::Kind::CutMark, quint8(f), mmRect(e.left, e.top, e.widthMm / mmPerLayoutPixel, boxHeight),
                       {}, {}, false, 0xffff0000, e.fixedOnPaper};
        out.push_back(std::move(mark));
    }
    return shown;
}

ReportLayouter::TextFit ReportLayouter::fitText(const ReportElement& e, const QString& text, double usablePx)
{
    const QString t = boxText(text);
    const double boxWidth = e.widthMm / mmPerLayoutPixel;
    ReportElement trial = e;
    auto fitsAt = [&](double pixels) {
        trial.fontPixels = pixels;
        const int f = font(trial);
        const LineBox lines = lineBox(trial, f);
        m_measures[size_t(f)]->measureText(t, m_chars);
        const auto broken = breakLines(t, m_chars, boxWidth, e.wordWrap, INT_MAX);
        return double(broken.size()) * lines.pitch <= usablePx + 1e-6;
    };
    if (fitsAt(e.fontPixels))
        return {e.fontPixels, true};
    // Then every half point below the design size, down to the smallest.
    const double minPx = std::min(e.minFontPixels, e.fontPixels);
    const double minHalfPoints = std::ceil(minPx * 0.75 * 2.0 - 1e-9);
    for (double halfPoints = std::ceil(e.fontPixels * 0.75 * 2.0 - 1e-9) - 1; halfPoints >= minHalfPoints;
         --halfPoints) {
        const double px = halfPoints / 2.0 / 0.75;
        if (fitsAt(px))
            return {px, true};
    }
    return {minPx, false};
}

int ReportLayouter::place(const ReportElement& e, const QString& text, std::vector<PaintItem>& out, double usablePx)
{
    const int f = font(e);
    Measure& m = *m_measures[size_t(f)];
    const double em = e.fontPixels;
    const LineBox lines = lineBox(e, f);
    const double boxHeight = e.heightMm / mmPerLayoutPixel;

    // One line of t[start, end) with its pen at x, its line box's top at top.
    auto text_ = [&](const QRectF& box, const QString& t, qsizetype start, qsizetype end, double x, double top) {
        QString piece = t.mid(start, end - start);
        while (!piece.isEmpty() && (piece.back() == QChar::LineSeparator || piece.back() == u' '))
            piece.chop(1);
        if (piece.isEmpty())
            return;
        const QPointF pen(x, top + lines.ascent);
        PaintItem item{PaintItem::Kind::Text, quint8(f), box, pen * mmPerLayoutPixel, piece, false, e.colour,
                       e.fixedOnPaper};
        item.clip = needsClip(m_chars, start, start + piece.size(), pen,
                              QRectF(box.topLeft() / mmPerLayoutPixel, box.size() / mmPerLayoutPixel));
        out.push_back(std::move(item));
    };
    auto background = [&](const QRectF& box) {
        if (e.opaque)
            out.push_back({PaintItem::Kind::Background, quint8(f), box, {}, {}, false, 0xffffffff, e.fixedOnPaper});
    };

    if (e.sizing == ReportElement::Sizing::FitToText) {
        const QString line = oneLine(text);
        m.measureText(line, m_chars);
        double width = 0;
        for (const Char& c : m_chars)
            width += c.advance;
        // The box follows the text; a little room on the right keeps the
        // last glyph's overhang.
        const QRectF box = mmRect(e.left, e.top, width + em * 0.25, boxHeight);
        background(box);
        text_(box, line, 0, line.size(), e.left, e.top);
        return line.isEmpty() ? 0 : 1;
    }

    const double boxWidth = e.widthMm / mmPerLayoutPixel;
    const bool grows = e.sizing == ReportElement::Sizing::Grow;
    if (text.isEmpty()) {
        background(mmRect(e.left, e.top, boxWidth, boxHeight));
        return 0;
    }

    // Whole lines only; a box lower than one line still shows its first.
    const int maxLines = grows ? INT_MAX : std::max(1, int(std::floor((usablePx + 1e-6) / lines.pitch)));
    const QString t = boxText(text);
    m.measureText(t, m_chars);
    const auto broken = breakLines(t, m_chars, boxWidth, e.wordWrap, maxLines);
    const double height = grows ? std::max(boxHeight, broken.size() * lines.pitch) : boxHeight;
    const QRectF box = mmRect(e.left, e.top, boxWidth, height);
    background(box);
    const Qt::Alignment horizontal = e.alignment & (Qt::AlignRight | Qt::AlignHCenter);
    int index = 0;
    for (const auto& [start, end] : broken) {
        double x = e.left;
        if (horizontal) {
            // A line broken where it did not fit leaves its closing blanks
            // hanging; the last line of a paragraph keeps them, so that
            // blanks typed after a right-aligned text hold it off the edge.
            qsizetype last = end;
            if (last > start && t.at(last - 1) == QChar::LineSeparator)
                --last;
            else if (last < t.size())
                while (last > start && isBlank(t.at(last - 1)))
                    --last;
            double width = 0;
            for (qsizetype i = start; i < last; ++i)
                width += m_chars[size_t(i)].advance;
            const double room = boxWidth - width;
            if (room > 0)
                x += horizontal & Qt::AlignRight ? room : room / 2;
        }
        text_(box, t, start, end, x, e.top + lines.pitch * index++);
    }
    return int(broken.size());
}

}  // namespace kx
