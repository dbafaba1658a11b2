#pragma once

#include <QPixmap>
#include <QString>

namespace kx {

// The logo pictures of the web lookup window: the courier's name in white
// on a plain plate of its colour, 140 × 40.
class CourierLogo {
public:
    static constexpr int width = 140;
    static constexpr int height = 40;
    static QPixmap draw(const QString& name, unsigned colour);
};

}  // namespace kx
