#pragma once

#include "import/SheetTable.h"
#include "import/XlsxPackage.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringList>

namespace kx {

// Reads the marketplace's order report from an Office Open XML workbook
// (.xlsx, what current Excel saves by default) into the same table the
// Excel 97-2003 reader gives: text, numbers, dates (by their number format),
// booleans and errors, the first row the headers. The zip container is
// opened by libgsf, the sheets' XML by Qt's stream reader. Anything the
// reader cannot trust — no zip, no workbook part, damaged XML, an encrypted
// workbook — throws DbError with a plain message.
class XlsxWorkbookReader {
public:
    static XlsxWorkbookReader fromBytes(const QByteArray& fileBytes);

    QStringList sheetNames() const;
    // The sheets that hold cells (no chart or dialog sheets), in the
    // workbook's order.
    QStringList worksheetNames() const;
    bool uses1904() const { return m_epoch1904; }

    // The named worksheet (case does not matter) as a table whose first row
    // is the headers; throws DbError when there is no such worksheet.
    SheetTable readSheet(const QString& name) const;

private:
    struct Sheet {
        QString name;
        QString part;  // the sheet's XML part inside the container; empty when it names none
        bool worksheet = false;
    };

    struct RawCell;  // one <c> element as written, before its type is applied

    explicit XlsxWorkbookReader(XlsxPackage package);
    void readWorkbook();
    void readSharedStrings(QIODevice& device, const QString& part);
    void readStyles(const QByteArray& xml, const QString& part);
    SheetCell cellOf(const RawCell& raw, int row, int column) const;
    SheetCell numberCell(double value, int style) const;

    XlsxPackage m_package;
    QList<Sheet> m_sheets;
    QStringList m_strings;          // the shared strings
    QList<bool> m_dateStyles;       // per cell style: shows a date
    bool m_epoch1904 = false;
};

}  // namespace kx
