#pragma once

#include <QString>
#include <QVariant>

namespace kx {

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
