#pragma once

#include <QString>
#include <QVariant>

namespace kx {

// A running total of numbers kept as a whole count of ten-thousandths in 128
// bits. Each value is rounded to ten-thousandths the same way every time, so
// adding a value and later subtracting it leaves exactly what was there, and
// a total kept up row by row always equals one summed afresh.
//
// A value beyond ±8e24 has no exact place in the count (2^31 such values must
// not overflow it). It is kept apart as a floating-point sum instead, and
// while the total holds any such value it shows that sum in general form with
// 15 significant digits: an approximate figure rather than a wrong exact one.
// Once the last of them is subtracted the total is exact again.
class ExactTotal {
public:
    // What one value brings to a total: its ten-thousandths, or, beyond exact
    // range, the value itself. `sign * units` turns an addition into a
    // subtraction of the same value.
    struct Units {
        __int128 exact = 0;
        double beyond = 0;    // the value itself when it is beyond exact range
        int beyondCount = 0;  // +1 for such a value added, -1 subtracted
        friend Units operator*(int sign, const Units& u)
        {
            return {sign * u.exact, sign * u.beyond, sign * u.beyondCount};
        }
        bool operator==(const Units&) const = default;
    };
    // The largest value, in ten-thousandths, that is counted exactly.
    static constexpr double exactLimit = 8.0e28;

    // A stored value in ten-thousandths: nulls, texts that are not numbers,
    // infinities and NaN count as nothing.
    static Units unitsOf(const QVariant& value);
    // The same for a value stored as a number.
    static Units unitsOfNumber(double value);

    void add(const QVariant& value) { addUnits(unitsOf(value)); }
    void subtract(const QVariant& value) { addUnits(-1 * unitsOf(value)); }
    void addUnits(const Units& units);
    void clear() { *this = ExactTotal(); }
    // Whether every value in the total is counted exactly.
    bool isExact() const { return m_beyondCount == 0; }
    bool operator==(const ExactTotal&) const = default;

    // General number form: no grouping, no trailing zeros, "0" for nothing;
    // exact to the ten-thousandth while isExact(), otherwise the nearest
    // double with 15 significant digits.
    QString text() const;
    // The exact text of a count of ten-thousandths.
    static QString text(__int128 units);

private:
    __int128 m_exact = 0;
    long double m_beyond = 0;
    qint64 m_beyondCount = 0;
};

}  // namespace kx
