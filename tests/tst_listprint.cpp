// The printed order list: what it prints (title, titles, rows, footer, the
// maker's line, page headers) for the grid as it stands, its colours, rows
// that grow, the page setup, stopping a long layout, and its preview window
// reached by Ctrl+D.

#include "Fakes.h"
#include "MainSession.h"
#include "PdfReader.h"
#include "TestDb.h"

#include "data/DataOps.h"
#include "data/LoginSession.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "orders/OrderGrid.h"
#include "orders/OrderListPrinting.h"
#include "orders/OrderListReport.h"
#include "orders/OrderRegister.h"
#include "report/ListJob.h"
#include "preview/ListPageSetupDialog.h"
#include "preview/ListPreview.h"
#include "report/ReportLayouter.h"
#include "preview/ReportPageView.h"
#include "widgets/FontSubstitutions.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

using namespace kx;
namespace orderColumn = kx::schema::orderColumn;
using namespace kx::test;

namespace {

struct Order {
    QString name, mobile, address, courier, status;
    double quantity = 1;
    double amount = 0;
    QString remark;
};

// A text without its blanks and line breaks: pdftotext sets a table's
// cells as far apart as their columns are, and drops the blanks between
// Chinese characters.
QString compact(const QString& text)
{
    QString out = text;
    out.remove(QRegularExpression(QStringLiteral("\\s+")));
    return out;
}

}  // namespace

class TestListPrint : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { registerFontSubstitutions(); }
    void init();
    void cleanup();

    void printsTheGridAsItStands_data();
    void printsTheGridAsItStands();
    void pageHeadersAndRepeatedTitles();
    void placedByTheMargins();
    void printedRowsRed_data();
    void printedRowsRed();
    void longTextGrowsItsRow_data();
    void longTextGrowsItsRow();
    void pageSetupLaysOutAgain();
    void pageSetupDialog();
    void stopEndsALongLayout();
    void previewWindowFromCtrlD();

private:
    void addOrder(const Order& o);
    void addOrders(int count);
    ListPreview* printList();
    // Presses the preview's "打印" and reads the pages back.
    QStringList printOut(ListPreview* preview);
    QImage pageImage(ListPreview* preview, int page);

    std::unique_ptr<TestDb> m_db;
    std::unique_ptr<FakePlatform> m_fake;
    std::unique_ptr<Database> m_dm;
    std::unique_ptr<OrderRegister> m_orders;
    std::unique_ptr<OrderGrid> m_grid;
    LoginSession m_session;
    std::unique_ptr<OrderListPrinting> m_printing;
    QList<QPointer<ListPreview>> m_previews;
    int m_pdfs = 0;
};

void TestListPrint::init()
{
    m_db = std::make_unique<TestDb>();
    m_fake = std::make_unique<FakePlatform>();
    m_dm = std::make_unique<Database>();
    m_orders = std::make_unique<OrderRegister>(*m_dm);
    m_grid = std::make_unique<OrderGrid>(*m_orders);
    m_grid->resize(1058, 473);
    m_grid->show();
    m_session.setUserName(QStringLiteral("超级管理员"));
    m_printing = std::make_unique<OrderListPrinting>(*m_grid, m_session, m_fake->platform, nullptr);
}

void TestListPrint::cleanup()
{
    for (const QPointer<ListPreview>& p : m_previews)
        delete p.data();
    m_previews.clear();
    m_printing.reset();
    m_grid.reset();
    m_orders.reset();
    m_dm.reset();
    m_fake.reset();
    m_db.reset();
}

void TestListPrint::addOrder(const Order& o)
{
    m_db->addOrder({{"a", o.name},
                    {"b", o.mobile},
                    {"c", o.address},
                    {"d", o.courier},
                    {"g", o.status},
                    {"1", o.quantity},
                    {"2", o.amount},
                    {"z", o.remark}});
}

