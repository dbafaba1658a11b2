#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>

namespace kx {

// A font of a laid-out report: the face asked for, its height in layout
// pixels and where the baseline sits below the top of the character cell.
struct ReportFont {
    QString family;
    double pixels = 19;
    bool bold = true;
    double ascentEm = 0.88;  // baseline below the em box's top, in em

    bool sameFace(const QString& f, double px, bool b) const { return family == f && pixels == px && bold == b; }
};

// One thing to paint in a band, in millimetres from the band's top-left
// corner (the band's left edge lies on the left margin).
struct PaintItem {
    enum class Kind : quint8 {
        Background,  // white behind an element, painted only over texts of earlier bands
        Text,
        Fill,        // a coloured area, always painted, beneath the rules and texts
        Rule,        // a line drawn as a thin area, over the fills, at least a dot wide
        Frame,       // a hairline just around the box, moved as one piece with it
        CutMark,     // a text cut at its box's edge: framed in red on screen, never printed
    };
    Kind kind = Kind::Text;
    quint8 font = 0;  // index into the job's fonts
    QRectF box;       // the element's box: filled, or the clip of a text
    QPointF baseline; // where a text line starts, on its baseline
    QString text;
    bool clip = false; // the glyphs may reach past the box: clip the text to it
    QRgb colour = 0xff000000;  // of the text or the fill
    bool fixedOnPaper = false; // stays where it is under a printer's correction (a ruler)
};

}  // namespace kx
