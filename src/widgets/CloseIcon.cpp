#include "widgets/CloseIcon.h"

#include <QMouseEvent>
#include <QPainter>

namespace kx {

CloseIcon::CloseIcon(QWidget* parent) : QWidget(parent)
{
    setAccessibleName(QStringLiteral("关闭"));
    setToolTip(QStringLiteral("关闭"));
    setCursor(Qt::PointingHandCursor);
    resize(17, 17);
}

void CloseIcon::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(0.5, 0.5, 16, 16);
    p.setPen(QColor(0x99, 0x22, 0x22));
    p.setBrush(QColor(0xd9, 0x44, 0x44));
    p.drawRoundedRect(box, 3, 3);
    p.setPen(QPen(Qt::white, 2));
    p.drawLine(QPointF(4.5, 4.5), QPointF(12.5, 12.5));
    p.drawLine(QPointF(12.5, 4.5), QPointF(4.5, 12.5));
}

void CloseIcon::mousePressEvent(QMouseEvent* event)
{
    event->accept();  // not a drag of the panel below
}

void CloseIcon::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    event->accept();
}

}  // namespace kx
