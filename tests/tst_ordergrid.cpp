#include "Fakes.h"
#include "TestDb.h"

#include "core/DbError.h"
#include "core/ExactTotal.h"
#include "data/DataOps.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "orders/CellFormat.h"
#include "orders/OrderGrid.h"
#include "orders/OrderGridModel.h"
#include "orders/OrderRegister.h"
#include "widgets/ColumnFit.h"
#include "widgets/ControlOps.h"
#include "widgets/FooterRow.h"
#include "widgets/TwoLevelHeader.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QSignalSpy>
#include <QTableView>
#include <QToolTip>
#include <QtTest>
#include <cmath>

using namespace kx;
namespace orderColumn = kx::schema::orderColumn;

namespace {

enum Col { Name = 0, Mobile = 1, Address = 2, Courier = 3, Status = 4, Paid = 5, Item = 6, Quantity = 7, Amount = 8 };

// The grid shown at the main window's size.
struct Shown {
    explicit Shown(OrderRegister& orders) : grid(orders)
    {
        grid.resize(1058, 473);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
    }
    QPoint rowPoint(int row) const { return grid.view()->visualRect(grid.model()->index(row, Name)).center(); }
    QPoint titlePoint(int column) const
    {
        TwoLevelHeader* h = grid.header();
        return QPoint(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() * 3 / 4);
    }
    void clickRow(int row, Qt::KeyboardModifiers mods = {})
    {
        QTest::mouseClick(grid.view()->viewport(), Qt::LeftButton, mods, rowPoint(row));
    }
    void clickTitle(int column, Qt::KeyboardModifiers mods = {})
    {
        QTest::mouseClick(grid.header()->viewport(), Qt::LeftButton, mods, titlePoint(column));
    }
    OrderGrid grid;
};

QStringList columnTexts(const OrderGrid& grid, int column)
{
    QStringList out;
    for (int r = 0; r < grid.model()->rowCount(); ++r)
        out << grid.model()->displayText(r, column);
    return out;
}

}  // namespace

class TestOrderGrid : public QObject {
    Q_OBJECT
private slots:
    void formats_data();
    void formats();
    void columnFit();
    void printedRowsRedAndAlternatingBackgrounds();
    void footerFollowsResult();
    void footerTotalsShowWhole_data();
    void footerTotalsShowWhole();
    void totalsStayExactThroughEdits();
    void totalsBeyondExactRange();
    void footerOfEmptyTable();
    void sortCycle();
    void selectionRules();
    void currentRowFollowsBothWays();
    void mouseSignals();
    void mergedUpperTitles();
    void columnsFillWidthAndSurviveRequery();
    void elidedTitleTooltip();
    void sortMarkerLeavesTitleWhole_data();
    void sortMarkerLeavesTitleWhole();
    void dataModuleGoesFirst();
};

void TestOrderGrid::formats_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QVariantList>("values");
    QTest::addColumn<QString>("expected");
    const QVariant null;
    QTest::newRow("amount half") << "amount" << QVariantList{0.5} << ".5";
    QTest::newRow("amount whole") << "amount" << QVariantList{12.0} << "12";
    QTest::newRow("amount rounds up") << "amount" << QVariantList{12.345} << "12.35";
    QTest::newRow("amount rounds like typed") << "amount" << QVariantList{1.005} << "1.01";
    QTest::newRow("amount carries") << "amount" << QVariantList{99.995} << "100";
    QTest::newRow("amount zero") << "amount" << QVariantList{0.0} << "";
    QTest::newRow("amount rounds to zero") << "amount" << QVariantList{0.004} << "";
    QTest::newRow("amount negative") << "amount" << QVariantList{-0.5} << "-.5";
    QTest::newRow("amount null") << "amount" << QVariantList{null} << "";
    QTest::newRow("amount large") << "amount" << QVariantList{1234567.891} << "1234567.89";
    QTest::newRow("quantity one") << "quantity" << QVariantList{1.0} << "1";
    QTest::newRow("quantity half") << "quantity" << QVariantList{2.5} << "2.5";
    QTest::newRow("quantity zero") << "quantity" << QVariantList{0.0} << "0";
    QTest::newRow("quantity null") << "quantity" << QVariantList{null} << "";
    QTest::newRow("date") << "date" << QVariantList{"2026-11-05"} << "2026-11-05";
    QTest::newRow("date and time") << "date" << QVariantList{"2026-11-05 14:15:05"} << "2026-11-05 14:15:05";
    QTest::newRow("midnight") << "date" << QVariantList{"2026-11-05 00:00:00"} << "2026-11-05";
    QTest::newRow("date null") << "date" << QVariantList{null} << "";
    QTest::newRow("text null") << "text" << QVariantList{null} << "";
    QTest::newRow("text empty") << "text" << QVariantList{""} << "";
    QTest::newRow("sum empty") << "sum" << QVariantList{} << "0";
    QTest::newRow("sum no drift") << "sum" << QVariantList{0.1, 0.2, 9.9, 9.9, 9.9} << "30";
    QTest::newRow("sum four places") << "sum" << QVariantList{1.23456} << "1.2346";
    QTest::newRow("sum nulls count nothing") << "sum" << QVariantList{null, 2.0, null} << "2";
    QTest::newRow("sum no grouping") << "sum" << QVariantList{1234567.5, 0.25} << "1234567.75";
    QTest::newRow("sum negative") << "sum" << QVariantList{-1.5, 0.25} << "-1.25";
    // Beyond ±8e24 a value has no exact place: the total shows the sum in
    // general form instead of a capped figure.
    QTest::newRow("sum beyond exact range") << "sum" << QVariantList{1e30, 1e30, 12.5} << "2e+30";
    QTest::newRow("sum beyond, negative") << "sum" << QVariantList{-1e30, 0.25} << "-1e+30";
    QTest::newRow("sum beyond, as text") << "sum" << QVariantList{QString("1e30"), 3.0} << "1e+30";
    QTest::newRow("sum beyond, 15 digits") << "sum" << QVariantList{1.5e25, 1234567.0} << "1.5e+25";
    QTest::newRow("sum just inside range") << "sum" << QVariantList{std::ldexp(1.0, 82), 0.5}
                                          << "4835703278458516698824704.5";
}

