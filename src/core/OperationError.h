#pragma once

#include <QString>
#include <stdexcept>

namespace kx {

// An error that ends the operation in which it arose and reaches the general
// error display with its message: a file that cannot be read or written, a
// damaged workbook, a setting that cannot be stored. The engine's own errors
// are DbErrors, a kind of it.
class OperationError : public std::runtime_error {
public:
    explicit OperationError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

}  // namespace kx
