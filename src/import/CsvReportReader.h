#pragma once

#include "import/SheetTable.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace kx {

// Reads the marketplace's order report when it comes as comma-separated
// text, into the same table the workbook reader gives: rows x columns of
// text cells, the first row the headers. Every cell is text, so long order
// numbers and leading zeros survive as written.
//
// Malformed input never stops the read: a quote left open runs to the end
// of the file and its text is kept, because a half-damaged report still
// carries the rows before the damage. The only error is a report larger
// than the table can hold (65536 rows, 256 columns): that throws DbError
// rather than dropping rows without a word.
class CsvReportReader {
public:
    // The file's bytes: UTF-8 (with or without a byte-order mark) when they
    // are valid UTF-8, otherwise GB18030/GBK.
    static SheetTable fromBytes(QByteArrayView fileBytes);

    // The bytes as text, by the rule above.
    static QString decode(QByteArrayView fileBytes);
    // Already-decoded text split into records and fields.
    static SheetTable parse(QStringView text);
};

}  // namespace kx
