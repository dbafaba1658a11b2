#include "Fakes.h"
#include "TestDb.h"

#include "core/ConversionError.h"
#include "core/DbError.h"
#include "core/TextValue.h"
#include "data/DataOps.h"
#include "data/PasswordHash.h"
#include "data/Schema.h"
#include "data/SqlText.h"
#include "data/Statement.h"
#include "data/Database.h"
#include "data/Utf8Decode.h"
#include "orders/OrderRegister.h"
#include "widgets/ControlOps.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <sqlite3.h>

using namespace kx;
namespace orderColumn = kx::schema::orderColumn;

class TestData : public QObject {
    Q_OBJECT
private slots:
    void connectionFailures_data();
    void connectionFailures();
    void fileIsEncrypted();
    void jetDialect();
    void quotedIdentifier_data();
    void quotedIdentifier();
    void trimRules_data();
    void trimRules();
    void requiredFieldCheck_data();
    void requiredFieldCheck();
    void queryOpenerAndRunner();
    void columnListFill();
    void columnListFillNullFirst();
    void columnListFillEmptyTable();
    void datasetWritesThroughByRowId();
    void datasetRefusesAStaleRow();
    void datasetSortIsStableAndKeepsCurrent();
    void datasetKeepsValuesExactly();
    void utf8Decoding_data();
    void utf8Decoding();
    void datasetTextReadAfterDeleteAndSort();
    void rowOfIdFollowsTheResult();
    void changeRowsKeepsTheCopyTrue();
    void repeatedStatementsRunAfresh();
    void resultsFollowEachOther();
    void nullConversion();
    void newdbRefusesOverwrite();
    void reconnectFetchesNoOrders();
};

void TestData::connectionFailures_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing file") << "remove" << "Could not find file";
    QTest::newRow("wrong password") << "rekey" << "file is encrypted or is not a database";
    // What an interrupted copy or creation leaves behind.
    QTest::newRow("zero bytes") << "truncate" << "file is encrypted or is not a database.";
    QTest::newRow("none of the tables") << "drop" << "file is encrypted or is not a database.";
}

void TestData::connectionFailures()
{
    KX_FILE_ONLY();
    QFETCH(QString, setup);
    QFETCH(QString, message);
    test::TestDb db;
    if (setup == "remove") {
        db.closeConnection();
        QFile::remove(db.path());
    } else if (setup == "truncate") {
        db.closeConnection();
        QFile(db.path()).resize(0);
    } else if (setup == "drop") {
        for (const char* table : {"data", "post", "userdb", "rz", "data1"})
            db.exec(QString("drop table [%1]").arg(table));
    } else {
        db.exec("PRAGMA rekey='another'");
    }
    try {
        Database dm;
        QFAIL("opened");
    } catch (const DbError& e) {
        QVERIFY2(e.message().contains(message), qPrintable(e.message()));
    }
    // A failed open never leaves a file behind.
    QCOMPARE(QFile::exists(db.path()), setup != "remove");
}

void TestData::fileIsEncrypted()
{
    KX_FILE_ONLY();
    test::TestDb db;
    QFile f(db.path());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(!f.read(16).startsWith("SQLite format 3"));
    // The independent tool reads the schema only with the password.
    QCOMPARE(db.cli("select username, substr(passwd, 1, 10) from userdb"), QStringList{"超级管理员|$argon2id$"});
    const QStringList tables = db.cli("select name from sqlite_master where type='table' order by name");
    for (const char* t : {"data", "data1", "post", "rz", "userdb"})
        QVERIFY2(tables.contains(t), t);
}

void TestData::jetDialect()
{
    test::TestDb db;
    Connection::setTodayProvider([] { return QStringLiteral("2026-12-31"); });
    Database dm;
    db.addOrder({{"a", "张三"}, {"1", 2.0}, {"2", 9.5}, {"d", "申通快递"}});
    openQuery(dm.scratch, "select Date() as t, [1]+[2] as s from data where d like '%' || ? || '%'", {"申通"});
    QCOMPARE(dm.scratch.rowCount(), 1);
    QCOMPARE(dm.scratch.field("t").toString(), QString("2026-12-31"));
    QCOMPARE(dm.scratch.field("s").toDouble(), 11.5);
    Connection::setTodayProvider({});
    // A typed value is bound and never changes the statement.
    openQuery(dm.scratch, "select * from data where a=?", {"' or '1'='1"});
    QCOMPARE(dm.scratch.rowCount(), 0);
}