void TestOrderGrid::formats()
{
    QFETCH(QString, kind);
    QFETCH(QVariantList, values);
    QFETCH(QString, expected);
    QString actual;
    if (kind == "amount")
        actual = CellFormat::amount(values.value(0));
    else if (kind == "quantity")
        actual = CellFormat::quantity(values.value(0));
    else if (kind == "date")
        actual = CellFormat::date(values.value(0));
    else if (kind == "text")
        actual = CellFormat::text(values.value(0));
    else {
        ExactTotal total;
        for (const QVariant& v : values)
            total.add(v);
        actual = total.text();
    }
    QCOMPARE(actual, expected);
}

void TestOrderGrid::columnFit()
{
    // Widths fill the total exactly, hidden columns get nothing, proportions hold.
    const QList<int> widths = fitColumnWidths({66, 85, 240, 40}, {true, true, true, false}, 1000);
    QCOMPARE(widths.at(3), 0);
    QCOMPARE(widths.at(0) + widths.at(1) + widths.at(2), 1000);
    QVERIFY(qAbs(widths.at(2) - 1000 * 240 / 391) <= 1);
    QCOMPARE(fitColumnWidths({10, 10, 10}, {true, true, true}, 100), (QList<int>{34, 33, 33}));
}

void TestOrderGrid::printedRowsRedAndAlternatingBackgrounds()
{
    test::TestDb db;
    db.addOrder({{"a", "甲"}, {"g", "已打印"}});
    db.addOrder({{"a", "乙"}, {"g", "已打印 "}});
    db.addOrder({{"a", "丙"}});  // g null
    db.addOrder({{"a", "丁"}, {"g", "未打印"}});
    db.addOrder({{"a", "戊"}, {"g", "已打印"}});
    Database dm;
    openQuery(dm.gridResult, "select * from data");
    OrderGridModel model(dm.gridResult);
    const QColor red(0xFF, 0, 0), black(0, 0, 0), white(0xFF, 0xFF, 0xFF), grey(0xEE, 0xEE, 0xEE);
    auto fg = [&](int row, int col) { return model.index(row, col).data(Qt::ForegroundRole).value<QBrush>().color(); };
    auto bg = [&](int row) { return model.index(row, Address).data(Qt::BackgroundRole).value<QBrush>().color(); };
    const QList<QColor> expected = {red, black, black, black, red};
    for (int row = 0; row < 5; ++row) {
        QCOMPARE(fg(row, Name), expected.at(row));
        QCOMPARE(fg(row, Amount), expected.at(row));  // every cell of the row
        QCOMPARE(bg(row), row % 2 ? grey : white);
    }
    // Backgrounds go by position, colours by record.
    dm.gridResult.sortBy(dm.gridResult.fieldIndex(orderColumn::recipientName), Qt::AscendingOrder);  // 丁 丙 乙 戊 甲
    QCOMPARE(model.index(4, Name).data().toString(), QString("甲"));
    QCOMPARE(fg(4, Name), red);
    QCOMPARE(bg(0), white);
    QCOMPARE(bg(1), grey);

    // A printed row keeps its red text when it is selected.
    OrderRegister orders(dm);
    Shown shown(orders);
    shown.clickRow(4);
    QCOMPARE(shown.grid.selectedRows(), QList<int>{4});
    const QRect cell = shown.grid.view()->visualRect(shown.grid.model()->index(4, Name));
    const QImage image = shown.grid.view()->viewport()->grab(cell).toImage();
    bool hasRed = false;
    for (int y = 0; y < image.height() && !hasRed; ++y)
        for (int x = 0; x < image.width() && !hasRed; ++x)
            hasRed = image.pixelColor(x, y) == red;
    QVERIFY(hasRed);
    QCOMPARE(image.pixelColor(1, 1), shown.grid.view()->palette().color(QPalette::Highlight));
}

