#include "Fakes.h"
#include "TestDb.h"
#include "Typing.h"

#include "core/DbError.h"
#include "core/TextValue.h"
#include "data/DataOps.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "orders/OrderRegister.h"
#include "orders/QuickSearchPanel.h"
#include "orders/SearchStatement.h"
#include "platform/AppInfo.h"
#include "widgets/ControlOps.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using namespace kx;
namespace orderColumn = kx::schema::orderColumn;

namespace {

// name, mobile, address, courier, status, member, order number
const QList<QStringList> orders = {
    {"张三", "13800001111", "北京市朝阳区", "申通快递", "已打印", "buyer_a", "1001"},
    {"李四", "13912345678", "上海市浦东新区", "圆通速递", "未打印", "Buyer_B", "1002"},
    {"王 五", "15013800000", "广州市天河区", "申通快递", "未打印", "zhang", "2001"},
    {"赵六", "18600000000", "深圳市100%真皮城", "顺丰速运", "已打印", "a_b", "3001"},
    {"钱七", "13700000000", "杭州市O'Brien路[1]号", "中通速递", "未打印", "axb", "4001"},
    {"", "13800009999", "北京市海淀区", "申通快递", "未打印", "nobody", "5001"},
};

// Orders that hold their name in each column the boxes search: texts with
// LIKE's own characters, and texts those would match as patterns.
const QStringList patternTexts = {"x%y", "x_y", "x\\y", "50%", "a_b", "axb", "500", "xy"};

void seedPatternTexts(const test::TestDb& db)
{
    namespace c = orderColumn;
    for (const QString& t : patternTexts)
        db.addOrder({{c::recipientName, t}, {c::recipientMobile, t}, {c::recipientAddress, t}, {c::courier, t},
                     {c::printStatus, t}, {c::memberName, t}, {c::orderNumber, t}});
}

// Every order above, and one whose name holds no value.
void seed(const test::TestDb& db)
{
    for (const QStringList& o : orders)
        db.addOrder({{"a", o[0]}, {"b", o[1]}, {"c", o[2]}, {"d", o[3]}, {"g", o[4]}, {"i", o[5]}, {"j", o[6]}});
    db.addOrder({{"b", "13800007777"}, {"c", "北京市"}, {"d", "申通快递"}, {"g", "未打印"}});
}

QStringList gridNames(const Dataset& grid)
{
    QStringList names;
    if (!grid.isOpen())
        return names;
    const int a = grid.fieldIndex(orderColumn::recipientName);
    for (int row = 0; row < grid.rowCount(); ++row)
        names << displayText(grid.value(row, a));
    names.sort();
    return names;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

// The quick search panel over a fresh database, with the show-all action the
// main window performs when "全部记录" is pressed.
struct Fixture {
    test::TestDb db;
    test::FakePlatform fp;
    Database dm;
    OrderRegister orders{dm};
    QWidget window;
    QuickSearchPanel* panel;
    QSignalSpy searches;

    explicit Fixture(void (*fill)(const test::TestDb&) = seed)
        : panel(new QuickSearchPanel(orders, fp.platform, &window)), searches(panel, &QuickSearchPanel::searched)
    {
        fill(db);
        QObject::connect(panel, &QuickSearchPanel::showAllRequested, panel,
                         [this] { fp.platform.guard(&window, [this] { orders.showAll(); }); });
        window.resize(560, 140);
    }

    QWidget* control(const QString& name) { return panel->findChild<QWidget*>(name); }
};

}  // namespace

class TestQuickSearch : public QObject {
    Q_OBJECT
private slots:
    void statementOrder();
    void search_data();
    void search();
    void literalText_data();
    void literalText();
    void searchResultStartsOnFirstRow();
    void databaseErrorLeavesGridEmpty();
    void clearConditions_data();
    void clearConditions();
    void showAllDoesNotSearch();
    void searchButtonReachedWithTab();
    void layout();
};

void TestQuickSearch::statementOrder()
{
    SearchConditions c;
    c.courier = "d-text";
    c.name = "a-text";
    c.address = "c-text";
    c.orderNumber = "j-text";
    c.member = "i-text";
    c.mobile = "b-text";
    c.printStatus = "g-text";
    const SearchStatement all = SearchStatement::build(c);
    QCOMPARE(all.sql, QString("select * from data where [a]<>''"
                              " and d like '%' || ? || '%' escape '\\' and a like '%' || ? || '%' escape '\\'"
                              " and c like '%' || ? || '%' escape '\\' and j like '%' || ? || '%' escape '\\'"
                              " and i like '%' || ? || '%' escape '\\' and b like '%' || ? || '%' escape '\\'"
                              " and g like '%' || ? || '%' escape '\\'"));
    QCOMPARE(all.params, (QVariantList{"d-text", "a-text", "c-text", "j-text", "i-text", "b-text", "g-text"}));

    // Empty boxes add nothing; texts are bound untrimmed.
    SearchConditions some;
    some.mobile = " 138 ";
    const SearchStatement one = SearchStatement::build(some);
    QCOMPARE(one.sql, QString("select * from data where [a]<>'' and b like '%' || ? || '%' escape '\\'"));
    QCOMPARE(one.params, QVariantList{" 138 "});
}

void TestQuickSearch::search_data()
{
    // Each step is control:how:text. "type" types key by key, "set" is a
    // program step, "choose" picks the entry from the list with the keyboard,
    // "press" presses the keyboard-only "查询".
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("found");
    QTest::addColumn<int>("searches");

    const QStringList named = {"张三", "李四", "王 五", "赵六", "钱七"};
    QTest::newRow("all empty") << QStringList{"Button7:press:"} << named << 1;
    QTest::newRow("courier typed") << QStringList{"ComboBox1:type:申通"} << QStringList{"张三", "王 五"} << 2;
    QTest::newRow("print status typed") << QStringList{"ComboBox8:type:打印"} << named << 2;
    QTest::newRow("print status chosen") << QStringList{"ComboBox8:choose:已打印"} << QStringList{"张三", "赵六"} << 1;
    QTest::newRow("mobile 138 key by key") << QStringList{"Edit50:type:138"} << QStringList{"张三", "王 五"} << 3;
    QTest::newRow("name") << QStringList{"Edit23:type:张"} << QStringList{"张三"} << 1;
    QTest::newRow("name single blank") << QStringList{"Edit23:type: "} << QStringList{"王 五"} << 1;
    QTest::newRow("address") << QStringList{"Edit29:type:北京"} << QStringList{"张三"} << 2;
    QTest::newRow("member ignores Latin case") << QStringList{"Edit49:type:buyer"} << QStringList{"张三", "李四"} << 5;
    QTest::newRow("order number") << QStringList{"Edit25:type:100"} << QStringList{"张三", "李四"} << 3;
    QTest::newRow("courier and name") << QStringList{"ComboBox1:type:申通快递", "Edit23:type:王"}
                                      << QStringList{"王 五"} << 5;
    QTest::newRow("mobile and print status") << QStringList{"Edit50:type:138", "ComboBox8:choose:已打印"}
                                             << QStringList{"张三"} << 4;
    QTest::newRow("text box set by the program") << QStringList{"Edit23:set:李"} << QStringList{"李四"} << 1;
    QTest::newRow("drop-down set by the program") << QStringList{"ComboBox1:set:顺丰速运"} << QStringList{} << 0;
    QTest::newRow("program-set drop-down still a condition")
        << QStringList{"ComboBox1:set:顺丰速运", "Edit29:type:市"} << QStringList{"赵六"} << 1;
    QTest::newRow("empty name never found") << QStringList{"Edit50:type:13800009999"} << QStringList{} << 11;
    QTest::newRow("percent is itself") << QStringList{"Edit29:type:%"} << QStringList{"赵六"} << 1;
    QTest::newRow("percent inside") << QStringList{"Edit29:type:0%真"} << QStringList{"赵六"} << 3;
    QTest::newRow("underscore is itself") << QStringList{"Edit49:type:a_b"} << QStringList{"赵六"} << 3;
    QTest::newRow("quote") << QStringList{"Edit29:type:O'Brien"} << QStringList{"钱七"} << 7;
    QTest::newRow("bracket") << QStringList{"Edit29:type:[1]"} << QStringList{"钱七"} << 3;
    QTest::newRow("lone bracket") << QStringList{"Edit25:type:["} << QStringList{} << 1;
}

void TestQuickSearch::search()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, found);
    QFETCH(int, searches);
    Fixture f;
    for (const QString& step : steps) {
        const QStringList parts = step.split(':');
        QWidget* w = f.control(parts[0]);
        QVERIFY2(w, qPrintable(parts[0]));
        const QString how = parts[1], text = parts.mid(2).join(':');
        auto* box = qobject_cast<QComboBox*>(w);
        if (how == "type") {
            test::typeText(box ? box->lineEdit() : w, text);
        } else if (how == "set") {
            if (box)
                box->setEditText(text);
            else
                static_cast<QLineEdit*>(w)->setText(text);
        } else if (how == "choose") {
            while (box->currentText() != text && box->currentIndex() + 1 < box->count())
                QTest::keyClick(box, Qt::Key_Down);
            QCOMPARE(box->currentText(), text);
        } else {
            QTest::keyClick(w, Qt::Key_Space);
        }
    }
    QCOMPARE(f.fp.dialogs.texts(), QStringList());
    QCOMPARE(f.searches.count(), searches);
    QCOMPARE(gridNames(f.dm.gridResult), sorted(found));
}