void TestData::quotedIdentifier_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("quoted");
    // The statements' own form for every name the engine reads bracketed.
    QTest::newRow("letter") << "a" << "[a]";
    QTest::newRow("digit") << "1" << "[1]";
    QTest::newRow("Chinese, blank") << "收件 人" << "[收件 人]";
    QTest::newRow("quotes") << "a\"b'c" << "[a\"b'c]";
    QTest::newRow("opening bracket") << "[a" << "[[a]";
    // The engine ends a bracketed name at its first "]".
    QTest::newRow("closing bracket") << "]" << "\"]\"";
    QTest::newRow("bracket and quote") << "a]\"b" << "\"a]\"\"b\"";
    QTest::newRow("crafted") << "a] is ? or 1=1 or [a" << "\"a] is ? or 1=1 or [a\"";
}

// The quoted name is the text expected, and the engine reads it as exactly
// that column: it makes the column under that name, and a select of it
// gives the column's value, not an error or the name as a text.
void TestData::quotedIdentifier()
{
    QFETCH(QString, name);
    QFETCH(QString, quoted);
    QCOMPARE(quoteIdentifier(name), quoted);
    sqlite3* raw = nullptr;
    QCOMPARE(sqlite3_open(":memory:", &raw), SQLITE_OK);
    const std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, &sqlite3_close);
    Statement(raw, "create table t (x, " + quoted + ")").step();
    Statement(raw, "insert into t values ('other', 'value')").step();
    Statement columns(raw, "pragma table_info(t)");
    QStringList names;
    while (columns.step())
        names << columns.value(1).toString();
    QCOMPARE(names, (QStringList{"x", name}));
    Statement read(raw, "select " + quoted + " from t where " + quoted + " is ?", {"value"});
    QVERIFY(read.step());
    QCOMPARE(read.value(0).toString(), QString("value"));
}

void TestData::trimRules_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("blanks") << "  x y  " << "x y";
    QTest::newRow("controls") << "\t\r\nx\x01" << "x";
    QTest::newRow("full-width blank stays") << "\u3000x\u3000" << "\u3000x\u3000";
    QTest::newRow("only blanks") << "   " << "";
}

void TestData::trimRules()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(trimControl(in), out);
}

void TestData::requiredFieldCheck_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::newRow("blanks only") << "   " << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("x with blanks") << " x " << true;
}

