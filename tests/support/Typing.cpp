#include "Typing.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
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

void commitText(QWidget* widget, const QString& text)
{
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QCoreApplication::sendEvent(widget, &commit);
}

QString repeatedText(const QString& piece, qsizetype length)
{
    QString text;
    while (text.size() < length)
        text += piece;
    text.truncate(length);
    return text;
}

}  // namespace kx::test