void TestListPrint::addOrders(int count)
{
    m_db->exec(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                              "insert into data (a, b, c, d, g, [1], [2]) select '收件' || printf('%05d', i), "
                              "'139' || printf('%08d', i), '杭州市西湖区文三路' || i || '号', '申通快递', "
                              "case when i % 3 = 0 then '已打印' else '未打印' end, 1, 2.5 from n")
                   .arg(count));
}

ListPreview* TestListPrint::printList()
{
    ListPreview* preview = m_printing->printList();
    m_previews << preview;
    return preview;
}

QStringList TestListPrint::printOut(ListPreview* preview)
{
    const QString path = m_db->dir() + QStringLiteral("/list%1.pdf").arg(++m_pdfs);
    m_fake->dialogs.printToPdf = path;
    preview->printButton->click();
    return readLayoutText(path);
}

QImage TestListPrint::pageImage(ListPreview* preview, int page)
{
    // A4 at 100 dpi, painted as the printer paints it.
    QImage image(827, 1170, QImage::Format_RGB32);
    image.setDotsPerMeterX(3937);
    image.setDotsPerMeterY(3937);
    image.fill(Qt::white);
    QPainter painter(&image);
    preview->job().paintPage(painter, page, 100 / 25.4, 100 / 25.4);
    return image;
}

void TestListPrint::printsTheGridAsItStands_data()
{
    QTest::addColumn<QString>("search");  // empty: every order
    QTest::addColumn<bool>("ordinary");   // the login hid columns 5, 6 and 11
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("absent");
    QTest::addColumn<QString>("sums");
    const QString zhang = QStringLiteral("张三 13800000001 北京市海淀区中关村大街1号 申通快递 未打印 2 12.35 加急");
    const QString li = QStringLiteral("李四 13800000002 上海市浦东新区 圆通速递 已打印 1 .5 改址");
    const QString wang = QStringLiteral("王五 13800000003 广州市天河区 申通快递 未打印 3 100 上门");
    QTest::newRow("every order") << QString() << false << QStringList{zhang, li, wang} << QStringList{}
                                 << QStringLiteral("6 112.845");
    QTest::newRow("after a search") << QStringLiteral("申通快递") << false << QStringList{zhang, wang}
                                    << QStringList{"李四"} << QStringLiteral("5 112.345");
    QTest::newRow("an ordinary user")
        << QString() << true
        << QStringList{QStringLiteral("张三 13800000001 北京市海淀区中关村大街1号 申通快递 未打印 2 12.35"),
                       QStringLiteral("李四 13800000002 上海市浦东新区 圆通速递 已打印 1 .5"),
                       QStringLiteral("王五 13800000003 广州市天河区 申通快递 未打印 3 100")}
        << QStringList{"加急", "改址", "上门", "备 注", "名 称", "付款日期"} << QStringLiteral("6 112.845");
}

