#include "app/AppStyle.h"

#include "app/HintSettings.h"

namespace kx {

AppStyle::AppStyle() = default;

int AppStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                        QStyleHintReturn* ret) const
{
    // Once the hint settings are applied a hint comes at once; HintSettings
    // keeps it up for its two seconds.
    if ((hint == SH_ToolTip_WakeUpDelay || hint == SH_ToolTip_FallAsleepDelay) && HintSettings::applied())
        return 0;
    return QProxyStyle::styleHint(hint, option, widget, ret);
}

}  // namespace kx
