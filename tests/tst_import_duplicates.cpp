// Orders the register already holds, met again in a shop's report: the
// import window asks once whether to leave them out, and the register is
// read back field by field after each answer.

#include "MainSession.h"

#include "data/Connection.h"
#include "data/Schema.h"
#include "data/Statement.h"
#include "data/StoredOrderNumbers.h"
#include "import/RepeatedOrders.h"
#include "importui/ImportWindow.h"
#include "orders/OrderRegister.h"
#include "platform/AppInfo.h"
#include "widgets/CommandRegistry.h"
#include "widgets/PictureButton.h"

#include <QAction>
#include <QLineEdit>
#include <QtTest>

using namespace kx;

using Rows = QList<QVariantList>;

class TestImportDuplicates : public QObject {
    Q_OBJECT
private slots:
    void askBeforeDoubling_data();
    void askBeforeDoubling();
    void sameWorkbookTwice_data();
    void sameWorkbookTwice();
    void anotherStationsOrdersCountToo();
    void failureAfterTheQuestionKeepsNothing();
    void lookupComparesExactly();
    void lookupFollowsEveryWrite();
};

namespace {

const QString imported = QStringLiteral("批量EXCEL导入成功！请退出在主界面中点全部记录查看");
const QString importFailed = QStringLiteral("批量EXCEL导入失败！请联系官网技术QQ客服");

QString question(int count)
{
    return QStringLiteral("报表中有 %1 个订单已在订单库中（订单编号相同）。是否跳过这些订单，只导入新的订单？").arg(count);
}

QString importedWithCounts(int added, int skipped)
{
    return imported + QStringLiteral("\n导入 %1 个订单，跳过 %2 个订单。").arg(added).arg(skipped);
}

const QVariant null;

Rows storedOrders(const QString& databasePath)
{
    return test::storedImportedOrders(databasePath);
}

// An order the register held before the import, with its number.
QVariantMap heldOrder(int k, const QString& number)
{
    return {{"a", QStringLiteral("旧单%1").arg(k)}, {"b", QStringLiteral("1390000000%1").arg(k)},
            {"c", u"旧地址"_qs}, {"d", u"顺丰速运"_qs}, {"g", u"已打印"_qs}, {"1", 1.0}, {"2", 5.0},
            {"h", u"旧商品"_qs}, {"i", u"old"_qs}, {"j", number}, {"day1", u"2026-11-01"_qs}, {"z", u"旧"_qs}};
}

QVariantList heldRow(int k, const QString& number)
{
    const QVariantMap o = heldOrder(k, number);
    return {o["a"], o["b"], o["c"], o["d"], o["g"], o["1"], o["2"], o["h"], o["i"], o["j"], null, o["day1"], o["z"]};
}

// The number a report's cell holds once the report is read: ="…" is the
// marketplace's way of keeping a number as text; an empty cell is an
// empty text.
QVariant storedNumber(const QString& cell)
{
    if (cell.startsWith("=\"") && cell.endsWith('"'))
        return cell.mid(2, cell.size() - 3);
    return cell;
}

// The i-th order of a report, with its number cell as the report writes it.
QString reportLine(int i, const QString& numberCell)
{
    return QStringLiteral("新单%1,1380000000%1,地址%1,申通快递,等待发货,%2,10.5,商品%1,buyer%1,%3,,2026-11-15 10:%4:00")
        .arg(i)
        .arg(i + 1)
        .arg(numberCell)
        .arg(i, 2, 10, QLatin1Char('0'));
}

QVariantList reportRow(int i, const QString& numberCell)
{
    const QString waiting = u"等待发货"_qs;
    // The empty message cell of the report is stored as an empty text.
    return {QStringLiteral("新单%1").arg(i), QStringLiteral("1380000000%1").arg(i), QStringLiteral("地址%1").arg(i),
            u"申通快递"_qs, waiting, double(i + 1), 10.5, QStringLiteral("商品%1").arg(i),
            QStringLiteral("buyer%1").arg(i), storedNumber(numberCell), u""_qs,
            QStringLiteral("2026-11-15 10:%1:00").arg(i, 2, 10, QLatin1Char('0')), waiting};
}

QString writeReport(const QString& dir, const QStringList& numberCells)
{
    QStringList lines{u"收货人姓名,联系手机,收货地址,运送方式,订单状态,宝贝总数量,买家实际支付金额,宝贝标题,"
                      u"买家会员名,订单编号,买家留言,订单付款时间"_qs};
    for (int i = 0; i < numberCells.size(); ++i)
        lines << reportLine(i, numberCells[i]);
    const QString path = dir + QStringLiteral("/orders.csv");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    f.write("\xEF\xBB\xBF" + lines.join("\r\n").toUtf8() + "\r\n");
    return path;
}

// A main window over a database holding orders with the given numbers, and
// its import window shown as the toolbar's entry shows it.
struct ImportSession {
    explicit ImportSession(const QStringList& held = {})
        : s([&](test::TestDb& db) {
              for (int k = 0; k < held.size(); ++k)
                  db.addOrder(heldOrder(k, held[k]));
          })
    {
        w = s.main->importWindow();
        s.main->commands()->action(Command::ImportOrders)->trigger();
    }