void TestListPrint::printsTheGridAsItStands()
{
    QFETCH(QString, search);
    QFETCH(bool, ordinary);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, absent);
    QFETCH(QString, sums);
    addOrder({"张三", "13800000001", "北京市海淀区中关村大街1号", "申通快递", "未打印", 2, 12.345, "加急"});
    addOrder({"李四", "13800000002", "上海市浦东新区", "圆通速递", "已打印", 1, 0.5, "改址"});
    addOrder({"王五", "13800000003", "广州市天河区", "申通快递", "未打印", 3, 100, "上门"});
    m_orders->showAll();
    if (!search.isEmpty())
        m_orders->search(QStringLiteral("select * from data where d = ?"), {search});
    if (ordinary) {
        m_session.setUserName(QStringLiteral("小王"));
        for (GridColumn c : {PayDateColumn, ItemColumn, RemarkColumn})
            m_grid->setColumnVisible(c, false);
    }

    const QStringList pages = printOut(printList());
    QCOMPARE(pages.size(), 1);
    const QString page = compact(pages[0]);
    auto shows = [&page](const QString& text) { return page.contains(compact(text)); };
    QVERIFY2(shows(QStringLiteral("Page. 1")), qPrintable(pages[0]));
    QVERIFY(shows(QStringLiteral("快 递 单 打 印 清 单")));
    QVERIFY(shows(QStringLiteral("收 货 信 息 打 印 商 品 信 息")));
    QVERIFY(shows(ordinary ? QStringLiteral("姓 名 手 机 地 址 快 递 状 态 数量 金额 会员名 订单编号")
                           : QStringLiteral("姓 名 手 机 地 址 快 递 状 态 付款日期 名 称 数量 金额 会员名 "
                                            "订单编号 备 注")));
    for (const QString& row : rows)
        QVERIFY2(shows(row), qPrintable(row + QStringLiteral("\n") + pages[0]));
    for (const QString& text : absent)
        QVERIFY2(!shows(text), qPrintable(text));
    // The footer as the screen shows it: the count of the last show-all.
    QVERIFY2(shows(QStringLiteral("总计 共3条记录 ") + sums), qPrintable(pages[0]));
    const QString user = ordinary ? QStringLiteral("小王") : QStringLiteral("超级管理员");
    QVERIFY(shows(QStringLiteral("制表人：%1 日期：2026-12-10").arg(user)));
    // Top to bottom: the page header, the title, the table, the maker's line.
    QVERIFY(page.indexOf(QStringLiteral("Page.1")) < page.indexOf(compact(OrderListReport::title)));
    QVERIFY(page.indexOf(compact(OrderListReport::title)) < page.indexOf(QStringLiteral("收货信息")));
    QVERIFY(page.indexOf(QStringLiteral("总计")) < page.indexOf(QStringLiteral("制表人")));
}

void TestListPrint::pageHeadersAndRepeatedTitles()
{
    constexpr int orders = 250;
    addOrders(orders);
    m_orders->showAll();
    // The grid's order, not the table's: the largest name first.
    m_dm->gridResult.sortBy(m_dm->gridResult.fieldIndex(orderColumn::recipientName), Qt::DescendingOrder);
    ListPreview* preview = printList();
    // The preview keeps the list it was opened on, whatever the grid shows next.
    m_orders->search(QStringLiteral("select * from data where a = ?"), {QStringLiteral("无此人")});
    const QStringList pages = printOut(preview);
    QVERIFY2(pages.size() >= 3, qPrintable(QString::number(pages.size())));

    QStringList names;
    for (int p = 0; p < pages.size(); ++p) {
        const QString page = compact(pages[p]);
        QVERIFY2(page.startsWith(QStringLiteral("Page.%1").arg(p + 1)), qPrintable(pages[p]));
        // The titles head the table on every page it runs on; the list's
        // title and the maker's line stand once.
        QVERIFY(page.contains(QStringLiteral("收货信息打印商品信息")));
        QCOMPARE(page.contains(QStringLiteral("快递单打印清单")), p == 0);
        QCOMPARE(page.contains(QStringLiteral("总计共%1条记录%2%3").arg(orders).arg(orders).arg(orders * 2.5)),
                 p == pages.size() - 1);
        QCOMPARE(page.contains(QStringLiteral("制表人：超级管理员")), p == pages.size() - 1);
        static const QRegularExpression name(QStringLiteral("收件\\d{5}"));
        for (auto it = name.globalMatch(page); it.hasNext();)
            names << it.next().captured(0);
    }
    QCOMPARE(names.size(), orders);
    for (int i = 0; i < orders; ++i)
        QCOMPARE(names[i], QStringLiteral("收件%1").arg(orders - i, 5, 10, QLatin1Char('0')));
}

