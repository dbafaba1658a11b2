#include "orders/OrderValues.h"

#include "core/DateText.h"
#include "core/DbError.h"
#include "core/TextValue.h"
#include "data/Schema.h"

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
    namespace column = schema::orderColumn;
    return {
        {column::courier, trimControl(t.courier)},
        {column::printStatus, trimControl(t.printStatus)},
        {column::payDate, dateText(t.date)},
        {column::recipientName, trimControl(t.name)},
        {column::recipientMobile, trimControl(t.mobile)},
        {column::recipientAddress, trimControl(t.address)},
        {column::quantity, quantity},
        {column::amount, amount},
        {column::remark, trimControl(t.remark)},
        {column::itemName, trimControl(t.item)},
        {column::memberName, trimControl(t.member)},
        {column::orderNumber, trimControl(t.orderNumber)},
    };
}

}  // namespace kx
