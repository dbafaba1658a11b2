#pragma once

#include <QObject>

class QLineEdit;

namespace kx {

// Lets a field take only what a number needs from the keyboard: the digits
// 0 to 9, the point, Backspace and Enter. Every other typed character is
// dropped as it is typed; editing keys and shortcuts still work.
class NumericKeyFilter : public QObject {
    Q_OBJECT
public:
    explicit NumericKeyFilter(QObject* parent = nullptr) : QObject(parent) {}

    // Installs a filter owned by the field.
    static void install(QLineEdit* field);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace kx
