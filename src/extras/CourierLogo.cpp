#include "extras/CourierLogo.h"

#include <QFont>
#include <QPainter>

namespace kx {

QPixmap CourierLogo::draw(const QString& name, unsigned colour)
{
    QPixmap pm(width, height);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor plate = QColor::fromRgb(colour);
    p.setPen(plate.darker(130));
    p.setBrush(plate);
    p.drawRoundedRect(QRectF(0.5, 0.5, width - 1, height - 1), 5, 5);
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(20);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(pm.rect(), Qt::AlignCenter, name);
    return pm;
}

}  // namespace kx
