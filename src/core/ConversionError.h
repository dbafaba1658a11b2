#pragma once

#include "core/DbError.h"

namespace kx {

// Turning a null into text is refused with this exact message; every place that
// loads a value into a text box or a print text goes through textOf().
class ConversionError : public DbError {
public:
    ConversionError()
        : DbError(QStringLiteral("Could not convert variant of type (Null) into type (String)")) {}
};

}  // namespace kx
