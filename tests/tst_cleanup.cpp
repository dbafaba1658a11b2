// "优化导入数据" and "优化收件地址" under "批量导入", through the main window's
// command entries.

#include "MainSession.h"
#include "Typing.h"

#include "app/MainWindow.h"
#include "data/Connection.h"
#include "data/SenderProfile.h"
#include "data/Database.h"
#include "importui/ImportCleanup.h"
#include "orders/GridColumn.h"
#include "orders/OrderGrid.h"
#include "orders/OrderGridModel.h"
#include "orders/OrderRegister.h"
#include "orders/QuickSearchPanel.h"
#include "waybill/SenderPanel.h"
#include "widgets/CommandRegistry.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

using namespace kx;

namespace {

const QString today = QStringLiteral("2026-12-10");
const QString nullText = QStringLiteral("Could not convert variant of type (Null) into type (String).");

// An address in the layout and what "优化收件地址" makes of it.
const QString layoutAddress = QStringLiteral("浙江省 杭州市 西湖区 浙江省杭州市西湖区文三路100号");
const QString tidiedAddress = QStringLiteral("浙江省杭州市西湖区文三路100号");

// The main window over a fixture, with the login window already up, so that
// it does not come up in the middle of a command that lets events through.
struct Session : test::MainSession {
    explicit Session(const std::function<void(test::TestDb&)>& fixture) : MainSession(fixture) { waitForLogin(); }

    void run(Command command) { main->commands()->action(command)->trigger(); }
    Dataset& grid() const { return dm->gridResult; }
    // The grid's text in a column for each row, top to bottom.
    QStringList shown(GridColumn column) const
    {
        QStringList texts;
        for (int row = 0; row < main->grid()->model()->rowCount(); ++row)
            texts << main->grid()->model()->displayText(row, column);
        return texts;
    }
    // Mobile and address of every order in storage order, quoted as the
    // engine quotes them (so a null shows as NULL, an empty text as '').
    QStringList stored() const { return db.cli("select a, quote(b), quote(c) from data order by rowid"); }
};

QString storedRow(const QString& name, const QString& mobile, const QString& address)
{
    return name + "|'" + mobile + "'|'" + address + "'";
}

void addUntidied(test::TestDb& db, const QString& name, const QVariant& mobile = "8613812345678",
                 const QVariant& address = layoutAddress)
{
    db.addOrder({{"a", name}, {"b", mobile}, {"c", address}, {"d", "申通快递"}});
}

}  // namespace

class TestCleanup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void cleanImported_data();
    void cleanImported();
    void cleanImportedStopsAtFailure_data();
    void cleanImportedStopsAtFailure();

    void cleanAddresses_data();
    void cleanAddresses();
    void cleanAddressesAfterSearch();
    void cleanAddressesOnEmptyResult();
    void cleanAddressesStopsAtNull_data();
    void cleanAddressesStopsAtNull();
    void cleanAddressesStopsAtChangedRow();
    void cleanAddressesThenShowAllFails();
    void progressBetweenChunks();
};

void TestCleanup::initTestCase()
{
    Connection::setTodayProvider([] { return today; });
}

void TestCleanup::cleanupTestCase()
{
    Connection::setTodayProvider({});
}

void TestCleanup::cleanImported_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("courier");
    QTest::newRow("toolbar menu, a quote in the courier") << int(Command::CleanImported) << "韵达'快运";
    QTest::newRow("grid menu") << int(Command::GridCleanImported) << "顺丰速运";
    QTest::newRow("empty courier box") << int(Command::CleanImported) << "";
}

