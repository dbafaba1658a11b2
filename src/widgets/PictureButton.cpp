#include "widgets/PictureButton.h"
#include "widgets/FontSubstitutions.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace kx {

PictureButton::PictureButton(const QString& text, QWidget* parent) : QWidget(parent), m_text(text)
{
    setAccessibleName(text);
    setCursor(Qt::PointingHandCursor);
    resize(130, 36);
}

void PictureButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, m_hover ? QColor(0x5c, 0xa8, 0xf0) : QColor(0x4a, 0x97, 0xe6));
    g.setColorAt(1, m_hover ? QColor(0x1f, 0x6c, 0xc8) : QColor(0x15, 0x5b, 0xb5));
    QPainterPath path;
    path.addRoundedRect(r, 6, 6);
    p.fillPath(path, g);
    p.setPen(QColor(0x0e, 0x45, 0x8c));
    p.drawPath(path);
    p.setFont(songFont(16, true));
    p.setPen(Qt::white);
    p.drawText(rect(), Qt::AlignCenter, m_text);
}

void PictureButton::mousePressEvent(QMouseEvent* event)
{
    emit pressed(event->globalPosition().toPoint(), event->button());
    event->accept();
}

void PictureButton::enterEvent(QEnterEvent*)
{
    m_hover = true;
    update();
}

void PictureButton::leaveEvent(QEvent*)
{
    m_hover = false;
    update();
}

}  // namespace kx
