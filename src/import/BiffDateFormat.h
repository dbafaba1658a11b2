#pragma once

#include <QDateTime>
#include <QString>

namespace kx {

// Tells which number formats show a date or a time, and turns the day
// serials such cells hold into date-times.
class BiffDateFormat {
public:
    // A built-in format is known by its index alone; a workbook's own format
    // (customFormat not null) is a date when it has a y, m, d, h or s outside
    // quoted text, brackets and escaped characters.
    static bool isDateFormat(int index, const QString& customFormat);
    static bool hasDateTokens(const QString& format);

    // Days since the workbook's epoch, as a wall-clock date and time in UTC;
    // invalid for serials no date can have.
    static QDateTime fromSerial(double serial, bool epoch1904);
};

}  // namespace kx
