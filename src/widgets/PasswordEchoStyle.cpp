#include "widgets/PasswordEchoStyle.h"

namespace kx {

PasswordEchoStyle::PasswordEchoStyle() = default;

int PasswordEchoStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                                 QStyleHintReturn* ret) const
{
    if (hint == SH_LineEdit_PasswordCharacter)
        return '*';
    // Never a glimpse of the last character typed.
    if (hint == SH_LineEdit_PasswordMaskDelay)
        return 0;
    return QProxyStyle::styleHint(hint, option, widget, ret);
}

}  // namespace kx
