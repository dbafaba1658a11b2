#pragma once

#include <QLabel>
#include <QTimer>

namespace kx {

// The success banner (Panel4): a short message over the grid's top-left
// corner that its timer (hideTimer) hides two seconds after it was first shown.
class SuccessBanner : public QLabel {
    Q_OBJECT
public:
    explicit SuccessBanner(QWidget* parent);
    // Starting the timer again while it runs does not restart it, so a second
    // message within two seconds replaces the text but not the deadline.
    void showMessage(const QString& text);
    QTimer* hideTimer;

private:
    void tick();
};

}  // namespace kx
