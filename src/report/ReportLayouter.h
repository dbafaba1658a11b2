#pragma once

#include "report/PaintItem.h"
#include "report/ReportElement.h"

#include <QFont>
#include <QFontMetricsF>
#include <QRectF>
#include <QStringView>
#include <memory>
#include <vector>

namespace kx {

// Breaks element texts into lines and places them in their boxes. Lines are
// one em apart with the em box's top on the element's top, as the Song faces
// the forms were laid out with draw them, or as far apart as the face's
// ascent and descent (LineSpacing::FontHeight). A fixed box breaks its text
// between any two Chinese characters (Latin words and numbers stay whole
// while they fit a line) and drops the lines beyond its height; a growing box
// keeps every line. Every text is clipped to its element's box, so nothing is
// ever drawn outside it.
class ReportLayouter {
public:
    ReportLayouter();
    ~ReportLayouter();

    // Appends the paint items of one element showing `text`; returns the
    // number of lines it shows. A fixed box that shrinks to fit takes the
    // largest size whose lines fit; a text cut even at the smallest size
    // gets a PaintItem::Kind::CutMark over its box.
    int layOut(const ReportElement& element, const QString& text, std::vector<PaintItem>& out);

    // The distance from one line of the element's text to the next, in
    // layout pixels.
    double lineHeight(const ReportElement& element);
    // The width of the element's text set on one line (its widest line when
    // it holds line breaks), in layout pixels.
    double textWidth(const ReportElement& element, QStringView text);

    const std::vector<ReportFont>& fonts() const { return m_fonts; }
    // The index into fonts() of the element's face, added when new.
    int font(const ReportElement& element);

    // One character of a face: its advance and the outline of its glyph
    // around the pen on the baseline, in layout pixels. `known` is false when
    // a fall-back face draws the character and its outline is not known.
    struct CharMetrics {
        double advance = 0;
        QRectF ink;
        bool known = false;
    };

    // The size a shrinking box sets its text at, in layout pixels, and
    // whether the text fits at that size within `usablePx` of height.
    struct TextFit {
        double fontPixels;
        bool fits;
    };
    TextFit fitText(const ReportElement& element, const QString& text, double usablePx);

private:
    int place(const ReportElement& element, const QString& text, std::vector<PaintItem>& out, double usablePx);
    struct Measure;
    struct LineBox {
        double pitch;   // from one line's top to the next
        double ascent;  // from a line's top to its baseline
    };
    LineBox lineBox(const ReportElement& element, int font) const;

    std::vector<ReportFont> m_fonts;
    std::vector<std::unique_ptr<Measure>> m_measures;
    std::vector<CharMetrics> m_chars;
};

}  // namespace kx
