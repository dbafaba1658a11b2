#include "platform/Clock.h"

namespace kx {

QString dateText(const QDate& date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

QString dateTimeText(const QDateTime& moment)
{
    const QTime t = moment.time();
    if (t.hour() == 0 && t.minute() == 0 && t.second() == 0)
        return dateText(moment.date());
    return dateText(moment.date()) + QLatin1Char(' ') + t.toString(QStringLiteral("hh:mm:ss"));
}

}  // namespace kx
