#include "app/HintSettings.h"

#include <QApplication>
#include <QToolTip>
#include <QWidget>

namespace kx {

namespace {

HintSettings* instance = nullptr;

}  // namespace

void HintSettings::apply()
{
    if (instance)
        return;
    instance = new HintSettings;
    instance->setParent(qApp);
    QPalette p = QToolTip::palette();
    p.setColor(QPalette::ToolTipBase, QColor(0xFF, 0xC2, 0x86));
    p.setColor(QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(p);
    qApp->installEventFilter(instance);
}

bool HintSettings::applied()
{
    return instance != nullptr;
}

bool HintSettings::eventFilter(QObject* watched, QEvent* event)
{
    // Every hint stays two seconds. What a hint says is still the widget's
    // own affair: a grid cell, a title or a footer total cut to fit shows its
    // full text where other places show their hint.
    if (event->type() == QEvent::ToolTip && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (w->toolTipDuration() < 0)
            w->setToolTipDuration(2000);
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kx
