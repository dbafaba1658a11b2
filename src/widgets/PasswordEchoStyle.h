#pragma once

#include <QProxyStyle>

namespace kx {

// The desktop's style for a password field, masking each character with
// "*" rather than the desktop's own bullet, as every password box of the
// program shows it.
class PasswordEchoStyle : public QProxyStyle {
    Q_OBJECT
public:
    PasswordEchoStyle();

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* ret) const override;
};

}  // namespace kx
