#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

namespace kx {

// Where a window of a wanted size goes so that all of it — its frame, title
// bar included, as well as its contents — is on the screen: the contents
// shrink to what the screen's free area leaves inside the frame, and the
// framed window is centred on that area. Returns the contents' geometry, in
// the screen's coordinates.
QRect fitOnScreen(const QSize& wanted, const QMargins& frame, const QRect& available);

}  // namespace kx
