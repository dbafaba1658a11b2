#pragma once

#include <QWidget>

namespace kx {

// The 16 × 16 cross that closes a floating panel; hand cursor, clicked()
// on a left click.
class CloseIcon : public QWidget {
    Q_OBJECT
public:
    explicit CloseIcon(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace kx
