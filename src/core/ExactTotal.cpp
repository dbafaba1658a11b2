#include "core/ExactTotal.h"

#include <cmath>

namespace kx {

ExactTotal::Units ExactTotal::unitsOf(const QVariant& value)
{
    if (value.isNull())
        return 0;
    double v = 0;
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        v = value.toDouble();
        break;
    default: {
        bool ok = false;
        v = value.toString().trimmed().toDouble(&ok);
        if (!ok)
            return 0;
    }
    }
    return unitsOfNumber(v);
}

ExactTotal::Units ExactTotal::unitsOfNumber(double v)
{
    const double scaled = std::round(v * 10000.0);
    if (!std::isfinite(scaled))
        return 0;
    // 8e28 ten-thousandths (8e24) times 2^31 rows stays below 2^127.
    constexpr double limit = 8.0e28;
    if (scaled > limit)
        return Units(limit);
    if (scaled < -limit)
        return -Units(limit);
    return Units(scaled);
}

QString ExactTotal::text(Units units)
{
    const bool negative = units < 0;
    using U = unsigned __int128;
    const U magnitude = negative ? U(0) - U(units) : U(units);
    U whole = magnitude / 10000;
    unsigned frac = unsigned(magnitude % 10000);
    QString digits;
    do {
        digits.prepend(QChar(u'0' + int(whole % 10)));
        whole /= 10;
    } while (whole != 0);
    if (frac != 0) {
        QString f = QStringLiteral("%1").arg(frac, 4, 10, QLatin1Char('0'));
        while (f.endsWith(QLatin1Char('0')))
            f.chop(1);
        digits += QLatin1Char('.') + f;
    }
    return negative ? QLatin1Char('-') + digits : digits;
}

}  // namespace kx
