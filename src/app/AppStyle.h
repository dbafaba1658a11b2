#pragma once

#include <QProxyStyle>

namespace kx {

// The program's style: the desktop's own, with the hint timings that
// HintSettings switches on. It is installed once, before the first window
// exists: replacing the application's style later repolishes every widget,
// and the ones styled by a style sheet (the login's labels) lose the font
// their window gave them.
class AppStyle : public QProxyStyle {
    Q_OBJECT
public:
    AppStyle();

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* ret) const override;
};

}  // namespace kx
