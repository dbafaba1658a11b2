#pragma once

#include <QLabel>

namespace kx {

// A label that acts as a link: blue, underlined, the hand cursor, and a left
// click reports clicked().
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace kx
