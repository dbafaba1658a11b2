#include "widgets/CharacterKeyFilter.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace kx {

void CharacterKeyFilter::attach(QLineEdit* field, CharacterKeyFilter* filter)
{
    filter->setParent(field);
    field->setAttribute(Qt::WA_InputMethodEnabled, false);
    field->installEventFilter(filter);
}

bool CharacterKeyFilter::allowed(const QString& text) const
{
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c < 32 || c == 127)
            continue;
        if (!acceptsCharacter(c))
            return false;
    }
    return true;
}

bool CharacterKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        if (!allowed(static_cast<QKeyEvent*>(event)->text()))
            return true;
    } else if (event->type() == QEvent::InputMethod) {
        if (!allowed(static_cast<QInputMethodEvent*>(event)->commitString()))
            return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kx
