#pragma once

#include <QString>
#include <stdexcept>

namespace kx {

// An error that ends the operation in which it arose and reaches the general
// error display with its message: engine errors, null conversions, settings errors.
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

}  // namespace kx
