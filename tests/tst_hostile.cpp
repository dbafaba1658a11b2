#include "MainSession.h"
#include "Typing.h"

#include "access/LoginWindow.h"
#include "data/Schema.h"
#include "data/Database.h"
#include "orders/OrderEditorPanel.h"
#include "orders/OrderGrid.h"
#include "orders/OrderGridModel.h"
#include "orders/OrderRegister.h"
#include "orders/QuickSearchPanel.h"
#include "widgets/CommandRegistry.h"
#include "widgets/DateField.h"
#include "widgets/TwoLevelHeader.h"

#include <QAction>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using namespace kx;
namespace orderColumn = kx::schema::orderColumn;

namespace {

const QString conversionError = QStringLiteral("Could not convert variant of type (Null) into type (String).");
const QString damaged = QStringLiteral("数据库文件已损坏");

// Another station on the same file: a child program holding a lock on it
// until it is released.
class Station {
public:
    ~Station() { release(); }
    void hold(const QString& path, const QString& mode)
    {
        m_process.start(QStringLiteral(KX_CHILDREN_DIR "/hold_write_lock"), {path, mode});
        while (!m_process.canReadLine() && m_process.waitForReadyRead(30000)) {
        }
        QCOMPARE(m_process.readLine().trimmed(), QByteArray("locked"));
    }
    void release()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.closeWriteChannel();
        m_process.waitForFinished(30000);
    }

private:
    QProcess m_process;
};

using Fixture = std::function<void(test::TestDb&, Station&)>;

QVariantMap order(const QString& name, const QVariantMap& more = {})
{
    QVariantMap o{{"a", name},       {"b", "13800001111"}, {"c", "北京市朝阳区建国路1号"},
                  {"d", "申通快递"}, {"g", "未打印"},      {"day1", "2026-03-05"},
                  {"1", 1.0},        {"2", 25.5},          {"j", "T1001"},
                  {"h", "毛衣"},     {"i", "会员"},        {"k", ""},
                  {"z", ""}};
    for (auto it = more.begin(); it != more.end(); ++it)
        o[it.key()] = it.value();
    return o;
}

// Two ordinary orders, and then the given ones.
Fixture orders(const QList<QVariantMap>& hostile)
{
    return [hostile](test::TestDb& db, Station&) {
        db.addOrder(order("张三"));
        db.addOrder(order("李四", {{"j", "T1002"}}));
        for (const QVariantMap& o : hostile)
            db.addOrder(o);
    };
}

// Edits the file's bytes with the program's connections closed.
Fixture fileEdit(const std::function<void(QByteArray&)>& edit)
{
    return [edit](test::TestDb& db, Station&) {
        db.closeConnection();
        QFile f(db.path());
        QVERIFY(f.open(QIODevice::ReadWrite));
        QByteArray bytes = f.readAll();
        edit(bytes);
        QVERIFY(f.resize(0));
        QCOMPARE(f.write(bytes), bytes.size());
    };
}

void flip(QByteArray& bytes, qsizetype at, int count)
{
    for (qsizetype i = at; i < at + count; ++i)
        bytes[i] = char(~bytes[i]);
}

// The file's bytes, or what stands at its place.
QByteArray fingerprint(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return "folder:" + QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).join('|').toUtf8();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "missing";
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

void logInAsAdministrator(test::MainSession& s)
{
    s.logIn(schema::administrator, schema::initialPassword);
}

}  // namespace

Q_DECLARE_METATYPE(Fixture)

class TestHostile : public QObject {
    Q_OBJECT
private slots:
    void startUp_data();
    void startUp();
    void nullInEveryColumn();
    void brokenTextsChangedAndDeleted();
    void damagedPageMetLate();

private:
    void everydayWork(test::MainSession& s);
};