void TestData::requiredFieldCheck()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    test::FakePlatform fp;
    QWidget window;
    auto* other = new QLineEdit(&window);
    auto* edit = new QLineEdit(text, &window);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    QCOMPARE(kx::requiredFieldCheck(fp.dialogs, edit, "必须输入！"), ok);
    if (ok) {
        QVERIFY(fp.dialogs.shown.isEmpty());
    } else {
        QCOMPARE(fp.dialogs.shown.size(), 1);
        QCOMPARE(fp.dialogs.shown[0].caption, QString("Warning"));
        QCOMPARE(fp.dialogs.shown[0].text, QString("必须输入！"));
        QCOMPARE(fp.dialogs.shown[0].icon, Dialogs::Icon::Warning);
        QCOMPARE(fp.dialogs.shown[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(edit->hasFocus());
    }
}

void TestData::queryOpenerAndRunner()
{
    test::TestDb db;
    Database dm;
    runStatement(dm.scratch, "insert into userdb values (?,?)", {"甲", "1"});
    QVERIFY(!dm.scratch.isOpen());
    openQuery(dm.scratch, "select username from userdb order by username");
    QVERIFY(dm.scratch.isOpen());
    QCOMPARE(dm.scratch.rowCount(), 2);
    QCOMPARE(dm.scratch.currentRow(), 0);
    // An engine error escapes with its message and leaves the dataset closed.
    try {
        openQuery(dm.scratch, "select nothing from userdb");
        QFAIL("no error");
    } catch (const DbError& e) {
        QVERIFY2(e.message().contains("no such column") || e.message().contains("does not exist"),
                 qPrintable(e.message()));
    }
    QVERIFY(!dm.scratch.isOpen());
}

void TestData::columnListFill()
{
    test::TestDb db;
    db.addOrder({{"d", "申通快递"}});
    db.addOrder({{"d", "EMS邮政快递"}});
    db.addOrder({{"d", "申通快递"}});
    db.addOrder({{"d", ""}});
    Database dm;
    QComboBox box;
    box.setEditable(true);
    box.setEditText("旧");
    QSignalSpy spy(&box, &QComboBox::editTextChanged);
    fillColumnList(dm.scratch, orderColumn::courier, "data", &box);
    QCOMPARE(box.count(), 3);
    QCOMPARE(box.itemText(0), QString(""));
    QCOMPARE(box.itemText(1), QString("EMS邮政快递"));
    QCOMPARE(box.itemText(2), QString("申通快递"));
    QCOMPARE(box.currentText(), QString());
    QCOMPARE(spy.count(), 0);
}

void TestData::columnListFillNullFirst()
{
    test::TestDb db;
    db.addOrder({{"d", "申通快递"}});
    db.addOrder({{"a", "无快递"}});  // d stays null
    Database dm;
    QComboBox box;
    box.setEditable(true);
    box.addItem("旧");
    try {
        fillColumnList(dm.scratch, orderColumn::courier, "data", &box);
        QFAIL("no error");
    } catch (const ConversionError& e) {
        QCOMPARE(e.message(), QString("Could not convert variant of type (Null) into type (String)"));
    }
    QCOMPARE(box.count(), 0);
    QCOMPARE(box.currentText(), QString());
}

void TestData::columnListFillEmptyTable()
{
    test::TestDb db;
    Database dm;
    QComboBox box;
    box.setEditable(true);
    box.setEditText("x");
    fillColumnList(dm.scratch, orderColumn::courier, "data", &box);
    QCOMPARE(box.count(), 0);
    QCOMPARE(box.currentText(), QString());
}

void TestData::datasetWritesThroughByRowId()
{
    test::TestDb db;
    for (const char* n : {"甲", "乙", "丙"})
        db.addOrder({{"a", n}, {"k", "留言"}});
    Database dm;
    openQuery(dm.gridResult, "select * from data");
    dm.gridResult.sortBy(dm.gridResult.fieldIndex(orderColumn::recipientName), Qt::DescendingOrder);
    const int row = dm.gridResult.rowOfId(dm.gridResult.rowId(1));
    dm.gridResult.updateRow(row, {{orderColumn::recipientName, "改"}, {orderColumn::quantity, 3.0}});
    QCOMPARE(dm.gridResult.value(row, dm.gridResult.fieldIndex(orderColumn::recipientName)).toString(), QString("改"));
    dm.gridResult.deleteRow(0);
    QCOMPARE(dm.gridResult.rowCount(), 2);
    QStringList rows = db.cli("select a, k, [1] from data order by rowid");
    QCOMPARE(rows.size(), 2);
    // Each engine's own client writes a whole double its own way.
    QVERIFY(rows.contains(test::TestDb::onServer() ? "改|留言|3" : "改|留言|3.0"));
}

// An order another station changed since it was fetched is not written over:
// the edit is refused with the stale-row error, the table keeps the other
// station's value and the fetched copy what it showed; the order's
// neighbour is edited as usual and shows what was written.
void TestData::datasetRefusesAStaleRow()
{
    test::TestDb db;
    for (const char* n : {"甲", "乙"})
        db.addOrder({{"a", n}, {"k", "留言"}});
    Database dm;
    Dataset& q = dm.gridResult;
    openQuery(q, "select * from data");
    const int a = q.fieldIndex(orderColumn::recipientName);
    const int z = q.fieldIndex(orderColumn::remark);
    db.exec("update data set k = '别处改' where a = '甲'");
    try {
        q.updateRow(0, {{orderColumn::remark, "这里改"}});
        QFAIL("the stale row was written");
    } catch (const DbError& e) {
        QCOMPARE(e.message(), Dataset::rowCannotBeLocated());
    }
    QCOMPARE(db.cli("select a, k, z from data order by rowid"), QStringList({"甲|别处改|", "乙|留言|"}));
    QVERIFY(q.isNull(0, z));
    q.updateRow(1, {{orderColumn::remark, "这里改"}});
    QCOMPARE(q.text(1, a), QStringView(u"乙"));
    QCOMPARE(q.text(1, z), QStringView(u"这里改"));
    QCOMPARE(db.cli("select a, z from data order by rowid"), QStringList({"甲|", "乙|这里改"}));
}

void TestData::datasetSortIsStableAndKeepsCurrent()
{
    test::TestDb db;
    const QList<std::pair<QString, double>> rows = {{"b", 2}, {"a", 1}, {"b", 3}, {"", 0}, {"a", 4}};
    for (const auto& [a, n] : rows)
        db.addOrder({{"a", a}, {"2", n}});
    db.addOrder({{"2", 5.0}});  // a null
    Database dm;
    Dataset& q = dm.gridResult;
    openQuery(q, "select * from data");
    q.setCurrentRow(2);  // b,3
    const int a = q.fieldIndex(orderColumn::recipientName), amount = q.fieldIndex(orderColumn::amount);
    q.sortBy(a, Qt::AscendingOrder);
    QStringList order;
    for (int r = 0; r < q.rowCount(); ++r)
        order << displayText(q.value(r, amount));
    QCOMPARE(order.join(','), QString("5,0,1,4,2,3"));
    QCOMPARE(q.value(q.currentRow(), amount).toDouble(), 3.0);
    q.sortBy(amount, Qt::DescendingOrder);
    QCOMPARE(q.value(0, amount).toDouble(), 5.0);
    QCOMPARE(q.value(q.currentRow(), amount).toDouble(), 3.0);
}

void TestData::datasetKeepsValuesExactly()
{
    test::TestDb db;
    const QString rare = QString::fromUtf8("\xF0\xA0\x80\x80") + "号 Ä";  // a character outside the BMP
    db.addOrder({{"a", rare}, {"b", ""}, {"1", 2.5}});
    db.addOrder({{"a", "乙"}, {"1", 7}});  // b stays null
    Database dm;
    Dataset& q = dm.gridResult;
    openQuery(q, "select * from data");
    const int a = q.fieldIndex(orderColumn::recipientName), b = q.fieldIndex(orderColumn::recipientMobile),
              n = q.fieldIndex(orderColumn::quantity);
    QCOMPARE(q.value(0, a).toString(), rare);
    QCOMPARE(q.text(0, a), QStringView(rare));
    QCOMPARE(q.cell(0, a).toString(), rare);
    QVERIFY(!q.isNull(0, b) && q.isNull(1, b));
    QVERIFY(!q.value(0, b).isNull() && q.value(1, b).isNull());
    QCOMPARE(q.value(0, n).toDouble(), 2.5);
    QCOMPARE(q.cell(1, n).toDouble(), 7.0);
    QVERIFY(q.text(0, n).isEmpty());

    // An edit of a row shows in what is read afterwards, wherever a sort put it.
    const qint64 second = q.rowId(1);
    q.sortBy(a, Qt::DescendingOrder);
    q.updateRow(q.rowOfId(second), {{orderColumn::recipientName, "丙"}});
    QCOMPARE(q.value(q.rowOfId(second), a).toString(), QString("丙"));
    QCOMPARE(q.text(q.rowOfId(second), a), QStringView(u"丙"));
    // An appended row joins the open result at the end.
    dm.gridResult.append({{orderColumn::recipientName, "丁"}});
    QCOMPARE(q.rowCount(), 3);
    QCOMPARE(q.currentRow(), 2);
    QCOMPARE(q.text(2, a), QStringView(u"丁"));
    QVERIFY(q.isNull(2, n));
}

void TestData::utf8Decoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("wellFormed");
    QTest::newRow("ascii") << QByteArray("buyer_5 19.9") << true;
    QTest::newRow("chinese") << QByteArray("浙江省杭州市西湖区") << true;
    QTest::newRow("two-byte") << QByteArray("Ä é") << true;
    QTest::newRow("four-byte") << QByteArray("\xF0\xA0\x80\x80\xF4\x8F\xBF\xBF") << true;
    QTest::newRow("empty") << QByteArray() << true;
    QTest::newRow("stray continuation") << QByteArray("a\x80" "b") << false;
    QTest::newRow("cut short") << QByteArray("\xE6\xB5") << false;
    QTest::newRow("overlong") << QByteArray("\xC0\xAF\xE0\x80\xAF") << false;
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << false;
    QTest::newRow("past the last") << QByteArray("\xF4\x90\x80\x80") << false;
    QTest::newRow("bad lead") << QByteArray("\xFF") << false;
}