    // Imports the report into the session's database, the question (if
    // any) answered with `answer`; returns the messages shown.
    QStringList import(const QString& report, QMessageBox::StandardButton answer = QMessageBox::NoButton)
    {
        w->reportPathEdit->setText(report);
        w->databasePathEdit->setText(s.db.path());
        s.fp.dialogs.clear();
        s.fp.dialogs.answers.clear();
        if (answer != QMessageBox::NoButton)
            s.fp.dialogs.answers.enqueue(answer);
        QTest::mouseClick(w->importButton, Qt::LeftButton);
        return s.fp.dialogs.texts();
    }

    void checkQuestion(int count, const QStringList& listed) const
    {
        const test::FakeDialogs::Shown& q = s.fp.dialogs.shown.first();
        QCOMPARE(q.text, question(count));
        QCOMPARE(q.caption, appTitle);
        QCOMPARE(q.icon, Dialogs::Icon::Question);
        QCOMPARE(q.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(q.defaultButton, QMessageBox::Yes);
        QCOMPARE(q.details, listed.join('\n'));
    }

    test::MainSession s;
    ImportWindow* w = nullptr;
};

}  // namespace

void TestImportDuplicates::askBeforeDoubling_data()
{
    QTest::addColumn<QStringList>("held");    // the numbers of the register's orders
    QTest::addColumn<QStringList>("report");  // each order's number cell as the report writes it
    QTest::addColumn<int>("answer");          // NoButton: no question expected
    QTest::addColumn<int>("asked");           // the count the question names
    QTest::addColumn<QStringList>("listed");  // the numbers its details list
    QTest::addColumn<QList<int>>("added");    // the report's orders that come in, in order

    const QStringList held{"1001", "1002", "1003"};
    const QStringList half{"1001", "2001", "1002", "2002"};
    const int none = QMessageBox::NoButton;

    // A leading zero makes another number.
    QTest::newRow("no overlap: no question") << held << QStringList{"2001", "0001001", "2002"} << none << 0
                                             << QStringList() << QList<int>{0, 1, 2};
    QTest::newRow("half overlap, yes") << held << half << int(QMessageBox::Yes) << 2 << QStringList{"1001", "1002"}
                                       << QList<int>{1, 3};
    QTest::newRow("half overlap, no") << held << half << int(QMessageBox::No) << 2 << QStringList{"1001", "1002"}
                                      << QList<int>{0, 1, 2, 3};
    QTest::newRow("half overlap, cancel") << held << half << int(QMessageBox::Cancel) << 2
                                          << QStringList{"1001", "1002"} << QList<int>{};
    // A number twice in the report comes in once, and the question counts it.
    QTest::newRow("repeated in the report, yes")
        << QStringList() << QStringList{"3001", "3002", "3001", "3001"} << int(QMessageBox::Yes) << 2
        << QStringList{"3001"} << QList<int>{0, 1};
    QTest::newRow("repeated in the report and held, yes")
        << held << QStringList{"1001", "3001", "1001", "3001"} << int(QMessageBox::Yes) << 3
        << QStringList{"1001", "3001"} << QList<int>{1};
    QTest::newRow("repeated in the report, no") << QStringList() << QStringList{"3001", "3001"}
                                                << int(QMessageBox::No) << 1 << QStringList{"3001"}
                                                << QList<int>{0, 1};
    // The details list the first twenty numbers, and say there are more.
    QStringList many, firstTwenty;
    for (int k = 0; k < 22; ++k)
        many << QString::number(5000 + k);
    firstTwenty = many.mid(0, 20) << "……";
    QTest::newRow("many held, yes") << many << many << int(QMessageBox::Yes) << 22 << firstTwenty << QList<int>{};
    // Orders without a number are never repeats and always come in.
    QTest::newRow("rows without numbers, yes") << held << QStringList{"", "1001", "", "2001"}
                                               << int(QMessageBox::Yes) << 1 << QStringList{"1001"}
                                               << QList<int>{0, 2, 3};
    QTest::newRow("only rows without numbers") << held << QStringList{"", ""} << none << 0 << QStringList()
                                               << QList<int>{0, 1};
    // Numbers compare as stored: ="…" in the report is the bare number; a
    // register order that holds the wrapped text literally is another one.
    QTest::newRow("wrapped and bare forms, yes")
        << QStringList{"1930679858170647", "=\"1930679858170649\""}
        << QStringList{"=\"1930679858170647\"", "1930679858170648", "=\"1930679858170648\"", "=\"1930679858170649\""}
        << int(QMessageBox::Yes) << 2 << QStringList{"1930679858170647", "1930679858170648"} << QList<int>{1, 3};
}

void TestImportDuplicates::askBeforeDoubling()
{
    QFETCH(QStringList, held);
    QFETCH(QStringList, report);
    QFETCH(int, answer);
    QFETCH(int, asked);
    QFETCH(QStringList, listed);
    QFETCH(QList<int>, added);

    ImportSession is(held);
    const int gridBefore = is.s.main->orders()->rowCount();
    const QStringList messages =
        is.import(writeReport(is.s.db.dir(), report), QMessageBox::StandardButton(answer));

    Rows expected;
    for (int k = 0; k < held.size(); ++k)
        expected << heldRow(k, held[k]);
    for (int i : added)
        expected << reportRow(i, report[i]);
    QCOMPARE(storedOrders(is.s.db.path()), expected);

    if (answer == QMessageBox::NoButton) {
        // Exactly as without the check.
        QCOMPARE(messages, QStringList{imported});
    } else if (answer == QMessageBox::Yes || answer == QMessageBox::No) {
        const int skipped = answer == QMessageBox::Yes ? int(report.size() - added.size()) : 0;
        QCOMPARE(messages, (QStringList{question(asked), importedWithCounts(int(added.size()), skipped)}));
        is.checkQuestion(asked, listed);
    } else {
        // Nothing more is said, and the grid is not reloaded.
        QCOMPARE(messages, QStringList{question(asked)});
        is.checkQuestion(asked, listed);
        QCOMPARE(is.s.main->orders()->rowCount(), gridBefore);
        return;
    }
    QCOMPARE(is.s.main->orders()->rowCount(), expected.size());
    QVERIFY(!QApplication::overrideCursor());
}

void TestImportDuplicates::sameWorkbookTwice_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("times");  // how often each order stands afterwards
    QTest::newRow("yes: once") << int(QMessageBox::Yes) << 1;
    QTest::newRow("no: twice") << int(QMessageBox::No) << 2;
    QTest::newRow("cancel: once") << int(QMessageBox::Cancel) << 1;
}

