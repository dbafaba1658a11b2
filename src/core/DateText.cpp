#include "core/DateText.h"

namespace kx {

QString dateText(const QDate& date)
{
    return date.toString(dateFormat);
}

QString dateTimeText(const QDateTime& moment)
{
    const QTime t = moment.time();
    if (t.hour() == 0 && t.minute() == 0 && t.second() == 0)
        return dateText(moment.date());
    return dateText(moment.date()) + QLatin1Char(' ') + t.toString(QStringLiteral("hh:mm:ss"));
}

QDate storedDate(QStringView text)
{
    return QDate::fromString(text.left(10).toString(), dateFormat);
}

}  // namespace kx
