#pragma once

#include "import/SheetTable.h"

#include <QByteArray>
#include <QString>

namespace kx {

// Reads the shop's order report, whichever form it was saved in, into a
// table whose first row is the headers. The form is told by the file's
// first bytes, not by its name, because reports are renamed freely:
//   - a compound document (what Excel 97-2003 saves): its worksheet
//     "tarnvale";
//   - a zip container (what current Excel saves): its worksheet "tarnvale"
//     if it has one, else its first worksheet;
//   - anything else whose name ends in ".csv": the whole file as
//     comma-separated text.
// Everything else, and every file the chosen reader refuses (an encrypted
// workbook, an Excel 95 one, a damaged or truncated one, no such
// worksheet), throws DbError.
class ReportFileReader {
public:
    inline static const QString sheetName = QStringLiteral("tarnvale");

    static ReportFileReader fromFile(const QString& path);
    // The file's bytes; the name only matters for comma-separated text.
    static ReportFileReader fromBytes(const QByteArray& fileBytes, const QString& fileName);

    const SheetTable& table() const { return m_table; }
    // Whether a day serial in the report counts from 1904 (a workbook
    // setting) rather than from 1900.
    bool uses1904() const { return m_epoch1904; }

private:
    ReportFileReader() = default;

    SheetTable m_table;
    bool m_epoch1904 = false;
};

}  // namespace kx