void TestData::utf8Decoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, wellFormed);
    std::vector<char16_t> out(size_t(bytes.size()) + 1);
    const char16_t* end = decodeWellFormedUtf8(bytes.constData(), size_t(bytes.size()), out.data());
    QCOMPARE(end != nullptr, wellFormed);
    if (end)
        QCOMPARE(QStringView(out.data(), end - out.data()), QString::fromUtf8(bytes));
    // Whatever the bytes, a fetched text reads as Qt's own decoding of them.
    test::TestDb db;
    db.exec("insert into data (a) values (cast(? as text))", {bytes});
    Database dm;
    openQuery(dm.gridResult, "select * from data");
    QCOMPARE(dm.gridResult.text(0, dm.gridResult.fieldIndex(orderColumn::recipientName)), QString::fromUtf8(bytes));
}

// Fetched text is decoded when first read: cells that were never read must
// come out right after rows moved under them, and empty stays apart from null.
void TestData::datasetTextReadAfterDeleteAndSort()
{
    test::TestDb db;
    db.addOrder({{"a", "删"}, {"c", "x"}, {"2", 1.0}});
    db.addOrder({{"a", "张三"}, {"c", ""}, {"2", 3.0}});
    db.addOrder({{"a", "Li Si"}, {"2", 2.0}});
    Database dm;
    Dataset& q = dm.gridResult;
    openQuery(q, "select * from data");
    q.deleteRow(0);
    q.sortBy(q.fieldIndex(orderColumn::amount), Qt::AscendingOrder);
    const int a = q.fieldIndex(orderColumn::recipientName), c = q.fieldIndex(orderColumn::recipientAddress);
    QCOMPARE(q.value(0, a), QVariant(QString("Li Si")));
    QCOMPARE(q.value(1, a), QVariant(QString("张三")));
    QVERIFY(q.value(0, c).isNull());
    QCOMPARE(q.value(1, c).typeId(), QMetaType::QString);
    QCOMPARE(textOf(q.value(1, c)), QString());
    // A smaller result after a larger one.
    openQuery(q, "select * from data where [2]=?", {3.0});
    QCOMPARE(q.rowCount(), 1);
    QCOMPARE(q.field(orderColumn::recipientName).toString(), QString("张三"));
    QCOMPARE(shortestNumber(100000), QString("100000"));
}

