#include "EditorFixture.h"

#include "data/DataOps.h"
#include "data/Schema.h"
#include "platform/Dialogs.h"

#include <QtTest>

using namespace kx;
namespace orderColumn = kx::schema::orderColumn;
using Fixture = test::EditorFixture;

// Deleting the grid's selected orders through the editor's "删 除".
class TestOrderDelete : public QObject {
    Q_OBJECT
private slots:
    void deleteSelected_data();
    void deleteSelected();
    void staleRowsChangeNothing();
    void crafted_data();
    void crafted();
};

void TestOrderDelete::deleteSelected_data()
{
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QList<int>>("selection");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<QStringList>("banners");
    const QStringList all = {"甲", "乙", "丙", "丁", "戊"};
    QTest::newRow("three rows, OK") << QMessageBox::Ok << QList<int>{3, 0, 1} << QStringList{"丙", "戊"}
                                    << QStringList{"删除记录成功..."};
    QTest::newRow("Cancel") << QMessageBox::Cancel << QList<int>{3, 0, 1} << all << QStringList{};
    QTest::newRow("OK without selection") << QMessageBox::Ok << QList<int>{} << all << QStringList{};
}

void TestOrderDelete::deleteSelected()
{
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(QList<int>, selection);
    QFETCH(QStringList, left);
    QFETCH(QStringList, banners);
    Fixture f;
    for (const char* n : {"甲", "乙", "丙", "丁", "戊"})
        f.addOrder(QString::fromUtf8(n));
    f.showAll();
    f.selection = selection;
    f.fp.dialogs.answers.enqueue(answer);
    QVERIFY(f.run(&OrderEditorPanel::deleteSelected));

    QCOMPARE(f.fp.dialogs.shown.size(), 1);
    const test::FakeDialogs::Shown& asked = f.fp.dialogs.shown[0];
    QCOMPARE(asked.caption, QString("警告！"));
    QCOMPARE(asked.text, QString("你真的要删除选中资料吗？"));
    QCOMPARE(asked.icon, Dialogs::Icon::Warning);
    QCOMPARE(asked.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(asked.defaultButton, QMessageBox::Cancel);
    QCOMPARE(f.db.cli("select a from data order by rowid"), left);
    QCOMPARE(f.dm.gridResult.rowCount(), left.size());  // gone from the grid at once, no reload
    QCOMPARE(f.showAlls, 0);
    QCOMPARE(f.banners, banners);
}

// A second station on the same file deletes the last order and enters a new
// one, which is given the deleted order's storage identity, and changes
// another. This station's stale rows must touch only what they fetched.
void TestOrderDelete::staleRowsChangeNothing()
{
    Fixture f;
    for (const char* n : {"甲", "乙", "丙", "丁"})
        f.addOrder(QString::fromUtf8(n));
    f.showAll();
    const qint64 lastId = f.dm.gridResult.rowId(3);
    {
        Database other(f.db.path(), nullptr);
        openQuery(other.gridResult, "select * from data");
        other.gridResult.deleteRow(3);
        other.orderAppender.append({{orderColumn::recipientName, "新单"}});
        other.gridResult.updateRow(1, {{orderColumn::remark, "另一站改过"}});
    }
    // The file gives the deleted row's identity to the next new row; the
    // server never gives an identity twice.
    if (!test::TestDb::onServer())
        QCOMPARE(f.db.scalar("select _rowid_ from data where a='新单'").toLongLong(), lastId);
    const QString cannot = Dataset::rowCannotBeLocated();

    // "修 改" of the order the other station changed writes nothing.
    f.dm.gridResult.setCurrentRow(1);
    QVERIFY(f.run(&OrderEditorPanel::loadFromMenu));
    f.editor->recipientNameEdit->setText("乙改");
    QVERIFY(!f.run(&OrderEditorPanel::saveChanges));
    QCOMPARE(f.fp.dialogs.lastText(), cannot);
    QCOMPARE(f.db.cli("select a || '|' || z from data where _rowid_=" + QString::number(f.dm.gridResult.rowId(1))),
             QStringList{"乙|另一站改过"});

    // Deleting 甲, then the stale 丁, then 丙: 甲 stays deleted and leaves the
    // grid, the new order is untouched, 丙 is not reached, no success banner.
    f.fp.dialogs.clear();
    f.banners.clear();
    f.selection = {0, 3, 2};
    f.fp.dialogs.answers.enqueue(QMessageBox::Ok);
    QVERIFY(!f.run(&OrderEditorPanel::deleteSelected));
    QCOMPARE(f.fp.dialogs.lastText(), cannot);
    QCOMPARE(f.db.cli("select a from data order by rowid"), QStringList({"乙", "丙", "新单"}));
    QCOMPARE(f.dm.gridResult.rowCount(), 3);
    QCOMPARE(f.dm.gridResult.text(0, f.dm.gridResult.fieldIndex(orderColumn::recipientName)), QStringView(u"乙"));
    QVERIFY(f.banners.isEmpty());
}

void TestOrderDelete::crafted_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("action");
    // Names that close the quoting they are put in and widen the match to
    // every row: in brackets, in double quotes, in double quotes with the
    // quote not doubled. One with a mark of its own as well.
    const QStringList columns = {"a] is null or 1=1 or [a", "a\" is null or 1=1 or \"a",
                                 "a]\" is null or 1=1 or \"[a", "a] is ? or 1=1 or [a"};
    for (const QString& column : columns)
        for (const char* action : {"delete", "editor change", "clean-up change"})
            QTest::addRow("%s, %s", action, qPrintable(column)) << column << QString(action);
}

// A register whose table has a column with a crafted name: deleting or
// changing one of 30 orders touches that one order only.
void TestOrderDelete::crafted()
{
    // Columns of a crafted file; a server register's tables are the program's.
    KX_FILE_ONLY();
    QFETCH(QString, column);
    QFETCH(QString, action);
    Fixture f;
    QStringList names;
    for (int n = 1; n <= 30; ++n) {
        names << QString("单%1").arg(n);
        f.addOrder(names.last());
    }
    // Added through the program's own connection, which has read the table's
    // columns already and would otherwise fetch the old ones once more.
    f.dm.connection.exec("alter table data add column \"" + QString(column).replace('"', "\"\"") + "\" TEXT");
    f.showAll();
    QVERIFY(f.dm.gridResult.fieldNames().contains(column));
    const int row = 7;
    QCOMPARE(f.dm.gridResult.text(row, f.dm.gridResult.fieldIndex(orderColumn::recipientName)), QStringView(u"单8"));
    if (action == "delete") {
        f.selection = {row};
        f.fp.dialogs.answers.enqueue(QMessageBox::Ok);
        QVERIFY(f.run(&OrderEditorPanel::deleteSelected));
        names.removeAt(row);
    } else if (action == "editor change") {
        f.dm.gridResult.setCurrentRow(row);
        QVERIFY(f.run(&OrderEditorPanel::loadFromMenu));
        f.editor->recipientNameEdit->setText("单8改");
        QVERIFY(f.run(&OrderEditorPanel::saveChanges));
        names[row] = "单8改";
    } else {
        QVERIFY(f.fp.platform.guard(&f.window, [&] {
            f.orders.changeRows({row}, [](int) { return FieldValues{{orderColumn::recipientName, "单8改"}}; });
        }));
        names[row] = "单8改";
    }
    QCOMPARE(f.fp.dialogs.texts().mid(action == "delete" ? 1 : 0), QStringList());
    QCOMPARE(f.db.cli("select a from data order by rowid"), names);
}

QTEST_MAIN(TestOrderDelete)
#include "tst_orderdelete.moc"