void TestOrderGrid::footerFollowsResult()
{
    test::TestDb db;
    db.addOrder({{"a", "甲"}, {"d", "申通快递"}, {"1", 1.0}, {"2", 19.9}});
    db.addOrder({{"a", "乙"}, {"d", "圆通速递"}, {"1", 2.5}, {"2", 0.1}});
    db.addOrder({{"a", "丙"}, {"d", "申通快递"}, {"1", 2.0}, {"2", 0.2}});
    db.addOrder({{"a", "丁"}, {"d", "圆通速递"}});  // no quantity, no amount
    Database dm;
    OrderRegister orders(dm);
    QSignalSpy couriers(&orders, &OrderRegister::courierListChanged);
    OrderGrid grid(orders);
    FooterRow* footer = grid.footer();
    QCOMPARE(footer->text(0), QString("总计"));
    QCOMPARE(grid.rowCountText(), QString());
    QCOMPARE(footer->text(AmountColumn), QString());  // nothing fetched yet

    orders.showAll();
    QCOMPARE(couriers.last().at(0).toStringList(), QStringList({"圆通速递", "申通快递"}));
    QCOMPARE(grid.rowCountText(), QString("共4条记录"));
    QCOMPARE(footer->text(QuantityColumn), QString("5.5"));
    QCOMPARE(footer->text(AmountColumn), QString("20.2"));
    QCOMPARE(footer->alignment(AmountColumn), Qt::AlignRight);
    QCOMPARE(footer->alignment(QuantityColumn), Qt::AlignHCenter);

    // A search: the sums cover the found rows; the count is the show-all's.
    openQuery(dm.gridResult, "select * from data where d like '%' || ? || '%'", {"申通"});
    QCOMPARE(grid.model()->rowCount(), 2);
    QCOMPARE(footer->text(QuantityColumn), QString("3"));
    QCOMPARE(footer->text(AmountColumn), QString("20.1"));
    QCOMPARE(grid.rowCountText(), QString("共4条记录"));

    // Deleting shrinks the sums at once.
    dm.gridResult.deleteRow(0);
    QCOMPARE(footer->text(QuantityColumn), QString("2"));
    QCOMPARE(footer->text(AmountColumn), QString(".2").prepend('0'));
    QCOMPARE(grid.rowCountText(), QString("共4条记录"));
    QCOMPARE(db.cli("select count(*) from data"), QStringList{"3"});

    // An edit written through changes them too.
    dm.gridResult.updateRow(0, {{orderColumn::amount, 5.0}});
    QCOMPARE(footer->text(AmountColumn), QString("5"));

    // A failed search leaves an empty grid, whose sums are 0.
    QVERIFY_THROWS_EXCEPTION(DbError, openQuery(dm.gridResult, "select * from data where nosuch = 1"));
    QCOMPARE(grid.model()->rowCount(), 0);
    QCOMPARE(footer->text(QuantityColumn), QString("0"));
    QCOMPARE(footer->text(AmountColumn), QString("0"));
    QCOMPARE(grid.rowCountText(), QString("共4条记录"));
}

void TestOrderGrid::footerTotalsShowWhole_data()
{
    QTest::addColumn<QString>("total");
    QTest::addColumn<bool>("neighboursFull");  // the cells right of the amount hold texts
    QTest::addColumn<bool>("whole");
    for (const char* total : {"1234.5", "955.2", "12345.67", "-9876.54", "98765.4321", "2e+30", "7.3"})
        QTest::addRow("%s", total) << QString(total) << false << true;
    QTest::newRow("no room beside it") << QString("123456789012.3456") << true << false;
}