// The lookup of a row by its storage identity follows every change of the
// result's rows: sorts, deletions, an append and a new result.
void TestData::rowOfIdFollowsTheResult()
{
    test::TestDb db;
    for (const char* n : {"丙", "甲", "丁", "乙", "戊"})
        db.addOrder({{"a", n}});
    Database dm;
    Dataset& q = dm.gridResult;
    openQuery(q, "select * from data");
    const int a = q.fieldIndex(orderColumn::recipientName);
    QList<qint64> gone;
    auto check = [&](const char* step) {
        for (int row = 0; row < q.rowCount(); ++row)
            QVERIFY2(q.rowOfId(q.rowId(row)) == row, step);
        for (qint64 id : gone)
            QVERIFY2(q.rowOfId(id) == -1, step);
        QVERIFY2(q.rowOfId(987654) == -1, step);
    };
    check("opened");
    q.sortBy(a, Qt::AscendingOrder);
    check("sorted");
    gone << q.rowId(1);
    q.deleteRow(1);
    check("deleted");
    q.sortBy(a, Qt::DescendingOrder);
    check("sorted again");
    q.append({{orderColumn::recipientName, "己"}});
    check("appended");
    QCOMPARE(q.text(q.rowOfId(q.rowId(q.rowCount() - 1)), a), QStringView(u"己"));
    gone << q.rowId(0) << q.rowId(q.rowCount() - 1);
    q.deleteRow(q.rowCount() - 1);
    q.deleteRow(0);
    check("deleted first and last");
    QCOMPARE(q.rowCount(), 3);
    // A new result without some of the orders.
    openQuery(q, "select * from data where a<>?", {"乙"});
    QCOMPARE(q.rowCount(), 2);
    check("searched");
    const QStringList rest = db.cli("select _rowid_ from data where a='乙'");
    QCOMPARE(rest.size(), 1);
    QCOMPARE(q.rowOfId(rest.first().toLongLong()), -1);
}

