#pragma once

#include <QApplication>
#include <QWidget>
#include <utility>

namespace kx {

// Brings an open tool window of kind W to the front, or creates a new one
// owned by `owner`. Such windows show themselves, are not modal and delete
// themselves when closed, so the next call after a close makes a new one.
template <class W, class... Args>
W* createOnDemand(QWidget* owner, Args&&... args)
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* found = qobject_cast<W*>(w)) {
            if (found->isMinimized())
                found->showNormal();
            else if (!found->isVisible()) {
                found->setAttribute(Qt::WA_ShowWithoutActivating);
                found->show();
                found->setAttribute(Qt::WA_ShowWithoutActivating, false);
            }
            found->raise();
            found->activateWindow();
            found->setFocus();
            return found;
        }
    }
    auto* created = new W(owner, std::forward<Args>(args)...);
    created->setAttribute(Qt::WA_DeleteOnClose);
    return created;
}

}  // namespace kx