// Only the orders still as an import left them — status null, or status
// equal to the remark and neither "未打印" nor "已打印" — get the courier box's
// text as typed, "未打印" and today's date, whether the grid lists them or
// not. Orders printed or typed in by hand keep courier, status and date; the
// grid then lists every order.
void TestCleanup::cleanImported()
{
    QFETCH(int, command);
    QFETCH(QString, courier);
    const QString waiting = QStringLiteral("买家已付款，等待卖家发货");
    Session s([&](test::TestDb& db) {
        // Imported, printed and marked so by hand last week.
        db.addOrder({{"a", "甲"}, {"d", "申通快递"}, {"g", "已打印"}, {"z", waiting}, {"day1", "2026-12-03 10:20:30"}});
        // Imported: the shop's status in both, courier and date as the report had them.
        db.addOrder({{"a", "乙"}, {"d", "快递"}, {"g", waiting}, {"z", waiting}, {"day1", "2026-12-09 08:00:00"}});
        // Imported with an empty status cell, by this program (empty texts)
        // and by an earlier one (nulls).
        db.addOrder({{"a", "丙"}, {"g", ""}, {"z", ""}});
        db.addOrder({{"a", "丁"}});
        // Typed in by hand: a status of the list, and one typed in with a remark.
        db.addOrder({{"a", "戊"}, {"d", "EMS邮政快递"}, {"g", "未打印"}, {"z", "未打印"}, {"day1", "2025-12-31"}});
        db.addOrder({{"a", "己"}, {"d", "顺丰速运"}, {"g", "加急"}, {"z", "周末送"}, {"day1", "2026-11-30"}});
        // Cleaned yesterday, printed since.
        db.addOrder({{"a", "庚"}, {"d", "韵达快递"}, {"g", "已打印"}, {"z", "已打印"}, {"day1", "2026-12-09"}});
    });
    test::typeText(s.main->quickSearch()->nameEdit, "甲");
    QCOMPARE(s.grid().rowCount(), 1);
    s.main->senderPanel()->defaultCourierBox->setEditText(courier);
    QCOMPARE(s.main->senderProfile()->courier(), courier);

    s.run(Command(command));

    QVERIFY2(s.fp.dialogs.shown.isEmpty(), qPrintable(s.fp.dialogs.lastText()));
    const QString cleaned = courier + "|未打印|" + today;
    QCOMPARE(s.db.cli("select a, d, g, day1 from data order by rowid"),
             QStringList({"甲|申通快递|已打印|2026-12-03 10:20:30", "乙|" + cleaned, "丙|" + cleaned, "丁|" + cleaned,
                          "戊|EMS邮政快递|未打印|2025-12-31", "己|顺丰速运|加急|2026-11-30",
                          "庚|韵达快递|已打印|2026-12-09"}));
    // The remarks are the import's record of the shop's status: untouched.
    QCOMPARE(s.db.scalar("select count(*) from data where z is ?", {waiting}).toInt(), 2);
    QCOMPARE(s.grid().sql(), QString("select * from data"));
    QCOMPARE(s.main->grid()->rowCountText(), QString("共7条记录"));
    QCOMPARE(s.shown(CourierColumn), QStringList({"申通快递", courier, courier, courier, "EMS邮政快递", "顺丰速运", "韵达快递"}));
    QCOMPARE(s.shown(StatusColumn), QStringList({"已打印", "未打印", "未打印", "未打印", "未打印", "加急", "已打印"}));
    QVERIFY(s.main->grid()->model()->isPrinted(0));
    QVERIFY(!s.main->grid()->model()->isPrinted(1));

    // The next day's clean-up finds nothing left to change.
    s.main->senderPanel()->defaultCourierBox->setEditText("圆通速递");
    s.run(Command(command));
    QCOMPARE(s.db.scalar("select count(*) from data where d='圆通速递'").toInt(), 0);
}

void TestCleanup::cleanImportedStopsAtFailure_data()
{
    QTest::addColumn<QString>("refused");
    QTest::newRow("courier") << "d";
    QTest::newRow("print status") << "g";
    QTest::newRow("date") << "day1";
}