// A grouped edit writes each row once, skips a row whose values would not
// change, and leaves the fetched copy, and the totals kept from it, as the
// table now holds them: a text as written, a value the column's type turned
// into another (a text in a number column, a number in a text column) as
// read back.
void TestData::changeRowsKeepsTheCopyTrue()
{
    test::TestDb db;
    db.addOrder({{"a", "甲"}, {"2", 1.5}});
    db.addOrder({{"a", "乙"}, {"2", 2.5}});
    db.addOrder({{"a", "丙"}, {"2", 3.5}});
    Database dm;
    OrderRegister orders(dm);
    Dataset& q = dm.gridResult;
    openQuery(q, "select * from data");
    const int a = q.fieldIndex(orderColumn::recipientName), amount = q.fieldIndex(orderColumn::amount),
              z = q.fieldIndex(orderColumn::remark);
    q.sortBy(a, Qt::AscendingOrder);  // 丙 乙 甲
    QList<int> walked;
    QList<QString> seen;
    const int written = orders.changeRows(
        {0, 1, 1, 2},
        [&](int row) -> FieldValues {
            const QString name = q.text(row, a).toString();
            seen << name;
            if (name == "乙")
                return {{orderColumn::recipientName, name}, {orderColumn::amount, 2.5}};
            return {{orderColumn::recipientName, name + "改"}, {orderColumn::amount, "7"}, {orderColumn::remark, 5}};
        },
        [&](int done) { walked << done; });
    QCOMPARE(written, 2);
    QCOMPARE(seen, QList<QString>({"丙", "乙", "甲"}));
    QCOMPARE(walked.last(), 3);
    if (test::TestDb::onServer())
        QCOMPARE(db.cli("select a, [2], z, z is null from data order by rowid"),
                 QStringList({"甲改|7|5|f", "乙|2.5||t", "丙改|7|5|f"}));
    else
        QCOMPARE(db.cli("select a, [2], typeof([2]), z, typeof(z) from data order by rowid"),
                 QStringList({"甲改|7.0|real|5|text", "乙|2.5|real||null", "丙改|7.0|real|5|text"}));
    QCOMPARE(q.text(0, a), QStringView(u"丙改"));
    QCOMPARE(q.cell(0, amount), QVariant(7.0));
    QCOMPARE(q.cell(0, z), QVariant(QString("5")));
    QCOMPARE(q.text(1, a), QStringView(u"乙"));
    QVERIFY(q.isNull(1, z));
    QCOMPARE(orders.amountTotal().text(), QString("16.5"));
    // The copy matches the table again: a second edit of the same rows finds them.
    q.updateRow(0, {{orderColumn::remark, "再改"}});
    QCOMPARE(db.scalar("select z from data where a='丙改'").toString(), QString("再改"));
}

