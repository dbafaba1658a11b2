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
    // Built-in formats 27-36 and 50-58 have no code of their own: what they
    // show depends on the language of the Excel that reads them, and a
    // Chinese (or Japanese, or Korean) Excel shows dates and times with all
    // of them. An .xlsx names them by index alone.
    static bool isEastAsianDateIndex(int index);

    // Days since the workbook's epoch, as a wall-clock date and time in UTC;
    // invalid for serials no date can have.
    static QDateTime fromSerial(double serial, bool epoch1904);
};

}  // namespace kx
