#include "widgets/NumericKeyFilter.h"

namespace kx {

void NumericKeyFilter::install(QLineEdit* field)
{
    attach(field, new NumericKeyFilter);
}

bool NumericKeyFilter::acceptsCharacter(char16_t c) const
{
    return (c >= u'0' && c <= u'9') || c == u'.';
}

}  // namespace kx