// Checked on the PDF's word boxes (pdftotext -bbox), within half a millimetre.
void TestListPrint::placedByTheMargins()
{
    addOrder({"张三", "13800000001", "北京市海淀区", "申通快递", "未打印", 1, 10, ""});
    m_orders->showAll();
    ListPreview* preview = printList();
    ListPrintOptions options = preview->options();
    options.leftMm = 30;
    options.rightMm = 10;
    preview->setOptions(options);
    const QString path = m_db->dir() + QStringLiteral("/placed.pdf");
    m_fake->dialogs.printToPdf = path;
    preview->printButton->click();
    const Printed p = readPdf(path);
    QCOMPARE(p.pages, 1);
    QVERIFY(p.fonts.contains(QStringLiteral("LiberationSans")));

    // "Page. 1" in the middle between the margins.
    const auto header = std::find_if(p.words.begin(), p.words.end(),
                                     [](const Word& w) { return w.text == QStringLiteral("Page."); });
    QVERIFY(header != p.words.end() && header + 1 != p.words.end());
    const int page = int(header - p.words.begin());
    QCOMPARE(p.words[page + 1].text, QStringLiteral("1"));
    QVERIFY(std::abs((p.words[page].x + p.words[page + 1].right) / 2 - (30 + (210 - 40) / 2.0)) < tolerance);
    // The table starts on the left margin, its first cell's text a cell
    // margin further in.
    const Word name = p.find(QStringLiteral("张三")).value(0);
    QVERIFY2(name.x > 30 && name.x < 31, qPrintable(QString::number(name.x)));
    // The maker's line ends its 70 blanks short of the right margin.
    ReportElement song;
    song.family = QStringLiteral("宋体");
    song.fontPixels = 10 * 96 / 72.0;
    song.bold = false;
    const double blanks = ReportLayouter().textWidth(song, QString(70, QLatin1Char(' '))) * mmPerLayoutPixel;
    const Word date = p.find(QStringLiteral("日期：2026-12-10")).value(0);
    QVERIFY2(std::abs(date.right - (200 - blanks)) < tolerance,
             qPrintable(QStringLiteral("%1 %2").arg(date.right).arg(200 - blanks)));
}

void TestListPrint::printedRowsRed_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("colour");
    QTest::addColumn<bool>("red");
    QTest::newRow("printed") << "已打印" << true << true;
    QTest::newRow("not printed") << "未打印" << true << false;
    QTest::newRow("printed with a blank") << "已打印 " << true << false;
    QTest::newRow("printed, black and white") << "已打印" << false << false;
}

void TestListPrint::printedRowsRed()
{
    QFETCH(QString, status);
    QFETCH(bool, colour);
    QFETCH(bool, red);
    addOrder({"张三", "13800000001", "北京市海淀区", "申通快递", "未打印", 1, 10, ""});
    addOrder({"李四", "13800000002", "上海市浦东新区", "圆通速递", status, 1, 20, ""});
    m_orders->showAll();
    ListPreview* preview = printList();
    ListPrintOptions options = preview->options();
    options.colour = colour;
    preview->setOptions(options);

    const QImage page = pageImage(preview, 0);
    int redPixels = 0, tealPixels = 0, redTop = page.height();
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 90 && c.blue() < 90) {
                ++redPixels;
                redTop = std::min(redTop, y);
            }
            tealPixels += c == QColor(0x00, 0x80, 0x80);
        }
    }
    QCOMPARE(redPixels > 0, red);
    // The titles' colours print only in colour.
    QCOMPARE(tealPixels > 0, colour);
    if (red) {
        // Only the second row is red: its first cell's text lies below the
        // first row's.
        const QImage firstRow = page.copy(0, 0, page.width(), redTop);
        int darkAbove = 0;
        for (int y = redTop - 12; y < redTop; ++y)
            for (int x = 0; x < page.width(); ++x)
                darkAbove += qGray(firstRow.pixel(x, y)) < 100;
        QVERIFY(darkAbove > 0);
    }
}