// A change the database refuses ends the command with nothing changed: the
// three changes are one statement. The grid shows no rows and keeps its count
// text until "全部记录".
void TestCleanup::cleanImportedStopsAtFailure()
{
    // The failure is made with a trigger of the file's engine.
    KX_FILE_ONLY();
    QFETCH(QString, refused);
    Session s([&](test::TestDb& db) {
        db.addOrder({{"a", "甲"}, {"d", "申通快递"}, {"g", "等待发货"}, {"z", "等待发货"}, {"day1", "2026-01-05"}});
        db.addOrder({{"a", "乙"}, {"d", "申通快递"}, {"g", "等待发货"}, {"z", "等待发货"}, {"day1", "2026-01-05"}});
        db.exec("create trigger refuse before update of " + refused +
                " on data begin select raise(abort, '不能修改'); end");
    });
    s.run(Command::GridShowAll);
    QCOMPARE(s.grid().rowCount(), 2);
    s.main->senderPanel()->defaultCourierBox->setEditText("韵达快运");
    QSignalSpy reloads(s.main->orders(), &OrderRegister::rowCountTextChanged);

    s.run(Command::CleanImported);

    QCOMPARE(s.fp.dialogs.texts(), QStringList{"不能修改."});
    QCOMPARE(s.db.cli("select d, g, day1 from data"), QStringList(2, "申通快递|等待发货|2026-01-05"));
    QVERIFY(!s.grid().isOpen());
    QCOMPARE(s.main->grid()->model()->rowCount(), 0);
    QCOMPARE(s.main->orders()->rowCount(), 0);
    QCOMPARE(reloads.count(), 0);
    QCOMPARE(s.main->grid()->rowCountText(), QString("共2条记录"));

    s.run(Command::GridShowAll);
    QCOMPARE(s.main->grid()->model()->rowCount(), 2);
}

void TestCleanup::cleanAddresses_data()
{
    QTest::addColumn<QString>("mobile");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("newMobile");
    QTest::addColumn<QString>("newAddress");
    QTest::newRow("13 characters, layout") << "8613812345678" << layoutAddress << "13812345678" << tidiedAddress;
    QTest::newRow("12 characters, names repeated")
        << "013912345678" << "江苏省 南京市 鼓楼区 南京市鼓楼区中山北路1号" << "13912345678"
        << "江苏省南京市鼓楼区中山北路1号";
    QTest::newRow("11 characters, outside the layout, blanks around")
        << "13712345678" << "  上海市浦东新区张江路8号 \t" << "13712345678" << "上海市浦东新区张江路8号";
    QTest::newRow("short, street past 80 bytes kept whole")
        << "5551234" << "广东省 深圳市 南山区 " + test::repeatedText("科技园路", 45) + "八九十号楼" << "5551234"
        << "广东省深圳市南山区" + test::repeatedText("科技园路", 45) + "八九十号楼";
    // Formatting goes before the last 11 are taken, so the number stays whole.
    QTest::newRow("formatted with country code") << "+86 138-1234-5678" << layoutAddress << "13812345678" << tidiedAddress;
    QTest::newRow("full-width formatting")
        << "＋86（138）1234\u30005678" << layoutAddress << "13812345678" << tidiedAddress;
    QTest::newRow("blanks only") << "138 1234 5678" << layoutAddress << "13812345678" << tidiedAddress;
    QTest::newRow("11 characters with hyphens stay") << "138-1234-56" << layoutAddress << "138-1234-56" << tidiedAddress;
    QTest::newRow("empty texts") << "" << "" << "" << "";
    QTest::newRow("already tidied") << "13812345678" << tidiedAddress << "13812345678" << tidiedAddress;
}

void TestCleanup::cleanAddresses()
{
    QFETCH(QString, mobile);
    QFETCH(QString, address);
    QFETCH(QString, newMobile);
    QFETCH(QString, newAddress);
    Session s([&](test::TestDb& db) {
        addUntidied(db, "甲");
        addUntidied(db, "乙", mobile, address);
    });
    s.run(Command::GridShowAll);

    s.run(Command::CleanAddresses);

    QVERIFY2(s.fp.dialogs.shown.isEmpty(), qPrintable(s.fp.dialogs.lastText()));
    QCOMPARE(s.stored(), QStringList({storedRow("甲", "13812345678", tidiedAddress),
                                      storedRow("乙", newMobile, newAddress)}));
    QCOMPARE(s.shown(AddressColumn), QStringList({tidiedAddress, newAddress}));
}

