#include "widgets/PasswordKeyFilter.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace kx {

namespace {

// Control characters (Backspace, Enter, the Ctrl shortcuts) pass; of the
// printable characters only the ASCII letters and digits do. Full-width
// letters and digits are refused: a password typed with them could not be
// typed again on another keyboard layout.
bool allowed(const QString& text)
{
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c < 32 || c == 127)
            continue;
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'))
            continue;
        return false;
    }
    return true;
}

}  // namespace

void PasswordKeyFilter::install(QLineEdit* field)
{
    field->setEchoMode(QLineEdit::Password);
    field->setMaxLength(maxLength);
    // After the echo mode, which switches input methods back on: an input
    // method would compose text past the key filter.
    field->setAttribute(Qt::WA_InputMethodEnabled, false);
    field->installEventFilter(new PasswordKeyFilter(field));
}

bool PasswordKeyFilter::eventFilter(QObject* watched, QEvent* event)
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
