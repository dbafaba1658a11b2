#include "widgets/EnterChain.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

namespace kx {

void EnterChain::watch(QWidget* widget, QObject* key)
{
    widget->installEventFilter(this);
    m_owner.insert(widget, key);
    // An editable drop-down box passes its keys to its line edit: watch both,
    // so that Enter neither reaches the box's own handling nor adds the text
    // to the list.
    if (auto* box = qobject_cast<QComboBox*>(widget); box && box->lineEdit()) {
        box->lineEdit()->installEventFilter(this);
        m_owner.insert(box->lineEdit(), key);
    }
}

void EnterChain::link(QWidget* from, QWidget* to)
{
    link(from, [to] { return to; });
}

void EnterChain::link(QWidget* from, std::function<QWidget*()> to)
{
    m_next.insert(from, std::move(to));
    watch(from, from);
}

void EnterChain::pressOnEnter(QAbstractButton* button)
{
    m_buttons.insert(button, button);
    watch(button, button);
}

bool EnterChain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return QObject::eventFilter(watched, event);
    if (key->modifiers() & ~Qt::KeypadModifier)
        return QObject::eventFilter(watched, event);
    QObject* owner = m_owner.value(watched);
    if (!owner)
        return QObject::eventFilter(watched, event);
    if (QAbstractButton* button = m_buttons.value(owner)) {
        if (!button->isHidden() && button->isEnabled())
            button->click();
        return true;
    }
    const auto next = m_next.find(owner);
    if (next == m_next.end())
        return QObject::eventFilter(watched, event);
    if (QWidget* target = (*next)())
        target->setFocus(Qt::TabFocusReason);
    return true;
}

}  // namespace kx
