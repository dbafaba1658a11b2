#include "import/BiffDateFormat.h"

#include <cmath>

namespace kx {

bool BiffDateFormat::isDateFormat(int index, const QString& customFormat)
{
    if ((index >= 14 && index <= 22) || (index >= 45 && index <= 47))
        return true;
    return !customFormat.isNull() && hasDateTokens(customFormat);
}

bool BiffDateFormat::isEastAsianDateIndex(int index)
{
    return (index >= 27 && index <= 36) || (index >= 50 && index <= 58);
}

bool BiffDateFormat::hasDateTokens(const QString& format)
{
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'"') {
            const qsizetype close = format.indexOf(u'"', i + 1);
            if (close < 0)
                return false;
            i = close;
        } else if (c == u'[') {
            // Colours, conditions and locale tags; none of them makes a date.
            const qsizetype close = format.indexOf(u']', i + 1);
            if (close < 0)
                return false;
            i = close;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;  // the next character is shown, padded or repeated as it is
        } else {
            switch (c.toLower().unicode()) {
            case u'y': case u'm': case u'd': case u'h': case u's':
                return true;
            default:
                break;
            }
        }
    }
    return false;
}

QDateTime BiffDateFormat::fromSerial(double serial, bool epoch1904)
{
    // 9999-12-31 is the last day either system can show.
    if (!std::isfinite(serial) || serial < 0 || serial >= 2958466.0)
        return {};
    qint64 ms = qint64(std::llround(serial * 86400000.0));
    qint64 days = ms / 86400000;
    ms %= 86400000;
    QDate date;
    if (epoch1904) {
        date = QDate(1904, 1, 1).addDays(days);
    } else if (days < 61) {
        // The 1900 system counts a 29 February 1900 that never was (serial
        // 60); serials before 1 March count from 31 December 1899 and the
        // phantom day is shown as 28 February, the last real day before it.
        date = days == 60 ? QDate(1900, 2, 28) : QDate(1899, 12, 31).addDays(days);
    } else {
        date = QDate(1899, 12, 30).addDays(days);
    }
    // A serial is a time on the wall clock, in no zone. Held as UTC, it is
    // never shifted or refused by a local clock change, and no local-time
    // conversion (which looks at the system's zone file each time) is paid
    // for each of the thousands of dates in a report.
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(ms)), Qt::UTC);
}

}  // namespace kx
