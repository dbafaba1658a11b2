#pragma once

#include "core/OperationError.h"

namespace kx {

// An error of the database engine or of a dataset, with the engine's message
// (or one worded as the engine words it): a failed statement, a field that is
// not there, a row changed by another station, a null that cannot be text.
class DbError : public OperationError {
public:
    explicit DbError(const QString& message) : OperationError(message) {}
};

}  // namespace kx
