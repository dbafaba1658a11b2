#include "orders/OrderValues.h"

#include "core/DateText.h"
#include "core/DbError.h"
#include "core/TextValue.h"

namespace kx {

std::optional<double> OrderValues::number(const QString& text)
{
    const QString t = trimControl(text);
    int digits = 0, points = 0;
    for (const QChar ch : t) {
        if (ch >= QLatin1Char('0') && ch <= QLatin1Char('9'))
            ++digits;
        else if (ch == QLatin1Char('.'))
            ++points;
        else
            return std::nullopt;
    }
    if (digits == 0 || points > 1)
        return std::nullopt;
    bool ok = false;
    const double value = t.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<double> OrderValues::number(const QString& text, const std::optional<ShownNumber>& shown)
{
    if (shown && trimControl(text) == shown->text)
        return shown->value;
    return number(text);
}

FieldValues OrderValues::fields(const OrderTexts& t, double quantity, double amount)
{
    return {
        {QStringLiteral("d"), trimControl(t.courier)},
        {QStringLiteral("g"), trimControl(t.printStatus)},
        {QStringLiteral("day1"), dateText(t.date)},
        {QStringLiteral("a"), trimControl(t.name)},
        {QStringLiteral("b"), trimControl(t.mobile)},
        {QStringLiteral("c"), trimControl(t.address)},
        {QStringLiteral("1"), quantity},
        {QStringLiteral("2"), amount},
        {QStringLiteral("z"), trimControl(t.remark)},
        {QStringLiteral("h"), trimControl(t.item)},
        {QStringLiteral("i"), trimControl(t.member)},
        {QStringLiteral("j"), trimControl(t.orderNumber)},
    };
}

}  // namespace kx