void TestHostile::startUp_data()
{
    QTest::addColumn<Fixture>("fixture");
    // What the start refuses the file with (the program shows it and ends);
    // empty when the program starts.
    QTest::addColumn<QString>("refusal");
    // Whether the login gets through.
    QTest::addColumn<bool>("works");
    // What every message shown after the start says; empty when none may be
    // shown.
    QTest::addColumn<QString>("shown");

    QTest::newRow("invalid UTF-8 in texts")
        << orders({order(QString(), {{"a", QByteArray("\xe5\xbc\xa0\xff\xfe")}, {"c", QByteArray("\xc0\xaf路")},
                                     {"d", QByteArray("\x80申通")}, {"day1", QByteArray("\xff")}})})
        << QString() << true << QString();
    // The same bytes as texts rather than blobs.
    QTest::newRow("invalid UTF-8 as text") << Fixture([](test::TestDb& db, Station& st) {
        orders({})(db, st);
        db.exec("insert into data (a,b,c,d,g,day1,[1],[2],j,h,i,k,z) values (cast(x'e5bca0fffe' as text),"
                " '138', cast(x'c0af' as text), cast(x'80e794b3e9809a' as text), '未打印', cast(x'ff' as text),"
                " 1, 2, cast(x'54ff' as text), cast(x'ed' as text), '', '', cast(x'f4908080' as text))");
    }) << QString() << true << QString();
    QTest::newRow("texts in the amount columns")
        << orders({order("王五", {{"1", "三件"}, {"2", "abc"}}), order("赵六", {{"1", ""}, {"2", "1e999"}})})
        << QString() << true << QString();
    QTest::newRow("dates that are not dates")
        << orders({order("王一", {{"day1", "abc"}}), order("王二", {{"day1", "2026-13-45"}}),
                   order("王三", {{"day1", ""}}), order("王四", {{"day1", 45678}}),
                   order("王五", {{"day1", 2026.5}})})
        << QString() << true << QString();
    QTest::newRow("a 100 KB address")
        << orders({order("王五", {{"c", test::repeatedText("北京市朝阳区建国路八十八号", 100 * 1024 / 3)}})})
        << QString() << true << QString();
    QTest::newRow("duplicate order numbers")
        << orders({order("王五", {{"j", "T1001"}}), order("王五", {{"j", "T1001"}})}) << QString() << true
        << QString();
    QTest::newRow("no users") << Fixture([](test::TestDb& db, Station& st) {
        orders({})(db, st);
        db.exec("delete from userdb");
    }) << QString() << true << QString("数据库中没有任何用户，已恢复超级管理员，密码为初始密码 507。");
    QTest::newRow("cut at half") << fileEdit([](QByteArray& b) { b.truncate(b.size() / 2); }) << damaged
                                 << false << QString();
    QTest::newRow("cut inside the header") << fileEdit([](QByteArray& b) { b.truncate(50); })
                                           << QString("file is encrypted or is not a database") << false
                                           << QString();
    // The middle of a new file is the users' page: the login cannot get
    // through, and every try says why.
    QTest::newRow("bytes flipped in the middle")
        << fileEdit([](QByteArray& b) { flip(b, b.size() / 2 + 100, 16); }) << QString() << false << damaged;
    QTest::newRow("a folder named data.mdb") << Fixture([](test::TestDb& db, Station&) {
        db.closeConnection();
        QVERIFY(QFile::remove(db.path()));
        QVERIFY(QDir().mkdir(db.path()));
    }) << QString("是一个文件夹，不是数据库文件") << false << QString();
    // A write transaction lets readers through: the program starts, and the
    // login's journal entry waits out the busy time and says why it failed;
    // once the other station is done, "登 录" again gets in.
    QTest::newRow("another station writing") << Fixture([](test::TestDb& db, Station& st) {
        orders({})(db, st);
        st.hold(db.path(), "immediate");
    }) << QString() << true << QString("另一台电脑正在写入数据库文件，请稍后再试");
    // One that shuts readers out stops the start after the busy time.
    QTest::newRow("another station's exclusive lock") << Fixture([](test::TestDb& db, Station& st) {
        st.hold(db.path(), "exclusive");
    }) << QString("另一台电脑正在写入数据库文件，请稍后再试") << false << QString();
}

// The program started on a hostile file either refuses it with a clear
// message and leaves it as it was, or works (logs in, and the everyday work
// runs), telling what fails in words the user can act on; it never crashes
// or hangs.
void TestHostile::startUp()
{
    QFETCH(Fixture, fixture);
    QFETCH(QString, refusal);
    QFETCH(bool, works);
    QFETCH(QString, shown);
    Station station;
    test::MainSession s(test::MainSession::Deferred{}, [&](test::TestDb& db) { fixture(db, station); });
    if (QTest::currentTestFailed())
        return;
    const QByteArray before = fingerprint(s.db.path());

    const QString refused = s.start();
    if (!refusal.isEmpty()) {
        QVERIFY2(refused.contains(refusal), qPrintable(refused));
        QVERIFY(!s.main);
        station.release();
        QCOMPARE(fingerprint(s.db.path()), before);
        return;
    }
    QVERIFY2(refused.isEmpty(), qPrintable(refused));
    QVERIFY(s.waitForLogin());
    logInAsAdministrator(s);
    // The user tries again once the other station is done.
    station.release();
    if (s.main->login()->isVisible())
        s.main->login()->loginButton->click();
    QCOMPARE(!s.main->login()->isVisible(), works);
    if (works) {
        QCOMPARE(s.main->journalNumber(), 1);
        everydayWork(s);
    }

    const QStringList texts = s.fp.dialogs.texts();
    if (shown.isEmpty())
        QVERIFY2(texts.isEmpty(), qPrintable(texts.join('|')));
    else
        QVERIFY2(!texts.isEmpty() && texts.filter(shown).size() == texts.size(), qPrintable(texts.join('|')));
}

