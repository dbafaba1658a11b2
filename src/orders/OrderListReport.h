#pragma once

#include "report/ListReport.h"
#include "report/TableText.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

namespace kx {

class OrderGridModel;

// The printed order list ("打印全部清单") as a list report: the title, the
// grid's shown columns with both title levels and their colours, every row
// of the grid's result in the grid's order as the grid shows it (printed
// orders red), the footer row as the screen shows it, and the line with the
// maker of the list and the date.
class OrderListReport {
public:
    // The grid as it stands when the list is printed.
    struct Grid {
        QList<int> columns;        // the shown columns, left to right
        QList<double> widths;      // their widths on the screen, in pixels
        QStringList footer;        // the footer row's text under each of them
        QList<Qt::Alignment> footerAlignments;
    };

    static const QString title;  // 快 递 单 打 印 清 单
    // The width of the grid's columns at the main window's normal size, in
    // pixels: the printed table's width at the print face's own size.
    static constexpr double tableWidthPx = 1024;

    // The closing line's "%[Today1]": "制表人：" + user + "    日期：" + the
    // date as yyyy-mm-dd, followed by the line's 70 blanks.
    static QString signature(const QString& user, const QDate& today);

    // The rows of the model's result in their order: the display texts of
    // the given columns, style 1 for a printed order.
    static std::shared_ptr<TableText> rows(const OrderGridModel& model, const QList<int>& columns);

    static ListReport build(const OrderGridModel& model, const Grid& grid, const QString& user, const QDate& today);
};

}  // namespace kx
