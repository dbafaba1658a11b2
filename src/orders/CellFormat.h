#pragma once

#include <QString>
#include <QVariant>

namespace kx::CellFormat {

// Amount with the pattern "#.##": at most two decimals, rounded half away
// from zero on the number's shortest decimal form, no zero before the point
// and nothing at all for 0 (0.5 → ".5", 12 → "12", 12.345 → "12.35").
QString amount(const QVariant& value);

// Quantity in its shortest form: 1, 2.5, 0.
QString quantity(const QVariant& value);

// A stored date "yyyy-mm-dd" or "yyyy-mm-dd hh:mm:ss": the date, and the
// time only when there is one other than exactly midnight. Any other text is
// shown as it stands.
QString date(const QVariant& value);

// Plain text: a null shows nothing; numbers in their shortest form.
QString text(const QVariant& value);

}  // namespace kx::CellFormat