void TestListPrint::longTextGrowsItsRow_data()
{
    QTest::addColumn<bool>("grow");
    QTest::newRow("rows grow") << true;
    QTest::newRow("one line a row") << false;
}

void TestListPrint::longTextGrowsItsRow()
{
    QFETCH(bool, grow);
    QString address;
    for (int i = 1; i <= 8; ++i)
        address += QStringLiteral("浙江省杭州市西湖区文三路%1号").arg(i);
    addOrder({"张三", "13800000001", "北京市海淀区", "申通快递", "未打印", 1, 10, ""});
    addOrder({"李四", "13800000002", address, "圆通速递", "未打印", 1, 20, ""});
    m_orders->showAll();
    ListPreview* preview = printList();
    ListPrintOptions options = preview->options();
    QVERIFY(options.growRows);  // as it starts
    options.growRows = grow;
    preview->setOptions(options);

    const QStringList pages = printOut(preview);
    QCOMPARE(pages.size(), 1);
    const double shortRow = preview->job().rowHeightMm(0);
    const double longRow = preview->job().rowHeightMm(1);
    if (grow) {
        QVERIFY2(longRow > 4 * shortRow, qPrintable(QStringLiteral("%1 %2").arg(longRow).arg(shortRow)));
        // Every character of the address prints, on lines of its own, in
        // the address column.
        const std::vector<double>& widths = preview->job().columnWidthsMm();
        const double left = widths[0] + widths[1], right = left + widths[2];
        QStringList column;
        for (const PaintItem& item : preview->job().pageItems(0))
            if (item.kind == PaintItem::Kind::Text && item.baseline.x() > left && item.baseline.x() < right)
                column << item.text;
        QVERIFY2(column.join(QString()).contains(address), qPrintable(column.join(u'|')));
        QVERIFY(std::count_if(column.begin(), column.end(), [&](const QString& t) { return address.contains(t); }) > 4);
        QVERIFY(compact(pages[0]).contains(QStringLiteral("文三路8号")));
    } else {
        QCOMPARE(longRow, shortRow);
        QVERIFY(!compact(pages[0]).contains(address));
        QVERIFY(compact(pages[0]).contains(QStringLiteral("李四13800000002浙江省杭州市")));
    }
}

void TestListPrint::pageSetupLaysOutAgain()
{
    addOrders(250);
    m_orders->showAll();
    ListPreview* preview = printList();
    ListPrintOptions wide;
    wide.topMm = wide.bottomMm = 60;
    preview->setOptions(wide);
    QTRY_VERIFY(!preview->isGenerating());
    const int pages = preview->view()->pageCount();
    QVERIFY(pages >= 2);

    // Confirmed in the dialog: smaller margins, fewer pages.
    QTimer::singleShot(0, this, [] {
        auto* dialog = qobject_cast<ListPageSetupDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        for (QDoubleSpinBox* margin : {dialog->topBox, dialog->bottomBox})
            margin->setValue(5);
        dialog->okButton->click();
    });
    preview->setupButton->click();
    QCOMPARE(preview->options().topMm, 5.0);
    QTRY_VERIFY(!preview->isGenerating());
    const int fewer = preview->view()->pageCount();
    QVERIFY2(fewer < pages, qPrintable(QStringLiteral("%1 %2").arg(fewer).arg(pages)));
    QCOMPARE(printOut(preview).size(), fewer);

    // A larger face whose columns keep the page's width: more pages.
    ListPrintOptions larger = preview->options();
    larger.fontPoints = 16;
    larger.fit = ListPrintOptions::Fit::ColumnWidths;
    preview->setOptions(larger);
    QTRY_VERIFY(!preview->isGenerating());
    QVERIFY(preview->view()->pageCount() > fewer);

    // Cancelled: nothing changes. The choices hold for the next list.
    QTimer::singleShot(0, this, [] {
        auto* dialog = qobject_cast<ListPageSetupDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        dialog->colourBox->setChecked(false);
        dialog->cancelButton->click();
    });
    preview->setupButton->click();
    QVERIFY(preview->options().colour);
    QCOMPARE(m_printing->options(), larger);
    QCOMPARE(printList()->options(), larger);
}

