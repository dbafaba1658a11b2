#pragma once

#include <QDateTime>

namespace kx {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// Dates as the program shows and writes them: yyyy-mm-dd, and for a date
// and time a blank and hh:mm:ss, the time left out at exactly midnight.
QString dateText(const QDate& date);
QString dateTimeText(const QDateTime& moment);

}  // namespace kx
