#include "core/DateText.h"

namespace kx {

namespace {

// The digits of a value, zero-padded, written straight into the text: the
// import writes tens of thousands of dates, and toString() reads its format
// pattern anew for each.
void putDigits(QChar*& out, int value, int digits)
{
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = QChar(u'0' + value % 10);
        value /= 10;
    }
    out += digits;
}

bool hasFourDigitYear(const QDate& date)
{
    return date.isValid() && date.year() >= 1 && date.year() <= 9999;
}

void putDate(QChar*& out, const QDate& date)
{
    putDigits(out, date.year(), 4);
    *out++ = u'-';
    putDigits(out, date.month(), 2);
    *out++ = u'-';
    putDigits(out, date.day(), 2);
}

}  // namespace

QString dateText(const QDate& date)
{
    if (!hasFourDigitYear(date))
        return date.toString(dateFormat);
    QString text(10, Qt::Uninitialized);
    QChar* out = text.data();
    putDate(out, date);
    return text;
}

QString dateTimeText(const QDateTime& moment)
{
    const QTime t = moment.time();
    if (t.hour() == 0 && t.minute() == 0 && t.second() == 0)
        return dateText(moment.date());
    const QDate date = moment.date();
    if (!hasFourDigitYear(date))
        return dateText(date) + QLatin1Char(' ') + t.toString(QStringLiteral("hh:mm:ss"));
    QString text(19, Qt::Uninitialized);
    QChar* out = text.data();
    putDate(out, date);
    *out++ = u' ';
    putDigits(out, t.hour(), 2);
    *out++ = u':';
    putDigits(out, t.minute(), 2);
    *out++ = u':';
    putDigits(out, t.second(), 2);
    return text;
}

QDate storedDate(QStringView text)
{
    return QDate::fromString(text.left(10).toString(), dateFormat);
}

}  // namespace kx