// A total wider than its cell runs on across the empty footer cells beside
// it and shows whole; whenever it is wider than its cell its tooltip is the
// full value. The footer's font here is one whose digits have fractional
// widths, where a width rounded down cuts the last digit.
void TestOrderGrid::footerTotalsShowWhole()
{
    QFETCH(QString, total);
    QFETCH(bool, neighboursFull);
    QFETCH(bool, whole);
    test::TestDb db;
    Database dm;
    OrderRegister orders(dm);
    Shown shown(orders);
    FooterRow* footer = shown.grid.footer();
    QFont font(QStringLiteral("Noto Serif CJK SC"));
    font.setPixelSize(14);
    footer->setFont(font);
    footer->setText(QuantityColumn, QStringLiteral("60"));
    for (int c = AmountColumn + 1; c < GridColumnCount; ++c)
        footer->setText(c, neighboursFull ? QStringLiteral("备") : QString());
    footer->setText(AmountColumn, total);

    QCOMPARE(footer->shownText(AmountColumn) == total, whole);
    if (!whole)
        QVERIFY(footer->shownText(AmountColumn).endsWith(QChar(0x2026)));
    const QRect cell = footer->cellRect(AmountColumn);
    const bool wider = QFontMetricsF(font).horizontalAdvance(total) > cell.width() - 6;
    QHelpEvent help(QEvent::ToolTip, cell.center(), footer->mapToGlobal(cell.center()));
    QApplication::sendEvent(footer, &help);
    QCOMPARE(QToolTip::text(), wider ? total : OrderGrid::hint);
    if (wider && whole) {
        // The run-on part of the total answers with the full value too.
        const QPoint beside(footer->textRect(AmountColumn).right() - 2, cell.center().y());
        QVERIFY(!cell.contains(beside));
        QHelpEvent overNeighbour(QEvent::ToolTip, beside, footer->mapToGlobal(beside));
        QApplication::sendEvent(footer, &overNeighbour);
        QCOMPARE(QToolTip::text(), total);
    }
    QToolTip::hideText();
}

// Totals are kept row by row; after any mix of edits and deletions they
// must equal a fresh sum over the rows, also for amounts far beyond what a
// 64-bit count of ten-thousandths holds.
void TestOrderGrid::totalsStayExactThroughEdits()
{
    test::TestDb db;
    const QList<QVariant> amounts = {1e15, 1e15, 0.1, 59.7, QVariant(), QString("12.5"), -3.3, 4e15, 4e15};
    for (const QVariant& a : amounts)
        db.addOrder({{"a", "甲"}, {"d", "申通快递"}, {"1", 1.0}, {"2", a}});
    Database dm;
    OrderRegister orders(dm);
    OrderGrid grid(orders);
    orders.showAll();
    Dataset& d = orders.result();
    const int amount = d.fieldIndex(orderColumn::amount);
    auto fresh = [&] {
        ExactTotal t;
        for (int r = 0; r < d.rowCount(); ++r)
            t.add(d.value(r, amount));
        return t.text();
    };
    QCOMPARE(orders.amountTotal().text(), QString("10000000000000069"));
    d.updateRow(1, {{orderColumn::amount, 0.3}});
    d.updateRow(4, {{orderColumn::amount, 7.25}});
    d.deleteRow(0);
    d.sortBy(amount, Qt::DescendingOrder);
    d.updateRow(0, {{orderColumn::amount, QVariant()}});
    QCOMPARE(orders.amountTotal().text(), fresh());
    QCOMPARE(grid.footer()->text(AmountColumn), fresh());
    QCOMPARE(orders.quantityTotal().text(), QString("8"));
}

// Amounts too large to count exactly make the total approximate, not wrong;
// once edits take them out again the total is exact to the ten-thousandth.
void TestOrderGrid::totalsBeyondExactRange()
{
    test::TestDb db;
    for (const QVariant& a : QVariantList{1e30, 1e30, 0.1, 59.7})
        db.addOrder({{"a", "甲"}, {"d", "申通快递"}, {"2", a}});
    Database dm;
    OrderRegister orders(dm);
    OrderGrid grid(orders);
    orders.showAll();
    Dataset& d = orders.result();
    QVERIFY(!orders.amountTotal().isExact());
    QCOMPARE(grid.footer()->text(AmountColumn), QString("2e+30"));
    d.updateRow(0, {{orderColumn::amount, 2.5}});
    QCOMPARE(grid.footer()->text(AmountColumn), QString("1e+30"));
    d.updateRow(2, {{orderColumn::amount, -3e30}});
    QCOMPARE(grid.footer()->text(AmountColumn), QString("-2e+30"));
    d.deleteRow(1);
    d.deleteRow(1);
    QVERIFY(orders.amountTotal().isExact());
    QCOMPARE(grid.footer()->text(AmountColumn), QString("62.2"));
}

void TestOrderGrid::footerOfEmptyTable()
{
    test::TestDb db;
    Database dm;
    OrderRegister orders(dm);
    OrderGrid grid(orders);
    orders.showAll();
    QCOMPARE(grid.model()->rowCount(), 0);
    QCOMPARE(grid.rowCountText(), QString("共0条记录"));
    QCOMPARE(grid.footer()->text(QuantityColumn), QString("0"));
    QCOMPARE(grid.footer()->text(AmountColumn), QString("0"));
    QCOMPARE(grid.view()->currentIndex().isValid(), false);
}