// The connection keeps the statements it runs prepared for their next run:
// each run binds its own values, a failed run does not spoil the next, and a
// statement still stepping does not meet a second use of its text.
void TestData::repeatedStatementsRunAfresh()
{
    test::TestDb db;
    for (const char* n : {"甲", "乙", "丙"})
        db.addOrder({{"a", n}});
    Database dm;
    Connection& c = dm.connection;
    const QString update = "update data set b=? where a=?";
    c.exec(update, {"1", "甲"});
    c.exec(update, {"2", "乙"});
    c.exec(update, {QVariant(), "丙"});
    QCOMPARE(db.cli("select a || ':' || coalesce(b, 'null') from data order by _rowid_"),
             QStringList({"甲:1", "乙:2", "丙:null"}));
    QVERIFY_THROWS_EXCEPTION(DbError, c.exec(update, {"3"}));
    QVERIFY_THROWS_EXCEPTION(DbError, c.exec("insert into data (a, nosuch) values (?, ?)", {"x", "y"}));
    c.exec(update, {"3", "丙"});
    QCOMPARE(db.cli("select b from data where a='丙'"), QStringList({"3"}));

    const QString byName = "select a from data where a<>? order by a";
    {
        Statement outer(c, byName, {"丙"});
        QVERIFY(outer.step());
        QCOMPARE(outer.value(0).toString(), QString("乙"));
        Statement inner(c, byName, {"乙"});
        QVERIFY(inner.step());
        QCOMPARE(inner.value(0).toString(), QString("丙"));
        QVERIFY(outer.step());
        QCOMPARE(outer.value(0).toString(), QString("甲"));
        QVERIFY(!outer.step());
    }
    {
        Statement again(c, byName, {"丙"});
        QVERIFY(again.step());
        QCOMPARE(again.value(0).toString(), QString("乙"));
    }

    // A kept statement follows a change of the table, and a reopened
    // connection prepares its own.
    c.exec(update, {"4", "甲"});
    openQuery(dm.gridResult, "select * from data");
    c.exec("alter table data add column extra text");
    c.exec(update, {"4", "甲"});  // the same value: the fetched row still matches
    dm.gridResult.updateRow(0, {{orderColumn::recipientMobile, "5"}});
    QCOMPARE(dm.gridResult.value(0, dm.gridResult.fieldIndex(orderColumn::recipientMobile)).toString(), QString("5"));
    dm.reconnect();
    dm.connection.exec(update, {"6", "乙"});
    QCOMPARE(db.cli("select b from data order by _rowid_"), QStringList({"5", "6", "3"}));
}

// A dataset reuses the previous result's memory: results of other widths and
// sizes following each other must each read back exactly.
void TestData::resultsFollowEachOther()
{
    test::TestDb db;
    db.exec("begin");
    for (int i = 0; i < 5000; ++i)
        db.exec("insert into data (a, c) values (?, ?)",
                {QStringLiteral("收件人%1").arg(i), QString(300, QChar(22320 + i % 7))});
    db.exec("commit");
    Database dm;
    Dataset& q = dm.gridResult;
    openQuery(q, "select * from data");
    const QString last = q.text(4999, q.fieldIndex(orderColumn::recipientAddress)).toString();
    openQuery(q, "select username, passwd from userdb");
    QCOMPARE(q.fieldCount(), 2);
    QCOMPARE(q.text(0, 0), QStringView(u"超级管理员"));
    openQuery(q, "select * from data where a like ?", {"%99"});
    QCOMPARE(q.rowCount(), 50);
    QCOMPARE(q.text(0, q.fieldIndex(orderColumn::recipientName)), QStringView(u"收件人99"));
    QVERIFY(q.isNull(0, q.fieldIndex(orderColumn::recipientMobile)));
    openQuery(q, "select * from data");
    QCOMPARE(q.rowCount(), 5000);
    QCOMPARE(q.text(4999, q.fieldIndex(orderColumn::recipientAddress)).toString(), last);
    QCOMPARE(q.text(0, q.fieldIndex(orderColumn::recipientName)), QStringView(u"收件人0"));
}

