#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

class QWidget;

namespace kx::test {

// One text as a window shows it: where its letters stand and the area of
// the control that paints the ground behind them, both in the window's
// coordinates.
struct TextPlace {
    const void* control;  // with `item`, names the text across two grabs
    int item;
    QString what;         // for a failure message: class, name and text
    QRect letters;
    QRect ground;
};

// What a grabbed image shows of one text.
struct TextLook {
    QColor text;
    QColor ground;
    double contrast = 1;  // WCAG contrast ratio, from 1 to 21
};

// The relative luminance and contrast ratio of WCAG 2.
double luminance(QColor c);
double contrastRatio(QColor a, QColor b);

// Every text a window shows itself (not its child windows): labels, the
// texts of buttons, check and radio boxes, edit and combo boxes, group box
// titles, tabs, header sections, the visible items of lists and trees, the
// entries of a menu, a progress bar's text. Controls hidden, scrolled out of
// sight or without text are left out.
QList<TextPlace> textPlaces(QWidget* window);

// The ground is the colour most of a thin ring around the letters shows
// (with a second colour where the ring is split between two, as across a
// gradient: the worse of the two counts); the text colour is the one, among
// colours that at least a few pixels of the letters' area share, that stands
// out most from the ground. Anti-aliased edges do not count; the solid
// strokes of the letters do.
TextLook measure(const QImage& shot, const TextPlace& place);

}  // namespace kx::test
