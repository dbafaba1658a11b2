#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>

class QIODevice;

namespace kx {

class Dataset;

// The order list as the exported worksheet lays it out: the heading
// "快递单打印清单", who made the list and when, one row per title level, one
// row per order of the grid's result in the grid's order, and the footer
// row. The grid's columns take sheet columns 0 to 11, each title and footer
// cell above its own column's data, whichever columns are hidden; a hidden
// column keeps its place with empty cells. The result's other fields (`k`)
// follow from column 12 on, without titles. No widget: the export command
// hands in what the grid shows.
//
// The same sheet is written in two formats: the bare BIFF record stream of
// an .xls (texts in GBK, at most 65,536 rows) and an Excel 2007 workbook
// (.xlsx: texts in Unicode, dates as date cells, a million rows).
class OrderListSheet {
public:
    enum class Format { Xls, Xlsx };

    // One column of the grid, in the grid's order.
    struct Column {
        QString field;   // the result's field it shows
        QString title;   // its title levels, separated by "|"
        QString footer;  // its stored footer text; empty where it has none
        bool shown = true;
        bool date = false;  // holds stored dates: date cells in an .xlsx
    };

    OrderListSheet(const Dataset& result, QList<Column> columns, QString userName, QDateTime madeAt);

    // 1 + the most "|" in any column's title, shown or hidden.
    int titleLevels() const;
    // The orders a sheet holds: its rows (65,536 in an .xls, 1,048,576 in
    // an .xlsx) less the two heading rows, the title rows and the footer row.
    int capacity(Format format = Format::Xls) const;
    bool fits(Format format = Format::Xls) const;

    // Writes the whole .xls stream to the device in large pieces.
    // `progress` hears after each order how many are written. False when the
    // list does not fit, or when the device refused a write (its
    // errorString() says why); what was written then is the caller's to
    // throw away.
    bool write(QIODevice& device, const std::function<void(int orders)>& progress = {}) const;
    // The .xls stream in memory.
    QByteArray bytes() const;
    // Writes the sheet as an .xlsx workbook at `path`, which is created or
    // replaced only at the end, all at once. The reason of a failure; empty
    // when the file was written.
    QString writeXlsx(const QString& path, const std::function<void(int orders)>& progress = {}) const;

private:
    // Hands every cell of the sheet, row by row, to `cells`, which says after
    // each order whether it can go on.
    template <class Cells>
    bool lay(Cells& cells, const std::function<void(int orders)>& progress) const;

    const Dataset& m_result;
    QList<Column> m_columns;
    QString m_userName;
    QDateTime m_madeAt;
};

}  // namespace kx
