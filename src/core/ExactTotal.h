#pragma once

#include <QString>
#include <QVariant>

namespace kx {

// A running total of numbers kept as a whole count of ten-thousandths in 128
// bits. Each value is rounded to ten-thousandths the same way every time, so
// adding a value and later subtracting it leaves exactly what was there, and
// a total kept up row by row always equals one summed afresh. A single value
// is capped at ±8e24, so even 2^31 rows cannot overflow.
class ExactTotal {
public:
    using Units = __int128;

    // A stored value in ten-thousandths: nulls, texts that are not numbers,
    // infinities and NaN count as nothing.
    static Units unitsOf(const QVariant& value);
    // The same for a value stored as a number.
    static Units unitsOfNumber(double value);

    void add(const QVariant& value) { m_units += unitsOf(value); }
    void subtract(const QVariant& value) { m_units -= unitsOf(value); }
    void addUnits(Units units) { m_units += units; }
    void clear() { m_units = 0; }
    Units units() const { return m_units; }
    bool operator==(const ExactTotal&) const = default;

    // General number form: no grouping, no trailing zeros, "0" for nothing.
    QString text() const { return text(m_units); }
    static QString text(Units units);

private:
    Units m_units = 0;
};

}  // namespace kx