void TestOrderGrid::sortCycle()
{
    test::TestDb db;
    const QList<std::pair<QString, double>> rows = {{"甲", 5}, {"乙", 120}, {"丙", 0.5}, {"丁", 30}, {"戊", 7}};
    for (const auto& [name, amount] : rows)
        db.addOrder({{"a", name}, {"d", "申通快递"}, {"1", 1.0}, {"2", amount}});
    Database dm;
    OrderRegister orders(dm);
    Shown shown(orders);
    OrderGrid& grid = shown.grid;
    TwoLevelHeader* header = grid.header();
    orders.showAll();
    const QStringList engineOrder = columnTexts(grid, Name);
    dm.gridResult.setCurrentRow(2);  // 丙

    // The title click is announced before anything is sorted.
    QStringList orderAtSignal;
    QList<int> announced;
    auto spyOrder = connect(&grid, &OrderGrid::titleClicked, this, [&](int column) {
        announced << column;
        orderAtSignal = columnTexts(grid, Name);
    });
    shown.clickTitle(Amount);
    disconnect(spyOrder);
    QCOMPARE(announced, QList<int>{Amount});
    QCOMPARE(orderAtSignal, engineOrder);
    QCOMPARE(columnTexts(grid, Amount), (QStringList{"120", "30", "7", "5", ".5"}));
    QCOMPARE(header->sortMarker(Amount), SortMarker::Down);
    QCOMPARE(grid.model()->displayText(dm.gridResult.currentRow(), Name), QString("丙"));  // same record
    QCOMPARE(grid.view()->currentIndex().row(), dm.gridResult.currentRow());

    shown.clickTitle(Amount);
    QCOMPARE(columnTexts(grid, Amount), (QStringList{".5", "5", "7", "30", "120"}));
    QCOMPARE(header->sortMarker(Amount), SortMarker::Up);
    shown.clickTitle(Amount);
    QCOMPARE(columnTexts(grid, Amount).first(), QString("120"));
    QCOMPARE(header->sortMarker(Amount), SortMarker::Down);

    // Ctrl: the other markers stay, up goes back to none; the sort is by the
    // clicked column alone.
    shown.clickTitle(Name, Qt::ControlModifier);
    QCOMPARE(header->sortMarker(Name), SortMarker::Down);
    QCOMPARE(header->sortMarker(Amount), SortMarker::Down);
    QCOMPARE(columnTexts(grid, Name), (QStringList{"甲", "戊", "乙", "丙", "丁"}));  // by code point
    shown.clickTitle(Name, Qt::ControlModifier);
    QCOMPARE(header->sortMarker(Name), SortMarker::Up);
    QCOMPARE(columnTexts(grid, Name).first(), QString("丁"));
    shown.clickTitle(Name, Qt::ControlModifier);
    QCOMPARE(header->sortMarker(Name), SortMarker::None);
    QCOMPARE(columnTexts(grid, Name).first(), QString("甲"));  // was up: descending
    QCOMPARE(header->sortMarker(Amount), SortMarker::Down);

    // A plain click on another column starts descending and clears the rest.
    shown.clickTitle(Courier);
    shown.clickTitle(Mobile);
    QCOMPARE(header->sortMarker(Mobile), SortMarker::Down);
    QCOMPARE(header->sortMarker(Amount), SortMarker::None);
    QCOMPARE(header->sortMarker(Courier), SortMarker::None);

    // Selected orders stay selected through a sort.
    shown.clickRow(0);
    shown.clickRow(1, Qt::ControlModifier);
    const QStringList picked = {grid.model()->displayText(0, Name), grid.model()->displayText(1, Name)};
    shown.clickTitle(Amount);
    QStringList still;
    for (int row : grid.selectedRows())
        still << grid.model()->displayText(row, Name);
    QCOMPARE(still, picked);

    // A requery brings the engine's order back; the titles keep their markers.
    orders.showAll();
    QCOMPARE(columnTexts(grid, Name), engineOrder);
    QCOMPARE(header->sortMarker(Amount), SortMarker::Down);
    QVERIFY(grid.selectedRows().isEmpty());
}