// Only the rows the grid lists are tidied; afterwards it lists every order.
void TestCleanup::cleanAddressesAfterSearch()
{
    Session s([](test::TestDb& db) {
        for (const char* name : {"甲", "乙", "丙"})
            addUntidied(db, name);
    });
    s.run(Command::GridShowAll);
    test::typeText(s.main->quickSearch()->nameEdit, "乙");
    QCOMPARE(s.grid().rowCount(), 1);

    s.run(Command::CleanAddresses);

    QVERIFY(s.fp.dialogs.shown.isEmpty());
    QCOMPARE(s.stored(), QStringList({storedRow("甲", "8613812345678", layoutAddress),
                                      storedRow("乙", "13812345678", tidiedAddress),
                                      storedRow("丙", "8613812345678", layoutAddress)}));
    QCOMPARE(s.grid().sql(), QString("select * from data"));
    QCOMPARE(s.main->grid()->model()->rowCount(), 3);
    QCOMPARE(s.main->grid()->rowCountText(), QString("共3条记录"));
}

void TestCleanup::cleanAddressesOnEmptyResult()
{
    Session s([](test::TestDb& db) {
        addUntidied(db, "甲");
        addUntidied(db, "乙");
    });
    test::typeText(s.main->quickSearch()->nameEdit, "丁");
    QCOMPARE(s.grid().rowCount(), 0);
    QSignalSpy progress(s.main->cleanup(), &ImportCleanup::progress);

    s.run(Command::CleanAddresses);

    QVERIFY(s.fp.dialogs.shown.isEmpty());
    QCOMPARE(s.stored(), QStringList({storedRow("甲", "8613812345678", layoutAddress),
                                      storedRow("乙", "8613812345678", layoutAddress)}));
    QCOMPARE(progress.count(), 0);
    QCOMPARE(s.main->grid()->model()->rowCount(), 2);
    QCOMPARE(s.main->grid()->rowCountText(), QString("共2条记录"));
}

void TestCleanup::cleanAddressesStopsAtNull_data()
{
    QTest::addColumn<bool>("nullMobile");
    QTest::newRow("mobile") << true;
    QTest::newRow("address") << false;
}

// The walk follows the grid's order, here sorted by name: 甲 乙 丙 丁. A null
// at 丙 stops it there with the conversion error. 甲 and 乙 stay tidied, in
// the table and in the grid; 丙 and 丁 stay as they were; no reload.
void TestCleanup::cleanAddressesStopsAtNull()
{
    QFETCH(bool, nullMobile);
    Session s([&](test::TestDb& db) {
        addUntidied(db, "丙", nullMobile ? QVariant() : QVariant("8613812345678"),
                    nullMobile ? QVariant(layoutAddress) : QVariant());
        addUntidied(db, "甲");
        addUntidied(db, "丁");
        addUntidied(db, "乙");
    });
    s.run(Command::GridShowAll);
    s.main->grid()->sortByTitle(NameColumn, false);
    QCOMPARE(s.shown(NameColumn), QStringList({"甲", "乙", "丙", "丁"}));
    QSignalSpy reloads(s.main->orders(), &OrderRegister::rowCountTextChanged);

    s.run(Command::CleanAddresses);

    QCOMPARE(s.fp.dialogs.texts(), QStringList{nullText});
    const QString untidied = nullMobile ? "NULL|'" + layoutAddress + "'" : "'8613812345678'|NULL";
    QCOMPARE(s.stored(), QStringList({"丙|" + untidied, storedRow("甲", "13812345678", tidiedAddress),
                                      storedRow("丁", "8613812345678", layoutAddress),
                                      storedRow("乙", "13812345678", tidiedAddress)}));
    QCOMPARE(reloads.count(), 0);
    QCOMPARE(s.shown(NameColumn), QStringList({"甲", "乙", "丙", "丁"}));
    QCOMPARE(s.shown(MobileColumn),
             QStringList({"13812345678", "13812345678", nullMobile ? "" : "8613812345678", "8613812345678"}));
    QCOMPARE(s.shown(AddressColumn),
             QStringList({tidiedAddress, tidiedAddress, nullMobile ? layoutAddress : "", layoutAddress}));
    QCOMPARE(s.grid().currentRow(), 2);
    QCOMPARE(s.main->statusPanel(0)->text(), QString());
}