void TestListPrint::pageSetupDialog()
{
    int setups = 0;
    ListPageSetupDialog dialog(ListPrintOptions(), [&setups] { return ++setups > 0; });
    QCOMPARE(dialog.windowTitle(), QStringLiteral("打印设置"));
    QCOMPARE(dialog.growBox->text(), QStringLiteral("延长表格线(&S)"));
    QCOMPARE(dialog.colourBox->text(), QStringLiteral("彩色(&C)"));
    QCOMPARE(dialog.fitBox->text(), QStringLiteral("表格宽度适应页面宽度(&F)"));
    QCOMPARE(dialog.scaleButton->text(), QStringLiteral("缩放整个表格(&G)"));
    QCOMPARE(dialog.columnsButton->text(), QStringLiteral("改变列宽(&C)"));
    QCOMPARE(dialog.autoWidthBox->text(), QStringLiteral("自动调整列宽到合适尺寸(&W)"));
    QCOMPARE(dialog.printerButton->text(), QStringLiteral("打印机设置(&P)"));
    // As the choices start.
    QVERIFY(dialog.growBox->isChecked() && dialog.colourBox->isChecked() && dialog.fitBox->isChecked());
    QVERIFY(dialog.scaleButton->isChecked() && !dialog.autoWidthBox->isChecked());
    QCOMPARE(dialog.fontBox->currentText(), QStringLiteral("Arial"));
    for (QDoubleSpinBox* margin : {dialog.topBox, dialog.bottomBox, dialog.leftBox, dialog.rightBox})
        QCOMPARE(margin->value(), 20.0);
    QCOMPARE(dialog.options(), ListPrintOptions());

    // The fit's choice only while the table fits the page.
    dialog.fitBox->setChecked(false);
    QVERIFY(!dialog.scaleButton->isEnabled() && !dialog.columnsButton->isEnabled());
    dialog.fitBox->setChecked(true);
    QVERIFY(dialog.scaleButton->isEnabled() && dialog.columnsButton->isEnabled());
    dialog.columnsButton->setChecked(true);
    dialog.autoWidthBox->setChecked(true);
    dialog.fontBox->setCurrentText(QStringLiteral("宋体"));
    dialog.leftBox->setValue(12.5);
    const ListPrintOptions chosen = dialog.options();
    QCOMPARE(chosen.fit, ListPrintOptions::Fit::ColumnWidths);
    QVERIFY(chosen.autoWidths);
    QCOMPARE(chosen.fontFamily, QStringLiteral("宋体"));
    QCOMPARE(chosen.leftMm, 12.5);

    QVERIFY(!dialog.printerChanged());
    dialog.printerButton->click();
    QCOMPARE(setups, 1);
    QVERIFY(dialog.printerChanged());
}

void TestListPrint::stopEndsALongLayout()
{
    addOrders(3000);
    m_orders->showAll();
    ListPreview* whole = printList();
    QTRY_VERIFY_WITH_TIMEOUT(!whole->isGenerating(), 60000);
    const int all = whole->view()->pageCount();

    ListPreview* preview = printList();
    preview->setLayoutChunk(20);
    QVERIFY(preview->isGenerating());
    QVERIFY(preview->stopButton->isEnabled());
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    preview->stopButton->click();
    QVERIFY(!preview->isGenerating());
    QVERIFY(!preview->stopButton->isEnabled());
    const int shown = preview->view()->pageCount();
    QVERIFY2(shown >= 1 && shown < all, qPrintable(QStringLiteral("%1 of %2").arg(shown).arg(all)));
    QVERIFY(preview->pageLabel->text().contains(QStringLiteral("已停止")));
    QTest::qWait(50);
    QCOMPARE(preview->view()->pageCount(), shown);
    // What was laid out is the job: the rows so far, no footer.
    const QStringList pages = printOut(preview);
    QCOMPARE(pages.size(), shown);
    QVERIFY(!compact(pages.join(QString())).contains(QStringLiteral("总计")));
    QVERIFY(compact(pages.last()).contains(QStringLiteral("Page.%1").arg(shown)));
}

