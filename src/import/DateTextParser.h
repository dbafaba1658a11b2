#pragma once

#include <QDateTime>
#include <QStringView>

namespace kx {

// Reads the payment times a shop report writes as text: a date as
// year-month-day with "-" or "/" between its parts (one separator used
// throughout), optionally followed by blanks or a "T" and a time of day
// h:mm or h:mm:ss. Leading and trailing blanks are ignored. Examples:
//   2026-11-15 14:24:05   2026/11/15 14:24   2026-11-15   2026/1/5
// Everything else — other orders of the parts, two-digit years, impossible
// days or times, trailing text — is not a date. Any input is safe: the
// answer is either a valid date and time or an invalid one, never an error.
class DateTextParser {
public:
    // The date and time the text names (in UTC, so that no local clock
    // change can shift or refuse it); invalid when the text is no date.
    static QDateTime parse(QStringView text);
};

}  // namespace kx