// Another station changed 丙 after the grid fetched it: its row cannot be
// located, the rows before stay tidied, 丙 and the rest are not touched.
void TestCleanup::cleanAddressesStopsAtChangedRow()
{
    Session s([](test::TestDb& db) {
        for (const char* name : {"甲", "乙", "丙", "丁"})
            addUntidied(db, name);
    });
    s.run(Command::GridShowAll);
    s.db.exec("update data set z='另一站改过' where a='丙'");
    QSignalSpy reloads(s.main->orders(), &OrderRegister::rowCountTextChanged);

    s.run(Command::CleanAddresses);

    QCOMPARE(s.fp.dialogs.texts(), QStringList{Dataset::rowCannotBeLocated()});
    QCOMPARE(s.stored(), QStringList({storedRow("甲", "13812345678", tidiedAddress),
                                      storedRow("乙", "13812345678", tidiedAddress),
                                      storedRow("丙", "8613812345678", layoutAddress),
                                      storedRow("丁", "8613812345678", layoutAddress)}));
    QCOMPARE(s.db.scalar("select z from data where a='丙'").toString(), QString("另一站改过"));
    QCOMPARE(reloads.count(), 0);
    QCOMPARE(s.shown(AddressColumn), QStringList({tidiedAddress, tidiedAddress, layoutAddress, layoutAddress}));
}

// An order still without a courier: every listed row is tidied, then the
// closing "全部记录" stops at the courier list as it always does there; the
// grid keeps showing the rows, tidied.
void TestCleanup::cleanAddressesThenShowAllFails()
{
    Session s([](test::TestDb& db) {
        addUntidied(db, "甲");
        addUntidied(db, "乙");
        db.exec("update data set d=null where a='乙'");
    });
    test::typeText(s.main->quickSearch()->mobileEdit, "86");
    QCOMPARE(s.grid().rowCount(), 2);
    const QString searched = s.grid().sql();

    s.run(Command::CleanAddresses);

    QCOMPARE(s.fp.dialogs.texts(), QStringList{nullText});
    QCOMPARE(s.stored(), QStringList({storedRow("甲", "13812345678", tidiedAddress),
                                      storedRow("乙", "13812345678", tidiedAddress)}));
    QCOMPARE(s.grid().sql(), searched);
    QCOMPARE(s.shown(AddressColumn), QStringList(2, tidiedAddress));
    QCOMPARE(s.main->grid()->rowCountText(), QString());
}

// The walk reports how far it got, ending at the whole count, and the status
// bar shows it; at every report nothing is left uncommitted, so another
// station can write at once.
void TestCleanup::progressBetweenChunks()
{
    constexpr int orders = 20000;
    Session s([&](test::TestDb& db) {
        db.exec(QString("with recursive n(i) as (select 1 union all select i+1 from n where i<%1) "
                        "insert into data (a,b,c,d) select '客'||i, '86138'||(10000000+i), ?, '申通快递' from n")
                    .arg(orders),
                {layoutAddress});
    });
    s.run(Command::GridShowAll);
    QList<int> done;
    QStringList status;
    QStringList blocked;
    connect(s.main->cleanup(), &ImportCleanup::progress, this, [&](int n, int total) {
        QCOMPARE(total, orders);
        done << n;
        status << s.main->statusPanel(0)->text();
        try {
            s.db.exec("update post set a=a");
        } catch (const std::exception& e) {
            blocked << QString::fromUtf8(e.what());
        }
    });

    s.run(Command::CleanAddresses);

    QVERIFY(s.fp.dialogs.shown.isEmpty());
    QVERIFY(done.size() >= 2);
    QCOMPARE(done.first(), 0);
    QCOMPARE(done.last(), orders);
    for (int i = 1; i < done.size(); ++i)
        QVERIFY(done[i] > done[i - 1]);
    for (int i = 0; i < done.size(); ++i)
        QCOMPARE(status[i], QString("正在优化收件地址… %1/%2").arg(done[i]).arg(orders));
    QCOMPARE(blocked, QStringList());
    QCOMPARE(s.main->statusPanel(0)->text(), QString());
    QCOMPARE(s.db.scalar("select count(*) from data where c=? and length(b)=11", {tidiedAddress}).toInt(), orders);
}

QTEST_MAIN(TestCleanup)
#include "tst_cleanup.moc"
