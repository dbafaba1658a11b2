#pragma once

#include "report/TableText.h"

#include <QColor>
#include <QString>
#include <memory>
#include <vector>

namespace kx {

// A line of text above or below a list's table, or its page header.
struct ListTextLine {
    QString text;
    QString family = QStringLiteral("宋体");
    double points = 10;
    bool bold = false;
    Qt::Alignment alignment = Qt::AlignLeft;
};

// One column of a list's table: its two title levels (neighbouring columns
// with the same upper title share one upper cell), its width, how its cells
// align, the title's colours, and its text in the closing row of totals.
struct ListColumn {
    QString upper;
    QString lower;
    double widthPx = 64;  // layout pixels (1/96 inch) at the print face's size
    Qt::Alignment alignment = Qt::AlignLeft;
    QColor titleBackground = Qt::white;
    QColor titleText = Qt::black;
    QString footer;
    Qt::Alignment footerAlignment = Qt::AlignLeft;
};

// A list report as data: the page header ("%1" stands for the page number),
// the lines before the table, the table — titles, one row per row of
// `rows`, the footer row — and the lines after it. Rows of style 1 print in
// `markedText`; row backgrounds alternate by the row's place in the table.
struct ListReport {
    ListTextLine pageHeader{QStringLiteral("Page. %1"), QStringLiteral("MS Sans Serif"), 8, false, Qt::AlignHCenter};
    std::vector<ListTextLine> before;
    std::vector<ListColumn> columns;
    std::shared_ptr<const TableText> rows;
    std::vector<ListTextLine> after;

    QColor text = QColor(0x00, 0x00, 0x00);
    QColor markedText = QColor(0xFF, 0x00, 0x00);
    QColor oddRows = QColor(0xFF, 0xFF, 0xFF);   // the 1st, 3rd, ... row
    QColor evenRows = QColor(0xEE, 0xEE, 0xEE);  // the 2nd, 4th, ... row
    QColor footerBackground = QColor(0xFF, 0xC2, 0x86);
    QColor rules = QColor(0x00, 0x00, 0x00);
};

}  // namespace kx
