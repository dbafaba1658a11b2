#pragma once

#include <QHash>
#include <QObject>
#include <functional>

class QAbstractButton;
class QWidget;

namespace kx {

// The Enter key of a data-entry panel: in a linked field it moves the focus
// to the next one; on a linked button it presses it. Fields that are not
// linked keep Qt's own handling.
class EnterChain : public QObject {
    Q_OBJECT
public:
    explicit EnterChain(QObject* parent = nullptr) : QObject(parent) {}

    // Enter in `from` moves the focus to `to`.
    void link(QWidget* from, QWidget* to);
    // The same with a target chosen when Enter is pressed (nullptr: nothing).
    void link(QWidget* from, std::function<QWidget*()> to);
    // Enter on the focused button presses it.
    void pressOnEnter(QAbstractButton* button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watch(QWidget* widget, QObject* key);

    QHash<QObject*, QObject*> m_owner;  // watched object -> the linked widget
    QHash<QObject*, std::function<QWidget*()>> m_next;
    QHash<QObject*, QAbstractButton*> m_buttons;
};

}  // namespace kx
