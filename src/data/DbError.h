#pragma once

#include <QString>
#include <QVariant>
#include <stdexcept>

namespace kx {

// An error that ends the operation in which it arose and reaches the general
// error display with its message: engine errors, null conversions, settings errors.
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

// Turning a null into text is refused with this exact message; every place that
// loads a value into a text box or a print text goes through textOf().
class ConversionError : public DbError {
public:
    ConversionError()
        : DbError(QStringLiteral("Could not convert variant of type (Null) into type (String)")) {}
};

// The value as text: numbers in their shortest form, text as it stands.
// A null throws ConversionError.
QString textOf(const QVariant& value);

// The value as text for display and comparison: a null is an empty text.
QString displayText(const QVariant& value);

// Removes leading and trailing characters whose code is 32 or below. A
// full-width blank (U+3000) is a character like any other and stays.
QString trimControl(const QString& text);

// Shortest decimal form of a number: 1, 2.5, 12.345.
QString shortestNumber(double value);

}  // namespace kx
