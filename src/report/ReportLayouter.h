#pragma once

#include "report/PaintItem.h"
#include "report/ReportElement.h"

#include <QFont>
#include <QFontMetricsF>
#include <QRectF>
#include <memory>
#include <vector>

namespace kx {

// Breaks element texts into lines and places them in their boxes. Lines are
// one em apart with the em box's top on the element's top, as the Song faces
// the forms were laid out with draw them. A fixed box breaks its text between
// any two Chinese characters (Latin words and numbers stay whole while they
// fit a line) and drops the lines beyond its height; every text is clipped to
// its element's box, so nothing is ever drawn outside it.
class ReportLayouter {
public:
    ReportLayouter();
    ~ReportLayouter();

    // Appends the paint items of one element showing `text`.
    void layOut(const ReportElement& element, const QString& text, std::vector<PaintItem>& out);

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

private:
    struct Measure;

    std::vector<ReportFont> m_fonts;
    std::vector<std::unique_ptr<Measure>> m_measures;
    std::vector<CharMetrics> m_chars;
};

}  // namespace kx
