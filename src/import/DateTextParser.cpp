#include "import/DateTextParser.h"

namespace kx {

namespace {

bool isBlank(QChar c) { return c.unicode() <= 32; }

// From `least` to `most` ASCII digits at pos, which moves past them; -1 when
// fewer are there. Only ASCII: QChar::isDigit would let other scripts'
// digits through.
int readNumber(QStringView text, qsizetype& pos, int least, int most)
{
    int value = 0;
    int count = 0;
    while (count < most && pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9') {
        value = value * 10 + (text[pos].unicode() - u'0');
        ++pos;
        ++count;
    }
    return count >= least ? value : -1;
}

bool readChar(QStringView text, qsizetype& pos, QChar c)
{
    if (pos >= text.size() || text[pos] != c)
        return false;
    ++pos;
    return true;
}

}  // namespace

QDateTime DateTextParser::parse(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    text = text.sliced(begin, end - begin);
    qsizetype pos = 0;

    const int year = readNumber(text, pos, 4, 4);
    const QChar separator = pos < text.size() ? text[pos] : QChar();
    if (year < 1 || (separator != u'-' && separator != u'/'))
        return {};
    ++pos;
    const int month = readNumber(text, pos, 1, 2);
    if (month < 0 || !readChar(text, pos, separator))
        return {};
    const int day = readNumber(text, pos, 1, 2);
    const QDate date(year, month, day);
    if (day < 0 || !date.isValid())
        return {};
    if (pos == text.size())
        return QDateTime(date, QTime(0, 0), Qt::UTC);

    // The time, after blanks or a "T".
    const qsizetype afterDate = pos;
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    if (pos == afterDate && !readChar(text, pos, u'T'))
        return {};
    const int hour = readNumber(text, pos, 1, 2);
    if (hour < 0 || !readChar(text, pos, u':'))
        return {};
    const int minute = readNumber(text, pos, 2, 2);
    int second = 0;
    if (minute >= 0 && readChar(text, pos, u':'))
        second = readNumber(text, pos, 2, 2);
    const QTime time(hour, minute, second);
    if (minute < 0 || second < 0 || !time.isValid() || pos != text.size())
        return {};
    return QDateTime(date, time, Qt::UTC);
}

}  // namespace kx
