#pragma once

#include <QString>

namespace kx {

// The choices of a list's page setup: the face and size the table prints in,
// the margins, and how the table meets the page. They start as below and
// last as long as whoever keeps them.
struct ListPrintOptions {
    enum class Fit {
        ScaleTable,    // the whole table, its face included, grows or shrinks to the page's width
        ColumnWidths,  // the columns share the page's width; the face keeps its size
    };

    QString fontFamily = QStringLiteral("Arial");
    double fontPoints = 10.5;  // the order grid's 14 pixels
    bool fontBold = false;
    double topMm = 20;
    double bottomMm = 20;
    double leftMm = 20;
    double rightMm = 20;
    bool growRows = true;     // 延长表格线: rows grow to show their whole text
    bool colour = true;       // 彩色: the screen's colours; black on white otherwise
    bool fitToWidth = true;   // 表格宽度适应页面宽度
    Fit fit = Fit::ScaleTable;
    bool autoWidths = false;  // 自动调整列宽到合适尺寸: each column as wide as its widest text

    bool operator==(const ListPrintOptions&) const = default;
};

}  // namespace kx