void TestListPrint::previewWindowFromCtrlD()
{
    MainSession s([](TestDb& db) {
        for (int i = 0; i < 80; ++i)
            db.addOrder({{"a", QStringLiteral("收件%1").arg(i)}, {"b", "13800000000"}, {"d", "申通快递"}});
    });
    QVERIFY(s.waitForLogin());
    s.logIn(QStringLiteral("超级管理员"), QStringLiteral("507"));
    QApplication::setActiveWindow(s.main.get());
    s.main->grid()->view()->setFocus();
    QTest::keyClick(s.main->grid()->view(), Qt::Key_D, Qt::ControlModifier);
    ListPreview* preview = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<ListPreview*>(w); p && p->isVisible())
            preview = p;
    QVERIFY(preview);
    m_previews << preview;
    QCOMPARE(preview->windowTitle(), QStringLiteral("Preview"));
    QVERIFY(preview->windowState() & Qt::WindowMaximized);
    QVERIFY(!preview->isModal());

    QStringList captions;
    QList<QPushButton*> buttons = {preview->printButton,    preview->setupButton, preview->previousButton,
                                   preview->nextButton,     preview->stopButton,  preview->closeButton};
    for (QPushButton* b : buttons)
        captions << b->text();
    QCOMPARE(captions, (QStringList{"打印", " 打印设置", "上一页", "下一页", "停止", "关闭"}));
    for (int i = 1; i < buttons.size(); ++i)
        QVERIFY(buttons[i]->x() > buttons[i - 1]->x());
    QStringList zooms;
    for (int i = 0; i < preview->zoomBox->count(); ++i)
        zooms << preview->zoomBox->itemText(i);
    QCOMPARE(zooms, (QStringList{"500%", "200%", "150%", "100%", "75%", "50%", "25%", "10%", "页宽度", "全部页面"}));
    QCOMPARE(preview->zoomBox->currentText(), QStringLiteral("全部页面"));
    QCOMPARE(preview->view()->zoomMode(), QPrintPreviewWidget::FitInView);
    const QList<QLabel*> labels = preview->findChildren<QLabel*>();
    QVERIFY(std::any_of(labels.begin(), labels.end(), [&](QLabel* l) {
        return l->text() == QStringLiteral("缩放") && l->buddy() == preview->zoomBox;
    }));
    preview->zoomBox->setCurrentIndex(8);
    QCOMPARE(preview->view()->zoomMode(), QPrintPreviewWidget::FitToWidth);
    preview->zoomBox->setCurrentIndex(6);
    QCOMPARE(preview->view()->zoomFactor(), 0.25);

    QTRY_VERIFY(!preview->isGenerating());
    QVERIFY(preview->view()->pageCount() >= 2);
    preview->nextButton->click();
    QCOMPARE(preview->view()->currentPage(), 2);
    preview->previousButton->click();
    QCOMPARE(preview->view()->currentPage(), 1);

    s.fp.dialogs.printToPdf = s.db.dir() + QStringLiteral("/list.pdf");
    preview->printButton->click();
    const QStringList pages = readLayoutText(s.fp.dialogs.printToPdf);
    QCOMPARE(pages.size(), preview->view()->pageCount());
    QVERIFY(compact(pages.last()).contains(QStringLiteral("制表人：超级管理员")));
    QPointer<ListPreview> closed = preview;
    preview->closeButton->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(closed.isNull());
}

QTEST_MAIN(TestListPrint)
#include "tst_listprint.moc"
