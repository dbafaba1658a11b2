#pragma once

#include <QFont>

namespace kx {

// Maps the Windows face names the screens and waybills ask for ("宋体") to
// the Song faces installed on this desktop, and the printed list's "Arial"
// and "MS Sans Serif" to Liberation Sans. Call once at start, before the
// first window is made; calling it again does no harm.
void registerFontSubstitutions();

// The screens' face, "宋体", at a size in pixels.
QFont songFont(int pixels, bool bold = false);

// The screens' face for text full of figures, such as the order grid's: an
// installed Song face whose digits are half as wide as its Chinese
// characters, as they are in the Windows face, so that a mobile number or an
// amount fits the room the column widths give it. "宋体" when no installed
// face has such digits.
QFont songFigureFont(int pixels);

}  // namespace kx
