#include "Typing.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

namespace kx::test {

void typeText(QWidget* widget, const QString& text)
{
    for (const QChar ch : text) {
        const int key = ch.unicode() < 128 ? int(QChar(ch).toUpper().unicode()) : int(Qt::Key_unknown);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(widget, &release);
    }
}

}  // namespace kx::test
