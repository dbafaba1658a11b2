#pragma once

#include <QObject>
#include <functional>

class QStatusBar;

namespace kx {

// Makes a whole status bar one link: a click on the bar or on any of its
// panels runs the action.
class StatusBarLink : public QObject {
    Q_OBJECT
public:
    StatusBarLink(QStatusBar* bar, std::function<void()> action);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> m_action;
};

}  // namespace kx
