#include "core/ExactTotal.h"

#include <cmath>

namespace kx {

ExactTotal::Units ExactTotal::unitsOf(const QVariant& value)
{
    if (value.isNull())
        return {};
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
            return {};
    }
    }
    return unitsOfNumber(v);
}

ExactTotal::Units ExactTotal::unitsOfNumber(double v)
{
    if (!std::isfinite(v))
        return {};
    const double scaled = std::round(v * 10000.0);
    // 8e28 ten-thousandths (8e24) times 2^31 rows stays below 2^127.
    if (!std::isfinite(scaled) || std::fabs(scaled) > exactLimit)
        return {0, v, 1};
    // Nearly every amount fits 64 bits, whose conversion the processor does
    // itself; the 128-bit one is a library call.
    if (std::fabs(scaled) < 9.0e18)
        return {__int128(static_cast<long long>(scaled)), 0, 0};
    return {__int128(scaled), 0, 0};
}

void ExactTotal::addUnits(const Units& units)
{
    m_exact += units.exact;
    if (units.beyondCount == 0)
        return;
    m_beyondCount += units.beyondCount;
    // With the last such value gone, what rounding the floating-point sum
    // gathered goes with it.
    m_beyond = m_beyondCount == 0 ? 0 : m_beyond + units.beyond;
}

QString ExactTotal::text() const
{
    if (isExact())
        return text(m_exact);
    const double sum = double(m_beyond + static_cast<long double>(m_exact) / 10000.0L);
    return QString::number(sum, 'g', 15);
}

QString ExactTotal::text(__int128 units)
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