void TestQuickSearch::literalText_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("found");
    const QList<std::pair<QString, QStringList>> texts = {
        {"%", {"x%y", "50%"}}, {"_", {"x_y", "a_b"}}, {"\\", {"x\\y"}}, {"50%", {"50%"}}, {"a_b", {"a_b"}}};
    for (const char* box : {"ComboBox1", "ComboBox8", "Edit50", "Edit23", "Edit29", "Edit49", "Edit25"})
        for (const auto& [text, found] : texts)
            QTest::addRow("%s %s", box, qPrintable(text)) << QString(box) << text << found;
}

// A text typed into any box finds the orders holding it as it is: "%", "_"
// and the escape character are no pattern.
void TestQuickSearch::literalText()
{
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(QStringList, found);
    Fixture f(seedPatternTexts);
    QWidget* w = f.control(box);
    QVERIFY2(w, qPrintable(box));
    auto* combo = qobject_cast<QComboBox*>(w);
    test::typeText(combo ? combo->lineEdit() : w, text);
    QCOMPARE(combo ? combo->currentText() : static_cast<QLineEdit*>(w)->text(), text);
    QCOMPARE(f.fp.dialogs.texts(), QStringList());
    QCOMPARE(gridNames(f.dm.gridResult), sorted(found));
}

