#include "core/TextValue.h"

#include "core/ConversionError.h"

#include <QLocale>

#include <charconv>
#include <cmath>

namespace kx {

QString shortestNumber(double value)
{
    // Plain decimals (100000, 0.0001) as long as fifteen digits carry them;
    // 'g' alone would write 100000 as 1e+05.
    const double magnitude = value < 0 ? -value : value;
    if (magnitude != 0 && (magnitude >= 1e15 || magnitude < 1e-5))
        return QString::number(value, 'g', QLocale::FloatingPointShortest);
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

QString fifteenDigitNumber(double value)
{
    if (!std::isfinite(value))
        return shortestNumber(value);
    // Round to fifteen significant digits; the shortest text of the rounded
    // double is then exactly those digits without trailing zeros, since any
    // two decimals of fifteen digits stay apart as doubles.
    char buf[32];
    const auto written = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    double rounded = 0;
    std::from_chars(buf, written.ptr, rounded);
    // No "-0" for a value that was only noise below zero.
    return shortestNumber(rounded == 0 ? 0.0 : rounded);
}

static QString anyText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
        return shortestNumber(value.toDouble());
    case QMetaType::QString:
        return value.toString();
    default:
        return value.toString();
    }
}

QString textOf(const QVariant& value)
{
    if (value.isNull())
        throw ConversionError();
    return anyText(value);
}

QString editableTextOf(const QVariant& value)
{
    if (value.typeId() == QMetaType::Double && !value.isNull())
        return fifteenDigitNumber(value.toDouble());
    return textOf(value);
}

QString displayText(const QVariant& value)
{
    return value.isNull() ? QString() : anyText(value);
}

QString trimControl(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

}  // namespace kx