// Show all, search, every order into the editor, scroll through the grid and
// export it.
void TestHostile::everydayWork(test::MainSession& s)
{
    QuickSearchPanel* search = s.main->quickSearch();
    Dataset& grid = s.dm->gridResult;
    search->showAllButton->click();
    QVERIFY(grid.isOpen());
    const int all = grid.rowCount();
    QVERIFY(all > 0);

    test::typeText(search->nameEdit, "王");
    QVERIFY(grid.isOpen());
    search->clearButton->click();
    search->showAllButton->click();
    QCOMPARE(grid.rowCount(), all);

    for (int row = 0; row < all; ++row) {
        grid.setCurrentRow(row);
        s.fp.platform.guard(s.main.get(), [&] { s.main->editor()->loadFromDoubleClick(); });
    }
    // A sort by each column in turn, by its title, as the user clicks it.
    OrderGrid* orderGrid = s.main->grid();
    QTableView* view = orderGrid->view();
    TwoLevelHeader* header = orderGrid->header();
    for (int column = 0; column < orderGrid->model()->columnCount(); ++column) {
        view->scrollTo(orderGrid->model()->index(0, column));
        const QPoint title(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                           header->height() * 3 / 4);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, title);
        view->viewport()->grab();
    }
    QCOMPARE(grid.rowCount(), all);
    view->scrollToBottom();
    view->viewport()->grab();
    view->scrollToTop();
    view->viewport()->grab();

    const QString exported = QDir(s.db.dir()).filePath("orders.xls");
    s.fp.dialogs.fileNames.enqueue(exported);
    s.main->commands()->action(Command::GridExport)->trigger();
    QVERIFY(QFileInfo(exported).size() > 0);
}

// A row of nulls only: the login's show-all stops with the conversion error,
// and the program goes on working around it.
void TestHostile::nullInEveryColumn()
{
    test::MainSession s([](test::TestDb& db) {
        db.addOrder(order("张三"));
        db.exec("insert into data default values");
        db.addOrder(order("李四", {{"j", "T1002"}}));
    });
    QVERIFY(s.waitForLogin());
    logInAsAdministrator(s);
    QCOMPARE(s.fp.dialogs.texts(), QStringList{conversionError});
    QVERIFY(!s.main->login()->isVisible());
    QCOMPARE(s.main->journalNumber(), 1);

    // A search finds the orders around it.
    s.fp.dialogs.clear();
    Dataset& grid = s.dm->gridResult;
    test::typeText(s.main->quickSearch()->nameEdit, "李");
    QCOMPARE(grid.rowCount(), 1);
    QCOMPARE(grid.field(orderColumn::recipientName).toString(), QString("李四"));

    // The null row itself loads nothing: it has no name.
    s.main->orders()->search("select * from data");
    QCOMPARE(grid.rowCount(), 3);
    grid.setCurrentRow(1);
    QVERIFY(s.fp.platform.guard(s.main.get(), [&] { s.main->editor()->loadFromDoubleClick(); }));
    QVERIFY(!s.main->editor()->loadedRowId());
    s.main->grid()->view()->viewport()->grab();

    // The editor adds an order; the show-all after it stops at the null row
    // again, the order is stored all the same.
    s.main->commands()->action(Command::NewOrder)->trigger();
    OrderEditorPanel* editor = s.main->editor();
    editor->printStatusBox->setEditText("未打印");
    editor->setDate(QDate(2026, 12, 10));
    editor->recipientNameEdit->setText("王五");
    editor->recipientMobileEdit->setText("13912345678");
    editor->recipientAddressEdit->setText("上海市浦东新区");
    editor->newButton->click();
    QCOMPARE(s.fp.dialogs.texts(), QStringList{conversionError});
    QCOMPARE(s.db.cli("select a, d, c from data where a='王五'"), QStringList{"王五|申通快递|上海市浦东新区"});
    s.main->quickSearch()->nameEdit->clear();
    test::typeText(s.main->quickSearch()->nameEdit, "五");
    QCOMPARE(grid.rowCount(), 1);
    QCOMPARE(s.fp.dialogs.texts(), QStringList{conversionError});
}

