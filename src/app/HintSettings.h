#pragma once

#include <QObject>

namespace kx {

// Application-wide hints: shown at once, on light orange, for two seconds.
// The timings come from AppStyle, which asks applied(); the style itself is
// installed at program start and never replaced here.
class HintSettings : public QObject {
    Q_OBJECT
public:
    static void apply();
    static bool applied();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace kx
