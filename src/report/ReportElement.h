#pragma once

#include <QColor>
#include <QString>

namespace kx {

// Layout pixels are 1/96 inch: element positions and band heights are given
// in them; the report engine stores element sizes in millimetres.
inline constexpr double mmPerLayoutPixel = 25.4 / 96.0;

// One text element of a report band.
struct ReportElement {
    enum class Sizing {
        FixedBox,   // keeps its size; wraps (when wordWrap) and cuts what does not fit
        FitToText,  // one line, as wide as its text
        Grow,       // keeps its width, wraps, and grows downwards to show every line
    };
    // How far apart the lines of a text are.
    enum class LineSpacing {
        EmBox,       // one em, the em box's top on the element's top (the Song faces of the forms)
        FontHeight,  // the face's ascent and descent: room for the fall-back faces' glyphs too
    };

    QString name;      // component name, e.g. "QRLabel1"
    QString field;     // bound column of the report's rows; empty for a plain text
    QString text;      // caption or whole box text of a plain element
    int left = 0;      // layout pixels from the band's left edge
    int top = 0;       // layout pixels from the band's top edge
    double widthMm = 0;
    double heightMm = 0;
    QString family = QStringLiteral("宋体");
    double fontPixels = 19;  // font height in layout pixels: 14 pt is 19, 12 pt is 16
    bool bold = true;
    Sizing sizing = Sizing::FixedBox;
    LineSpacing spacing = LineSpacing::EmBox;
    Qt::Alignment alignment = Qt::AlignLeft;  // of each line within the box
    QRgb colour = 0xff000000;
    bool wordWrap = true;
    bool opaque = false;   // white background behind the text
    bool visible = true;
    // A fixed box whose text is set smaller, down to minFontPixels, until
    // its wrapped lines fit; only a text that does not fit even then is cut.
    bool shrinkToFit = false;
    double minFontPixels = 8.0 * 96.0 / 72.0;
    // The height the lines may fill, from the box's top; 0: the whole box.
    // Keeps a text clear of another element printed inside its box.
    double fitHeightMm = 0;
    bool fixedOnPaper = false;  // see PaintItem::fixedOnPaper
};

}  // namespace kx