void TestImportDuplicates::sameWorkbookTwice()
{
    QFETCH(int, answer);
    QFETCH(int, times);
    ImportSession is;
    // LibreOffice's workbook: the order numbers are formulas ="…".
    const QString report = QStringLiteral(KX_FIXTURES_DIR "/import_report.xls");
    QCOMPARE(is.import(report), QStringList{imported});
    const Rows once = storedOrders(is.s.db.path());
    QCOMPARE(once.size(), 3);

    const QStringList messages = is.import(report, QMessageBox::StandardButton(answer));
    QCOMPARE(messages.first(), question(3));
    is.checkQuestion(3, {"1930679858170647", "1930679858170648", "0012345"});
    QCOMPARE(storedOrders(is.s.db.path()), times == 2 ? once + once : once);
    if (answer == QMessageBox::Cancel)
        QCOMPARE(messages.size(), 1);
    else
        QCOMPARE(messages.last(), answer == QMessageBox::Yes ? importedWithCounts(0, 3) : importedWithCounts(3, 0));
}

void TestImportDuplicates::anotherStationsOrdersCountToo()
{
    // While the question waits, another station adds one of the report's
    // new orders: Yes leaves that one out too, and the counts say so.
    ImportSession is({"1001"});
    is.s.fp.dialogs.onShown = [&](const test::FakeDialogs::Shown& shown) {
        if (shown.text == question(1))
            is.s.db.addOrder(heldOrder(1, "2002"));
    };
    const QStringList report{"1001", "2001", "2002"};
    const QStringList messages = is.import(writeReport(is.s.db.dir(), report), QMessageBox::Yes);
    QCOMPARE(messages, (QStringList{question(1), importedWithCounts(1, 2)}));
    QCOMPARE(storedOrders(is.s.db.path()), (Rows{heldRow(0, "1001"), heldRow(1, "2002"), reportRow(1, "2001")}));
}