void TestOrderGrid::selectionRules()
{
    test::TestDb db;
    for (const char* n : {"甲", "乙", "丙", "丁", "戊", "己", "庚"})
        db.addOrder({{"a", n}, {"d", "申通快递"}});
    Database dm;
    OrderRegister orders(dm);
    Shown shown(orders);
    OrderGrid& grid = shown.grid;
    orders.showAll();
    QVERIFY(grid.selectedRows().isEmpty());

    // Ctrl-clicks add in the order clicked and toggle.
    shown.clickRow(4, Qt::ControlModifier);
    shown.clickRow(1, Qt::ControlModifier);
    shown.clickRow(3, Qt::ControlModifier);
    QCOMPARE(grid.selectedRows(), (QList<int>{4, 1, 3}));
    shown.clickRow(1, Qt::ControlModifier);
    QCOMPARE(grid.selectedRows(), (QList<int>{4, 3}));
    QCOMPARE(dm.gridResult.currentRow(), 1);

    // A plain click selects the clicked row alone.
    shown.clickRow(2);
    QCOMPARE(grid.selectedRows(), QList<int>{2});

    // Moving without Shift empties the selection: a deletion deletes nothing.
    QTest::keyClick(grid.view(), Qt::Key_Down);
    QVERIFY(grid.selectedRows().isEmpty());
    QCOMPARE(dm.gridResult.currentRow(), 3);

    // Shift+click: from the current row to the clicked one.
    shown.clickRow(5, Qt::ShiftModifier);
    QCOMPARE(grid.selectedRows(), (QList<int>{3, 4, 5}));
    QCOMPARE(dm.gridResult.currentRow(), 5);
    shown.clickRow(1, Qt::ShiftModifier);
    QCOMPARE(grid.selectedRows(), (QList<int>{5, 4, 3, 2, 1}));

    // Shift+arrows extend from where they start; going back drops rows.
    shown.clickRow(2);
    QTest::keyClick(grid.view(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(grid.view(), Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(grid.selectedRows(), (QList<int>{2, 3, 4}));
    QTest::keyClick(grid.view(), Qt::Key_Up, Qt::ShiftModifier);
    QCOMPARE(grid.selectedRows(), (QList<int>{2, 3}));
    QTest::keyClick(grid.view(), Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(grid.selectedRows(), (QList<int>{2, 3, 4, 5, 6}));
    QCOMPARE(dm.gridResult.currentRow(), 6);

    // A press on the indicator column is a click on its row.
    QHeaderView* indicator = grid.view()->verticalHeader();
    QTest::mousePress(indicator->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      QPoint(indicator->width() / 2, shown.rowPoint(0).y()));
    QCOMPARE(grid.selectedRows(), (QList<int>{2, 3, 4, 5, 6, 0}));
    QCOMPARE(dm.gridResult.currentRow(), 0);
    QTest::mousePress(indicator->viewport(), Qt::LeftButton, {}, QPoint(indicator->width() / 2, shown.rowPoint(6).y()));
    QCOMPARE(grid.selectedRows(), (QList<int>{6}));
    shown.clickRow(2, Qt::ShiftModifier);
    QCOMPARE(grid.selectedRows(), (QList<int>{6, 5, 4, 3, 2}));

    // Deleting a row drops it from the selection and shifts the rows below.
    dm.gridResult.deleteRow(3);
    QCOMPARE(grid.selectedRows(), (QList<int>{5, 4, 3, 2}));

    // The highlight covers the selected rows and the current row.
    QTest::keyClick(grid.view(), Qt::Key_Up);
    QVERIFY(grid.selectedRows().isEmpty());
    const QColor highlight = grid.view()->palette().color(QPalette::Highlight);
    const int current = dm.gridResult.currentRow();
    const QRect cell = grid.view()->visualRect(grid.model()->index(current, Address));
    QCOMPARE(grid.view()->viewport()->grab(cell).toImage().pixelColor(cell.width() - 3, 2), highlight);
}

void TestOrderGrid::currentRowFollowsBothWays()
{
    test::TestDb db;
    db.exec("with recursive n(x) as (select 0 union all select x + 1 from n where x < 199) "
            "insert into data (a, d) select '客户' || x, '申通快递' from n");
    Database dm;
    OrderRegister orders(dm);
    Shown shown(orders);
    OrderGrid& grid = shown.grid;
    orders.showAll();
    // The last row is current and scrolled into view.
    QTableView* view = grid.view();
    QCOMPARE(view->currentIndex().row(), 199);
    QVERIFY(view->viewport()->rect().contains(view->visualRect(view->currentIndex())));
    dm.gridResult.setCurrentRow(3);
    QCOMPARE(view->currentIndex().row(), 3);
    QVERIFY(view->viewport()->rect().contains(view->visualRect(view->currentIndex())));
    // And the other way: clicks and keys move the dataset's cursor.
    shown.clickRow(5);
    QCOMPARE(dm.gridResult.currentRow(), 5);
    QTest::keyClick(view, Qt::Key_Up);
    QCOMPARE(dm.gridResult.currentRow(), 4);
    QCOMPARE(dm.gridResult.field(orderColumn::recipientName).toString(), QString("客户4"));
}

void TestOrderGrid::mouseSignals()
{
    test::TestDb db;
    for (const char* n : {"甲", "乙", "丙"})
        db.addOrder({{"a", n}, {"d", "申通快递"}});
    Database dm;
    OrderRegister orders(dm);
    Shown shown(orders);
    OrderGrid& grid = shown.grid;
    orders.showAll();
    QCOMPARE(grid.objectName(), QString("DBGridEh1"));
    QCOMPARE(grid.toolTip(), QString("点列标题进行排序，双击进行修改"));
    QCOMPARE(grid.statusTip(), grid.toolTip());

    QSignalSpy doubleClicks(&grid, &OrderGrid::rowDoubleClicked);
    // A real double-click is a click followed by the double-click event.
    shown.clickRow(1);
    QTest::mouseDClick(grid.view()->viewport(), Qt::LeftButton, {}, shown.rowPoint(1));
    QCOMPARE(doubleClicks.count(), 1);
    QCOMPARE(dm.gridResult.currentRow(), 1);
    // Below the last row there is no order to open.
    const QPoint empty(50, grid.view()->viewport()->height() - 5);
    QTest::mouseClick(grid.view()->viewport(), Qt::LeftButton, {}, empty);
    QTest::mouseDClick(grid.view()->viewport(), Qt::LeftButton, {}, empty);
    QCOMPARE(doubleClicks.count(), 1);

    // The right button asks for the menu and moves nothing.
    QSignalSpy menus(&grid, &OrderGrid::contextMenuRequested);
    QTest::mousePress(grid.view()->viewport(), Qt::RightButton, {}, shown.rowPoint(2));
    QContextMenuEvent menu(QContextMenuEvent::Mouse, shown.rowPoint(2),
                           grid.view()->viewport()->mapToGlobal(shown.rowPoint(2)));
    QApplication::sendEvent(grid.view()->viewport(), &menu);
    QCOMPARE(menus.count(), 1);
    QCOMPARE(menus.first().first().toPoint(), grid.view()->viewport()->mapToGlobal(shown.rowPoint(2)));
    QCOMPARE(dm.gridResult.currentRow(), 1);
    QCOMPARE(grid.selectedRows(), QList<int>{1});
}

void TestOrderGrid::mergedUpperTitles()
{
    test::TestDb db;
    Database dm;
    OrderRegister orders(dm);
    Shown shown(orders);
    OrderGrid& grid = shown.grid;
    TwoLevelHeader* h = grid.header();
    QCOMPARE(h->upperCellSections(Mobile), (QList<int>{0, 1, 2}));
    QCOMPARE(h->upperCellSections(Status), (QList<int>{3, 4}));
    QCOMPARE(h->upperCellSections(11), (QList<int>{5, 6, 7, 8, 9, 10, 11}));
    QCOMPARE(h->lowerText(Courier), QString(" 快 递"));
    QCOMPARE(h->upperCellRect(Mobile).left(), h->sectionViewportPosition(Name));
    QCOMPARE(h->upperCellRect(Mobile).right() + 1, h->sectionViewportPosition(Courier));

    // Painted: the upper band runs across the borders inside a group, the
    // lower band shows them; each title has its own colours.
    const QImage image = h->viewport()->grab().toImage();
    const QColor teal(0x00, 0x80, 0x80), sky(0xA6, 0xCA, 0xF0);
    const int border = h->sectionViewportPosition(Mobile) - 1;
    const int upperY = h->levelHeight() / 2, lowerY = h->levelHeight() + 3;
    QCOMPARE(image.pixelColor(border, upperY), teal);
    QVERIFY(image.pixelColor(border, lowerY) != teal);
    QCOMPARE(image.pixelColor(h->sectionViewportPosition(Item) + 3, lowerY), sky);

    // A hidden column leaves its neighbours in one group.
    grid.setColumnVisible(Item, false);
    QCOMPARE(h->upperCellSections(Paid), (QList<int>{5, 7, 8, 9, 10, 11}));
}

void TestOrderGrid::columnsFillWidthAndSurviveRequery()
{
    test::TestDb db;
    db.addOrder({{"a", "甲"}, {"d", "申通快递"}});
    Database dm;
    OrderRegister orders(dm);
    Shown shown(orders);
    OrderGrid& grid = shown.grid;
    auto filled = [&] {
        int sum = 0;
        for (int c = 0; c < OrderGridModel::ColumnCount; ++c)
            if (grid.isColumnVisible(c))
                sum += grid.header()->sectionSize(c);
        return sum;
    };
    QCOMPARE(filled(), grid.view()->viewport()->width());
    QVERIFY(qAbs(grid.header()->sectionSize(Address) * 66 - grid.header()->sectionSize(Name) * 240) <= 240);

    for (int c : {5, 6, 11})
        grid.setColumnVisible(c, false);
    QVERIFY(!grid.isColumnVisible(6));
    QCOMPARE(filled(), grid.view()->viewport()->width());
    grid.resize(800, 300);
    QTRY_COMPARE(filled(), grid.view()->viewport()->width());

    orders.showAll();
    QVERIFY(!grid.isColumnVisible(5) && !grid.isColumnVisible(6) && !grid.isColumnVisible(11));
    QCOMPARE(filled(), grid.view()->viewport()->width());
    grid.setColumnVisible(6, true);
    QCOMPARE(filled(), grid.view()->viewport()->width());
}

void TestOrderGrid::elidedTitleTooltip()
{
    test::TestDb db;
    Database dm;
    OrderRegister orders(dm);
    Shown shown(orders);
    TwoLevelHeader* h = shown.grid.header();
    h->resizeSection(10, 20);
    auto tipAt = [&](int column) {
        const QPoint pos = shown.titlePoint(column);
        QHelpEvent help(QEvent::ToolTip, pos, h->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(h->viewport(), &help);
        return QToolTip::text();
    };
    QCOMPARE(tipAt(10), QString("订单编号"));
    QCOMPARE(tipAt(Address), OrderGrid::hint);
}

// A sort marker takes no width from the title: the marked title is the same
// text, whole, at most moved left to clear the marker.
void TestOrderGrid::sortMarkerLeavesTitleWhole_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("marker");
    QTest::newRow("数量 down") << int(Quantity) << int(SortMarker::Down);
    QTest::newRow("金额 up") << int(Amount) << int(SortMarker::Up);
    QTest::newRow("姓 名 down") << int(Name) << int(SortMarker::Down);
}

void TestOrderGrid::sortMarkerLeavesTitleWhole()
{
    QFETCH(int, column);
    QFETCH(int, marker);
    test::TestDb db;
    Database dm;
    OrderRegister orders(dm);
    Shown shown(orders);
    TwoLevelHeader* h = shown.grid.header();
    const QRect lower(h->sectionViewportPosition(column), h->levelHeight(), h->sectionSize(column),
                      h->height() - h->levelHeight());
    const QImage plain = h->viewport()->grab(lower).toImage();
    h->setSortMarker(column, SortMarker(marker));
    const QImage marked = h->viewport()->grab(lower).toImage();
    QVERIFY(plain != marked);

    // The marker is at most 9 pixels wide, 2 from the right edge; everything
    // left of it is the unmarked title shifted by some pixels.
    const int markerLeft = lower.width() - 2 - 10;
    auto matchesShifted = [&](int shift) {
        for (int y = 2; y < lower.height() - 2; ++y)
            for (int x = 3; x < markerLeft - 1; ++x)
                if (x + shift >= lower.width() - 3 || marked.pixel(x, y) != plain.pixel(x + shift, y))
                    return false;
        return true;
    };
    bool found = false;
    for (int shift = 0; shift < lower.width() / 2 && !found; ++shift)
        found = matchesShifted(shift);
    QVERIFY2(found, "the marked title differs from the unmarked one");

    // Nor does the marker make a title that fits count as cut.
    const QPoint pos = lower.center();
    QHelpEvent help(QEvent::ToolTip, pos, h->viewport()->mapToGlobal(pos));
    QApplication::sendEvent(h->viewport(), &help);
    QCOMPARE(QToolTip::text(), OrderGrid::hint);
    QToolTip::hideText();
}

void TestOrderGrid::dataModuleGoesFirst()
{
    // At exit the data module may be destroyed before the window holding the
    // grid: the grid then shows nothing instead of reading freed rows.
    test::TestDb db;
    db.addOrder({{"a", "甲"}, {"d", "申通快递"}});
    auto* dm = new Database;
    OrderRegister orders(*dm);
    Shown shown(orders);
    openQuery(dm->gridResult, "select * from data");
    QCOMPARE(shown.grid.model()->rowCount(), 1);
    delete dm;
    QCOMPARE(shown.grid.model()->rowCount(), 0);
    QCOMPARE(shown.grid.view()->model()->rowCount(), 0);
    shown.grid.repaint();
    // The titles still answer a click: the markers move, there is nothing to sort.
    shown.grid.sortByTitle(Name, false);
    QCOMPARE(shown.grid.header()->sortMarker(Name), SortMarker::Down);
    QSignalSpy clicked(&shown.grid, &OrderGrid::titleClicked);
    shown.clickTitle(Amount);
    QCOMPARE(clicked.size(), 1);
    QCOMPARE(clicked.at(0).at(0).toInt(), int(Amount));
    QCOMPARE(shown.grid.header()->sortMarker(Amount), SortMarker::Down);
    QCOMPARE(shown.grid.header()->sortMarker(Name), SortMarker::None);
    QCOMPARE(shown.grid.model()->rowCount(), 0);
}

QTEST_MAIN(TestOrderGrid)
#include "tst_ordergrid.moc"
