#pragma once

#include <QFrame>

class QLabel;
class QProgressBar;

namespace kx {

// The small borderless window an export shows while it writes: a one-pixel
// black frame around a raised panel, the bold note "正在导出数据，请稍候......"
// and a blue bar that runs from 0 to the number of orders. Centred on the
// screen, above its owner.
class ExportProgress : public QFrame {
    Q_OBJECT
public:
    ExportProgress(int orders, QWidget* owner);

    // The bar at the number of orders written so far.
    void setValue(int orders);

    QFrame* frame;
    QLabel* messageLabel;
    QProgressBar* progressBar;
};

}  // namespace kx
