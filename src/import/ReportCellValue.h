#pragma once

#include "import/SheetCell.h"

#include <QVariant>

namespace kx {

// Turns one cell of the order report into the value stored in a field of
// the order table, by the field's type. A null QVariant stores null. A cell
// that cannot become the field's value throws DbError saying why.
//
// Text fields take any cell but an error: text as it stands, an empty cell as
// an empty text (never null), a number in its shortest form (a mobile typed
// as a number, 13800000000, stays "13800000000"), a date as the program
// stores dates, a boolean as "TRUE"/"FALSE". A number of 10^15 or more is
// refused: a spreadsheet keeps only 15 significant digits, so such a number
// (a long order number not formatted as text) has lost digits already.
//
// Number fields take numbers and numeric text: blanks around it, a sign, a
// decimal point and an exponent are read; commas only as thousands
// separators in groups of three ("1,234.5" is 1234.5, "1,23" is no number).
// Text that is blank stores null.
//
// The date field takes date cells, numbers as day serials of the workbook's
// epoch and date texts (see DateTextParser); the stored text is yyyy-mm-dd
// with " hh:mm:ss" unless the time is exactly midnight. Blank text stores
// null.
class ReportCellValue {
public:
    static QVariant text(const SheetCell& cell);
    static QVariant number(const SheetCell& cell);
    static QVariant dateTime(const SheetCell& cell, bool epoch1904);

    // The number a text holds by the rules above; *ok false when it holds
    // none.
    static double parseNumber(const QString& text, bool* ok);
};

}  // namespace kx
