#include "core/TextValue.h"

#include "core/ConversionError.h"

#include <QLocale>

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
