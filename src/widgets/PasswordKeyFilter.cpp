#include "widgets/PasswordKeyFilter.h"

#include <QLineEdit>

namespace kx {

void PasswordKeyFilter::install(QLineEdit* field)
{
    field->setEchoMode(QLineEdit::Password);
    field->setMaxLength(maxLength);
    // After the echo mode, which switches input methods back on.
    attach(field, new PasswordKeyFilter);
}

bool PasswordKeyFilter::acceptsCharacter(char16_t c) const
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

}  // namespace kx
