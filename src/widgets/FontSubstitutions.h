#pragma once

#include <QFont>

namespace kx {

// Maps the Windows face names the screens and waybills ask for ("宋体") to
// the Song faces installed on this desktop. Call once at start, before the
// first window is made; calling it again does no harm.
void registerFontSubstitutions();

// The screens' face, "宋体", at a size in pixels.
QFont songFont(int pixels, bool bold = false);

}  // namespace kx