// An order whose texts are not well-formed UTF-8 shows them with
// replacement characters; changing it, deleting it or rewriting it still
// finds it by what is stored.
void TestHostile::brokenTextsChangedAndDeleted()
{
    test::MainSession s([](test::TestDb& db) {
        db.addOrder(order("张三"));
        for (const char* number : {"T2", "T3", "T4"})
            db.exec("insert into data (a,b,c,d,g,day1,[1],[2],j,h,i,k,z) values (cast(x'e69d8ee59b9bff' as text),"
                    " '13800001111', cast(x'c0afe8b7af' as text), '申通快递', '未打印', '2026-03-05', 1, 2, ?,"
                    " '', '', '', '')",
                    {number});
    });
    QVERIFY(s.waitForLogin());
    logInAsAdministrator(s);
    Dataset& grid = s.dm->gridResult;
    QCOMPARE(grid.rowCount(), 4);
    auto rowOf = [&](const QString& number) {
        for (int row = 0; row < grid.rowCount(); ++row)
            if (grid.value(row, grid.fieldIndex(orderColumn::orderNumber)).toString() == number)
                return row;
        return -1;
    };
    auto stored = [&](const QString& number) {
        return s.db.cli("select hex(a), b, hex(c) from data where j='" + number + "'");
    };

    // "修 改" after a double-click.
    grid.setCurrentRow(rowOf("T2"));
    QVERIFY(s.fp.platform.guard(s.main.get(), [&] { s.main->editor()->loadFromDoubleClick(); }));
    QCOMPARE(s.main->editor()->recipientNameEdit->text(), QString("李四\uFFFD"));
    s.main->editor()->recipientMobileEdit->setText("13900002222");
    s.main->editor()->saveChangesButton->click();
    QCOMPARE(s.fp.dialogs.texts(), QStringList());
    // The edited texts are stored as the editor shows them.
    QVERIFY2(stored("T2").value(0).startsWith("E69D8EE59B9BEFBFBD|13900002222|"), qPrintable(stored("T2").join('/')));

    // The grid's own writing of many rows: only the phone changes, the
    // broken texts stay the bytes they were.
    QVERIFY(s.fp.platform.guard(s.main.get(), [&] {
        s.main->orders()->changeRows({rowOf("T3")},
                                     [](int) { return FieldValues{{orderColumn::recipientMobile, "13900003333"}}; });
    }));
    QCOMPARE(stored("T3"), QStringList{"E69D8EE59B9BFF|13900003333|C0AFE8B7AF"});

    QVERIFY(s.fp.platform.guard(s.main.get(), [&] { s.main->orders()->deleteRows({rowOf("T4")}); }));
    QCOMPARE(s.db.scalar("select count(*) from data where j='T4'").toInt(), 0);
    QCOMPARE(s.fp.dialogs.texts(), QStringList());
}

// A damaged page deep in the orders, which opening the file never reads: the
// program starts, and every statement that meets the damage says so.
void TestHostile::damagedPageMetLate()
{
    test::MainSession s(test::MainSession::Deferred{}, [](test::TestDb& db) {
        db.exec("with recursive n(x) as (select 1 union all select x+1 from n where x<4000)"
                " insert into data (a,b,c,d,g,day1,[1],[2],j) select '张'||x, '13800001111',"
                " '北京市朝阳区建国路'||x||'号', '申通快递', '未打印', '2026-03-05', 1, 25.5, 'T'||x from n");
        // Three quarters into the file: orders, far from the other tables.
        Station none;
        fileEdit([](QByteArray& b) { flip(b, b.size() / 4 * 3 + 200, 16); })(db, none);
    });
    QCOMPARE(s.start(), QString());
    QVERIFY(s.waitForLogin());
    logInAsAdministrator(s);
    QVERIFY(!s.main->login()->isVisible());
    QCOMPARE(s.main->journalNumber(), 1);
    QCOMPARE(s.fp.dialogs.texts().size(), 1);
    QVERIFY2(s.fp.dialogs.lastText().startsWith(damaged), qPrintable(s.fp.dialogs.lastText()));

    // The show-all and a search meet it again; neither shows an empty or
    // partial list as if it were all.
    s.fp.dialogs.clear();
    s.main->quickSearch()->showAllButton->click();
    test::typeText(s.main->quickSearch()->nameEdit, "张");
    QCOMPARE(s.fp.dialogs.texts().size(), 2);
    QCOMPARE(s.fp.dialogs.texts().filter(damaged).size(), 2);
    QVERIFY(!s.dm->gridResult.isOpen() || s.dm->gridResult.rowCount() == 0);

    // What does not reach the damaged page still works: the exit's journal
    // entry.
    s.fp.dialogs.clear();
    s.fp.clock.moment = QDateTime(QDate(2026, 12, 10), QTime(18, 0, 1));
    s.main->close();
    QCOMPARE(s.fp.dialogs.texts(), QStringList());
    QCOMPARE(s.db.scalar("select jtime from rz").toString(), QString("2026-12-10 18:00:01"));
    // The exit's backup copy is refused rather than taking the place of a
    // sound one: the reason goes to its log.
    const QDir backups(QDir(s.db.dir()).filePath("backup"));
    QCOMPARE(backups.entryList({"*.mdb"}, QDir::Files), QStringList());
    QFile log(backups.filePath("backup.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString logged = QString::fromUtf8(log.readAll());
    QVERIFY2(logged.contains("退出时的备份没有完成"), qPrintable(logged));
}

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
