#include "extras/StatusBarLink.h"

#include <QMouseEvent>
#include <QStatusBar>
#include <QWidget>

namespace kx {

StatusBarLink::StatusBarLink(QStatusBar* bar, std::function<void()> action)
    : QObject(bar)
    , m_action(std::move(action))
{
    bar->setCursor(Qt::PointingHandCursor);
    bar->installEventFilter(this);
    for (QWidget* panel : bar->findChildren<QWidget*>()) {
        panel->setCursor(Qt::PointingHandCursor);
        panel->installEventFilter(this);
    }
}

bool StatusBarLink::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        m_action();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kx
