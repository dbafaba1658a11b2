#pragma once

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
    };

    QString name;      // component name, e.g. "QRLabel1"
    QString field;     // bound column of the report's rows; empty for a plain text
    QString text;      // caption or whole box text of a plain element
    int left = 0;      // layout pixels from the band's left edge
    int top = 0;       // layout pixels from the band's top edge
    double widthMm = 0;
    double heightMm = 0;
    QString family = QStringLiteral("宋体");
    int fontPixels = 19;  // font height in layout pixels: 14 pt is 19, 12 pt is 16
    bool bold = true;
    Sizing sizing = Sizing::FixedBox;
    bool wordWrap = true;
    bool opaque = false;   // white background behind the text
    bool visible = true;
};

}  // namespace kx
