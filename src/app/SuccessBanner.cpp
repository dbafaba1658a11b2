#include "app/SuccessBanner.h"
#include "widgets/FontSubstitutions.h"

#include <QApplication>
#include <QPalette>

namespace kx {

SuccessBanner::SuccessBanner(QWidget* parent) : QLabel(parent), hideTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("Panel4"));
    setGeometry(0, 0, 257, 49);
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setFont(songFont(14, true));
    const QColor hotLight = QApplication::palette().color(QPalette::Link);
    setStyleSheet(QStringLiteral("QLabel#Panel4 { background: %1; color: white; border: 2px outset %1; }")
                      .arg(hotLight.name()));
    hideTimer->setObjectName(QStringLiteral("Timer2"));
    hideTimer->setInterval(2000);
    connect(hideTimer, &QTimer::timeout, this, &SuccessBanner::tick);
    hide();
}

void SuccessBanner::showMessage(const QString& text)
{
    setText(text);
    show();
    raise();
    if (!hideTimer->isActive())
        hideTimer->start();
}

void SuccessBanner::tick()
{
    if (isVisible()) {
        hideTimer->stop();
        hide();
    }
}

}  // namespace kx
