#include "orders/CellFormat.h"

#include "core/DbError.h"
#include "core/TextValue.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace kx::CellFormat {

namespace {

bool isNumber(const QVariant& value)
{
    const int type = value.typeId();
    return type == QMetaType::Double || type == QMetaType::LongLong || type == QMetaType::Int;
}

const QString& stringOf(const QVariant& value)
{
    return *static_cast<const QString*>(value.constData());
}

}  // namespace

QString amount(const QVariant& value)
{
    if (value.isNull())
        return QString();
    if (!isNumber(value))
        return text(value);
    const double v = value.toDouble();
    if (!std::isfinite(v))
        return shortestNumber(v);

    // The shortest decimal form is what the user typed (12.345, not
    // 12.3449999…), so rounding it by hand rounds the way they expect.
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::fixed);
    std::string digits(buf, res.ptr);
    const size_t point = digits.find('.');
    std::string whole = point == std::string::npos ? digits : digits.substr(0, point);
    std::string frac = point == std::string::npos ? std::string() : digits.substr(point + 1);

    const bool roundUp = frac.size() > 2 && frac[2] >= '5';
    frac.resize(std::min<size_t>(frac.size(), 2));
    frac.resize(2, '0');
    std::string all = whole + frac;
    if (roundUp) {
        size_t i = all.size();
        while (i > 0) {
            --i;
            if (all[i] == '9') {
                all[i] = '0';
            } else {
                ++all[i];
                break;
            }
            if (i == 0)
                all.insert(all.begin(), '1');
        }
    }
    whole = all.substr(0, all.size() - 2);
    frac = all.substr(all.size() - 2);

    while (!frac.empty() && frac.back() == '0')
        frac.pop_back();
    const size_t nonZero = whole.find_first_not_of('0');
    whole = nonZero == std::string::npos ? std::string() : whole.substr(nonZero);
    if (whole.empty() && frac.empty())
        return QString();
    std::string out = v < 0 ? "-" : "";
    out += whole;
    if (!frac.empty())
        out += "." + frac;
    return QString::fromLatin1(out.data(), qsizetype(out.size()));
}

QString quantity(const QVariant& value)
{
    return text(value);
}

QString date(const QVariant& value)
{
    if (value.isNull())
        return QString();
    if (value.typeId() != QMetaType::QString)
        return text(value);
    const QString& s = stringOf(value);
    // "yyyy-mm-dd hh:mm:ss": only a time other than midnight is shown.
    if (s.size() == 19 && s.at(10) == QLatin1Char(' ') && s.at(4) == QLatin1Char('-') &&
        s.at(13) == QLatin1Char(':') && QStringView(s).mid(11) == u"00:00:00")
        return s.left(10);
    return s;
}

QString text(const QVariant& value)
{
    if (value.isNull())
        return QString();
    if (value.typeId() == QMetaType::QString)
        return stringOf(value);
    return displayText(value);
}

}  // namespace kx::CellFormat
