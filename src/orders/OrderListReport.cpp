#include "orders/OrderListReport.h"

#include "core/DateText.h"
#include "orders/OrderGridModel.h"

namespace kx {

const QString OrderListReport::title = QStringLiteral("快 递 单 打 印 清 单");

QString OrderListReport::signature(const QString& user, const QDate& today)
{
    QString line = QStringLiteral("%[Today1]") + QString(70, QLatin1Char(' '));
    line.replace(QStringLiteral("%[Today1]"),
                 QStringLiteral("制表人：") + user + QStringLiteral("    日期：") + dateText(today));
    return line;
}

std::shared_ptr<TableText> OrderListReport::rows(const OrderGridModel& model, const QList<int>& columns)
{
    const int count = model.rowCount();
    auto table = std::make_shared<TableText>(int(columns.size()));
    table->reserve(count, qsizetype(count) * columns.size() * 10);
    const Dataset* data = model.dataset();
    if (!data)
        return table;
    // Text columns are copied straight from the result's text store; only
    // figures, dates and nulls go through the grid's formatting.
    struct Source {
        int column;
        int field;
        bool plain;
    };
    std::vector<Source> sources;
    for (int c : columns)
        sources.push_back({c, model.fieldOf(c),
                           OrderGridModel::columns()[size_t(c)].kind == OrderGridColumn::Kind::Text});
    for (int row = 0; row < count; ++row) {
        table->addRow(model.isPrinted(row) ? 1 : 0);
        for (const Source& s : sources) {
            if (s.field < 0) {
                table->addCell(QStringView());
                continue;
            }
            if (s.plain) {
                const QStringView text = data->text(row, s.field);
                if (!text.isEmpty() || data->isNull(row, s.field)) {
                    table->addCell(text);
                    continue;
                }
            }
            table->addCell(model.displayText(row, s.column));
        }
    }
    return table;
}

ListReport OrderListReport::build(const OrderGridModel& model, const Grid& grid, const QString& user,
                                  const QDate& today)
{
    ListReport r;
    ListTextLine heading{title, QStringLiteral("宋体"), 15, true, Qt::AlignHCenter};
    ListTextLine blank = heading;
    blank.text.clear();
    r.before = {heading, blank, blank};

    // The columns keep their shares of the screen's width, and are as wide
    // together as the grid's columns at the main window's normal size,
    // where the print face's size (the grid's 14 pixels) shows a mobile, an
    // amount and a print status whole; so a maximised window prints no
    // smaller than a normal one.
    double screen = 0;
    for (int i = 0; i < grid.columns.size(); ++i)
        screen += grid.widths.value(i);
    const double k = screen > 0 ? tableWidthPx / screen : 1.0;
    for (int i = 0; i < grid.columns.size(); ++i) {
        const OrderGridColumn& c = OrderGridModel::columns()[size_t(grid.columns[i])];
        ListColumn column;
        column.upper = c.upper;
        column.lower = c.lower;
        column.widthPx = screen > 0 ? grid.widths.value(i) * k : c.width;
        column.alignment = c.alignment;
        column.titleBackground = c.titleBackground;
        column.titleText = c.titleText;
        column.footer = grid.footer.value(i);
        column.footerAlignment = grid.footerAlignments.value(i, Qt::AlignLeft);
        r.columns.push_back(column);
    }
    r.rows = rows(model, grid.columns);

    ListTextLine closing{signature(user, today), QStringLiteral("宋体"), 10, false, Qt::AlignRight};
    ListTextLine space = closing;
    space.text.clear();
    r.after = {space, closing};
    return r;
}

}  // namespace kx
