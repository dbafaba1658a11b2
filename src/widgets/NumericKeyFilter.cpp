#include "widgets/NumericKeyFilter.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace kx {

namespace {

// Control characters (Backspace, Enter, the Ctrl shortcuts) pass, so that
// editing and copy-and-paste keep working; of the printable characters only
// the ASCII digits and the point do.
bool allowed(const QString& text)
{
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c < 32 || c == 127)
            continue;
        if ((c >= u'0' && c <= u'9') || c == u'.')
            continue;
        return false;
    }
    return true;
}

}  // namespace

void NumericKeyFilter::install(QLineEdit* field)
{
    // An input method would compose text past the key filter.
    field->setAttribute(Qt::WA_InputMethodEnabled, false);
    field->installEventFilter(new NumericKeyFilter(field));
}

bool NumericKeyFilter::eventFilter(QObject* watched, QEvent* event)
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
