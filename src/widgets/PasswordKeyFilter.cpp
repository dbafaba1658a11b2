#include "widgets/PasswordKeyFilter.h"

#include "widgets/PasswordEchoStyle.h"

#include <QLineEdit>

namespace kx {

void PasswordKeyFilter::install(QLineEdit* field)
{
    field->setEchoMode(QLineEdit::Password);
    // The field's own style, so that the mask is "*" whatever the
    // application's style or skin; the field owns it.
    auto* style = new PasswordEchoStyle;
    style->setParent(field);
    field->setStyle(style);
    field->setMaxLength(maxLength);
    // After the echo mode, which switches input methods back on.
    attach(field, new PasswordKeyFilter);
}

bool PasswordKeyFilter::acceptsCharacter(char16_t c) const
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

}  // namespace kx
