#pragma once

// Reads a printed PDF back with poppler (pdftotext -bbox, pdffonts,
// pdftoppm): where each text landed, which fonts went in, how page 1 looks.
//
// pdftotext gives each word's box from the glyph origin (xMin) and from the
// font's ascent/descent as the PDF declares them (yMin, yMax). From those and
// the PDF's /Ascent and /Descent the size and the baseline follow. A waybill
// text stands with the top of its em box (the Song face's character cell) on
// its element's top; for the Noto Serif CJK face the printer uses, that top is
// 0.88 em above the baseline. So a word's place is x = xMin and
// y = baseline − 0.88 × size, compared within 0.5 mm with
// left margin + Left × 25.4/96 and band top + Top × 25.4/96.

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

namespace kx::test {

inline constexpr double mmPerPx = 25.4 / 96.0;
inline constexpr double mmPerPt = 25.4 / 72.0;
inline constexpr double tolerance = 0.5;  // mm
inline constexpr double notoEmAscent = 0.88;

struct Word {
    int page;     // 0-based
    double x;     // glyph origin, mm from the paper's left edge
    double emTop; // top of the em box, mm from the paper's top edge
    double size;  // font size in points
    double right; // mm
    double bottom;// lowest point of the declared font box, mm
    QString text;
};

struct Printed {
    int pages = 0;
    QList<Word> words;
    QString fonts;  // pdffonts' listing
    QImage firstPage;  // page 1 as pdftoppm draws it, 100 dpi grey

    // Dark pixels inside a word's box on page 1: a text hidden under another
    // element's white background still reads back as text, but shows none.
    int ink(const Word& w) const;
    QList<Word> find(const QString& text) const;
};

// Qt writes each glyph's text as the lowest code point the font maps to it,
// which for ideographs like 小, 一, 黄 is a Kangxi or CJK radical. Read back,
// such radicals are turned into the ideograph that shares their glyph.
QString unifiedIdeographs(const QString& text);

// The text of each page of the PDF at `path` as `pdftotext -layout` sets it
// out, ideographs unified as above; empty when the file is missing.
QStringList readLayoutText(const QString& path);

// The PDF at `path` as poppler reads it; empty when the file is missing.
// Leaves the drawn page 1 beside it as `path`.png.
Printed readPdf(const QString& path);

}  // namespace kx::test
