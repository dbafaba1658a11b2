#pragma once

#include "import/SheetTable.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QStringList>

namespace kx {

// Reads the marketplace's order report from an Excel 97-2003 workbook: the
// workbook-wide records (sheets, shared strings, number formats, cell
// styles, the date epoch) when constructed, and one sheet's cells on demand.
// Anything the reader cannot trust throws DbError with a plain message;
// encrypted workbooks and older formats are refused the same way.
class BiffWorkbookReader {
public:
    static BiffWorkbookReader fromBytes(const QByteArray& fileBytes);
    // The workbook stream as it is inside the container.
    static BiffWorkbookReader fromWorkbookStream(const QByteArray& stream);

    QStringList sheetNames() const;
    bool uses1904() const { return m_epoch1904; }
    const QStringList& sharedStrings() const { return m_strings; }

    // The named worksheet (case does not matter) as a table whose first row
    // is the headers; throws DbError when there is no such worksheet.
    SheetTable readSheet(const QString& name) const;

private:
    struct Sheet {
        QString name;
        quint32 offset = 0;
        bool worksheet = false;
    };

    explicit BiffWorkbookReader(QByteArray stream);
    void readGlobals();
    void readSharedStrings(QList<QByteArrayView> pieces);
    SheetCell numberCell(double value, int xf) const;
    bool isDateStyle(int xf) const;

    QByteArray m_stream;
    QList<Sheet> m_sheets;
    QStringList m_strings;
    QList<quint16> m_xfFormats;
    QList<bool> m_dateStyles;  // per cell style: shows a date
    QHash<int, QString> m_formats;
    bool m_epoch1904 = false;
};

}  // namespace kx