void TestQuickSearch::searchResultStartsOnFirstRow()
{
    Fixture f;
    f.panel->courierBox->setEditText("申通快递");  // a condition, no search yet
    test::typeText(f.panel->mobileEdit, "0");
    QCOMPARE(f.dm.gridResult.sql(), QString("select * from data where [a]<>'' and d like '%' || ? || '%' escape '\\'"
                                            " and b like '%' || ? || '%' escape '\\'"));
    QCOMPARE(f.dm.gridResult.params(), (QVariantList{"申通快递", "0"}));
    QCOMPARE(f.dm.gridResult.rowCount(), 2);
    QCOMPARE(f.dm.gridResult.currentRow(), 0);
}

void TestQuickSearch::databaseErrorLeavesGridEmpty()
{
    Fixture f;
    test::typeText(f.panel->nameEdit, "张");
    QCOMPARE(f.dm.gridResult.rowCount(), 1);
    f.db.exec("alter table data rename to gone");
    test::typeText(f.panel->nameEdit, "三");
    QCOMPARE(f.fp.dialogs.shown.size(), 1);
    QCOMPARE(f.fp.dialogs.shown[0].caption, appTitle);
    QCOMPARE(f.fp.dialogs.shown[0].icon, Dialogs::Icon::Critical);
    QVERIFY2(f.fp.dialogs.shown[0].text.contains(test::TestDb::missingTable("data")), qPrintable(f.fp.dialogs.lastText()));
    QVERIFY(!f.dm.gridResult.isOpen());
    QCOMPARE(f.dm.gridResult.rowCount(), 0);
    QCOMPARE(f.searches.count(), 1);  // the failed one does not count as a search
}

void TestQuickSearch::clearConditions_data()
{
    QTest::addColumn<bool>("nameTyped");
    QTest::addColumn<QStringList>("found");
    QTest::addColumn<int>("searchesByClearing");
    // The name box held text: emptying it searched with the courier that the
    // courier box still held, and the courier box was emptied afterwards.
    QTest::newRow("courier and name") << true << QStringList{"张三", "王 五"} << 1;
    // Only the courier: emptying the drop-down boxes runs no search, so the
    // grid keeps the courier's orders although every box is empty.
    QTest::newRow("courier only") << false << QStringList{"张三", "王 五"} << 0;
}