void TestData::nullConversion()
{
    QVERIFY_THROWS_EXCEPTION(ConversionError, textOf(QVariant()));
    QCOMPARE(textOf(QVariant(QString())), QString());
    QCOMPARE(textOf(QVariant(2.5)), QString("2.5"));
    QCOMPARE(textOf(QVariant(1.0)), QString("1"));
    QCOMPARE(displayText(QVariant()), QString());
}

void TestData::newdbRefusesOverwrite()
{
    KX_FILE_ONLY();
    test::TestDb db;
    QProcess p;
    p.start(KX_NEWDB_PATH, {"--demo", db.path()});
    QVERIFY(p.waitForFinished());
    QCOMPARE(p.exitCode(), 1);
    QCOMPARE(db.scalar("select count(*) from data").toInt(), 0);
    // A plain new file: the administrator and an empty sender profile, built
    // aside and renamed into place, so that nothing else is left in the folder.
    QTemporaryDir fresh;
    p.start(KX_NEWDB_PATH, {fresh.filePath("data.mdb")});
    QVERIFY(p.waitForFinished());
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(QDir(fresh.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"data.mdb"});
    {
        Connection c;
        c.open(fresh.filePath("data.mdb"), schema::databaseKey);
        Statement post(c.handle(), "select count(*), max(a||b||c||d = '') from post");
        QVERIFY(post.step());
        QCOMPARE(post.value(0).toInt(), 1);
        QCOMPARE(post.value(1).toInt(), 1);
    }
    const QString demo = db.dir() + "/demo.mdb";
    p.start(KX_NEWDB_PATH, {"--demo", demo});
    QVERIFY(p.waitForFinished());
    QCOMPARE(p.exitCode(), 0);
    Connection c;
    c.open(demo, schema::databaseKey);
    Statement st(c.handle(), "select count(*), sum(g='已打印'), count(distinct d), sum(h<>'') from data");
    QVERIFY(st.step());
    QVERIFY(st.value(0).toInt() >= 25);
    QVERIFY(st.value(1).toInt() > 0);
    QVERIFY(st.value(2).toInt() > 3);
    QVERIFY(st.value(3).toInt() > 0);
    // The demo's users, their passwords hashed at the program's cost (the
    // tests' own hashes are lighter).
    Statement users(c.handle(), "select username, passwd from userdb order by rowid");
    for (const auto& [user, password] : {std::pair{"超级管理员", "507"}, std::pair{"小王", "123"}}) {
        QVERIFY(users.step());
        QCOMPARE(users.value(0).toString(), QString(user));
        const QString hash = users.value(1).toString();
        QVERIFY2(hash.startsWith("$argon2id$v=19$m=65536,t=2,p=1$"), qPrintable(hash));
        QVERIFY(PasswordHash::matches(hash, password));
        QVERIFY(!PasswordHash::matches(hash, "508"));
    }
    QVERIFY(!users.step());
}

// After a restore the connection is opened again; the tables for new orders
// and ledger rows are made ready without fetching what the file holds.
void TestData::reconnectFetchesNoOrders()
{
    test::TestDb db;
    for (int i = 0; i < 3; ++i)
        db.addOrder({{"a", QString("客户%1").arg(i)}});
    Database dm;
    dm.reconnect();
    QVERIFY(dm.orderAppender.isOpen());
    QCOMPARE(dm.orderAppender.rowCount(), 0);
    QVERIFY(dm.orderAppender.fieldIndex(orderColumn::recipientName) >= 0);
    QVERIFY(dm.ledgerTable.isOpen());
    QCOMPARE(dm.ledgerTable.rowCount(), 0);
    dm.orderAppender.append({{orderColumn::recipientName, "新客户"}});
    QCOMPARE(db.scalar("select count(*) from data").toInt(), 4);
}

QTEST_MAIN(TestData)
#include "tst_data.moc"
