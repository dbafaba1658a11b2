#include "app/HintSettings.h"

#include <QApplication>
#include <QHelpEvent>
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
    if (event->type() == QEvent::ToolTip && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (!w->toolTip().isEmpty()) {
            auto* help = static_cast<QHelpEvent*>(event);
            QToolTip::showText(help->globalPos(), w->toolTip(), w, QRect(), 2000);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kx