void TestQuickSearch::clearConditions()
{
    QFETCH(bool, nameTyped);
    QFETCH(QStringList, found);
    QFETCH(int, searchesByClearing);
    Fixture f;
    test::typeText(f.panel->courierBox->lineEdit(), "申通快递");
    if (nameTyped)
        test::typeText(f.panel->nameEdit, "三");
    const int before = f.searches.count();
    QTest::mouseClick(f.panel->clearButton, Qt::LeftButton);
    QCOMPARE(f.searches.count() - before, searchesByClearing);
    QCOMPARE(gridNames(f.dm.gridResult), sorted(found));
    for (QLineEdit* e : f.panel->findChildren<QLineEdit*>())
        QVERIFY2(e->text().isEmpty(), qPrintable(e->objectName()));
}

void TestQuickSearch::showAllDoesNotSearch()
{
    Fixture f;
    QSignalSpy showAll(f.panel, &QuickSearchPanel::showAllRequested);
    test::typeText(f.panel->courierBox->lineEdit(), "顺丰");
    test::typeText(f.panel->nameEdit, "赵");
    const int before = f.searches.count();
    QTest::mouseClick(f.panel->showAllButton, Qt::LeftButton);
    QCOMPARE(showAll.count(), 1);
    QCOMPARE(f.searches.count(), before);
    QCOMPARE(f.dm.gridResult.rowCount(), 7);  // every order, empty names too
    QCOMPARE(f.panel->courierBox->currentText(), QString());
    QCOMPARE(f.panel->courierBox->count(), 4);
    QCOMPARE(f.panel->nameEdit->text(), QString("赵"));
    // Choosing a courier from the refilled list searches at once.
    QTest::keyClick(f.panel->courierBox, Qt::Key_Down);
    QCOMPARE(f.searches.count(), before + 1);
    QCOMPARE(f.panel->courierBox->currentText(), QString("中通速递"));
    QCOMPARE(gridNames(f.dm.gridResult), QStringList());  // 中通速递 and 赵: none
}

void TestQuickSearch::searchButtonReachedWithTab()
{
    Fixture f;
    f.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    // "全部记录" covers "查询": a click lands on "全部记录".
    QCOMPARE(f.panel->childAt(f.panel->searchButton->geometry().center()), f.panel->showAllButton);
    f.panel->orderNumberEdit->setFocus();
    QTest::keyClick(f.panel->orderNumberEdit, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), f.panel->showAllButton);
    QTest::keyClick(f.panel->showAllButton, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), f.panel->searchButton);
    QTest::keyClick(f.panel->searchButton, Qt::Key_Return);
    QCOMPARE(f.searches.count(), 1);
    QTest::keyClick(f.panel->searchButton, Qt::Key_Space);
    QCOMPARE(f.searches.count(), 2);
    QCOMPARE(f.dm.gridResult.rowCount(), 5);
}

void TestQuickSearch::layout()
{
    Fixture f;
    QCOMPARE(f.panel->title(), QString(" 快速查询"));
    QCOMPARE(f.panel->size(), QSize(519, 118));
    QCOMPARE(f.panel->font().family(), QString("宋体"));
    QCOMPARE(f.panel->font().pixelSize(), 14);
    const QList<QPair<QString, QString>> buddies = {
        {"快递方式：", "ComboBox1"}, {"打印状态：", "ComboBox8"}, {"手机号：", "Edit50"},
        {"收件人姓名：", "Edit23"},  {"收件地址：", "Edit29"},  {"会员名：", "Edit49"},
        {"订单编号：", "Edit25"},
    };
    for (const auto& [text, name] : buddies) {
        QLabel* label = nullptr;
        for (QLabel* l : f.panel->findChildren<QLabel*>())
            if (l->text() == text)
                label = l;
        QVERIFY2(label, qPrintable(text));
        QCOMPARE(label->buddy()->objectName(), name);
    }
    QCOMPARE(f.panel->printStatusBox->count(), 2);
    QCOMPARE(f.panel->printStatusBox->itemText(0), QString("已打印"));
    QCOMPARE(f.panel->printStatusBox->itemText(1), QString("未打印"));
    QCOMPARE(f.panel->printStatusBox->currentText(), QString());
    QCOMPARE(SearchStatement::baseCondition, QString("where [a]<>''"));
    QVERIFY(!f.panel->findChild<QLabel*>("Label57"));  // a constant, no hidden widget
}

QTEST_MAIN(TestQuickSearch)
#include "tst_quicksearch.moc"
