#pragma once

#include <QObject>

class QLineEdit;

namespace kx {

// The typing rule of a password field: ASCII letters and digits only, at
// most ten of them, shown masked. Backspace, Enter and the other editing
// keys pass, so an EnterChain on the field still moves the focus on; every
// other typed character is dropped as it is typed.
class PasswordKeyFilter : public QObject {
    Q_OBJECT
public:
    static constexpr int maxLength = 10;

    explicit PasswordKeyFilter(QObject* parent = nullptr) : QObject(parent) {}

    // Masks the field, limits its length and installs a filter it owns.
    static void install(QLineEdit* field);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace kx
