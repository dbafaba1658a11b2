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

// A number with at most 15 significant digits and no trailing zeros: 1,
// 12.5, 0, and 59.7 for the 59.699999999999996 that 19.9 × 3 leaves behind.
// Fifteen digits are what a double always carries exactly, so the noise of
// binary arithmetic never shows. Plain decimals in the same range as
// shortestNumber.
QString fifteenDigitNumber(double value);

// As textOf, with a number in its fifteen-digit form: for fields the user
// reads and edits.
QString editableTextOf(const QVariant& value);

}  // namespace kx