void TestImportDuplicates::failureAfterTheQuestionKeepsNothing()
{
    // Yes, then a value that cannot be stored in the last order: all or
    // nothing, the new orders before it included.
    ImportSession is({"1001"});
    const QString path = writeReport(is.s.db.dir(), {"2001", "1001", "2002"});
    QFile f(path);
    QVERIFY(f.open(QIODevice::Append));
    f.write(QStringLiteral("坏单,13800000009,地址,申通快递,等待发货,一件,10.5,商品,buyer,2003,,2026-11-15\r\n").toUtf8());
    f.close();
    is.s.fp.dialogs.answers.enqueue(QMessageBox::Yes);
    is.w->reportPathEdit->setText(path);
    is.w->databasePathEdit->setText(is.s.db.path());
    QTest::mouseClick(is.w->importButton, Qt::LeftButton);
    const QStringList messages = is.s.fp.dialogs.texts();
    QCOMPARE(messages.size(), 2);
    QCOMPARE(messages[0], question(1));
    QVERIFY2(messages[1].startsWith(importFailed), qPrintable(messages[1]));
    QCOMPARE(storedOrders(is.s.db.path()), Rows{heldRow(0, "1001")});
}

void TestImportDuplicates::lookupComparesExactly()
{
    // Byte for byte as stored: blanks, letter case and full-width digits
    // make other numbers; a null number is none.
    test::TestDb db;
    for (const QVariant& n : {QVariant("A-1001"), QVariant(" 1002"), QVariant("１００３"), QVariant(), QVariant("1004")})
        db.addOrder({{"j", n}});
    Connection c;
    c.open(db.path(), schema::databaseKey);
    const QSet<QString> found =
        StoredOrderNumbers::among(c, {"A-1001", "a-1001", "1002", " 1002", "1003", "１００３", "1004", "", "1005"});
    QCOMPARE(found, (QSet<QString>{"A-1001", " 1002", "１００３", "1004"}));
    QVERIFY(StoredOrderNumbers::among(c, {}).isEmpty());
}

void TestImportDuplicates::lookupFollowsEveryWrite()
{
    // What a lookup found is kept only while nothing is written: an order
    // added through the same connection or by another station counts at
    // the next lookup.
    test::TestDb db;
    Connection c;
    c.open(db.path(), schema::databaseKey);
    RepeatedOrders repeats({"1001", "1002", QVariant(), "1003", "1002"});
    repeats.lookUp(c);
    QCOMPARE(repeats.count(), 1);
    c.exec("insert into data (j) values (?)", {"1001"});
    repeats.lookUp(c);
    QCOMPARE(repeats.count(), 2);
    db.addOrder({{"j", "1003"}});
    repeats.lookUp(c);
    QCOMPARE(repeats.count(), 3);
    QCOMPARE(repeats.firstNumbers(5), (QStringList{"1001", "1003", "1002"}));  // in the order met
    // The import's pass counts afresh after each lookup.
    QVERIFY(repeats.leaveOut("1001"));
    QVERIFY(!repeats.leaveOut("1002"));
    QVERIFY(!repeats.leaveOut(QVariant()));
    QVERIFY(repeats.leaveOut("1002"));
    QCOMPARE(repeats.leftOut(), 2);
    repeats.lookUp(c);
    QCOMPARE(repeats.leftOut(), 0);
    QVERIFY(!repeats.leaveOut("1002"));
}

QTEST_MAIN(TestImportDuplicates)
#include "tst_import_duplicates.moc"
