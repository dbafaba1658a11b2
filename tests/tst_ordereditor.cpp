#include "EditorFixture.h"
#include "Typing.h"

#include "core/DbError.h"
#include "core/TextValue.h"
#include "data/DataOps.h"
#include "data/SenderProfile.h"
#include "data/Database.h"
#include "orders/OrderEditorPanel.h"
#include "orders/OrderRegister.h"
#include "orders/SelectionSource.h"
#include "platform/AppInfo.h"
#include "widgets/CloseIcon.h"
#include "widgets/ControlOps.h"
#include "widgets/DateField.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

using namespace kx;

using Fixture = test::EditorFixture;
using test::orderColumns;

class TestOrderEditor : public QObject {
    Q_OBJECT
private slots:
    void startContents();
    void checksInOrder_data();
    void checksInOrder();
    void numericTypingFilter_data();
    void numericTypingFilter();
    void newOrderWithLowerPartUntouched();
    void trimming_data();
    void trimming();
    void failedSaveLeavesNothingPending();
    void loading();
    void numbersShownToFifteenDigits_data();
    void numbersShownToFifteenDigits();
    void loadStopsAtNull_data();
    void loadStopsAtNull();
    void changeWritesTheLoadedOrder_data();
    void changeWritesTheLoadedOrder();
    void changeOfVanishedOrderIsRefused();
    void longTextsKeptWhole();
    void changeAfterIncompleteLoadWritesNothing_data();
    void changeAfterIncompleteLoadWritesNothing();
    void doubleClickRules();
    void enterChain();
    void dateRefill();
    void heightAndClose();
};

void TestOrderEditor::startContents()
{
    Fixture f;
    OrderEditorPanel* e = f.editor;
    QCOMPARE(e->objectName(), QString("Panel3"));
    QVERIFY(e->isHidden());
    QCOMPARE(e->geometry(), QRect(192, 91, 569, 175));
    QVERIFY(e->newButton->isHidden());
    QVERIFY(e->saveChangesButton->isHidden());
    QVERIFY(e->saveChangesButton->isEnabled());
    QCOMPARE(e->quantityEdit->text(), QString("1"));
    QCOMPARE(e->amountEdit->text(), QString("0"));
    QCOMPARE(e->courierBox->currentText(), QString());
    QCOMPARE(e->printStatusBox->currentText(), QString("未打印"));
    QCOMPARE(e->dateFieldText(), QString("2026-12-10"));  // the fake clock's day
    QStringList couriers;
    for (int i = 0; i < e->courierBox->count(); ++i)
        couriers << e->courierBox->itemText(i);
    QCOMPARE(couriers, (QStringList{"EMS邮政快递", "申通快递", "圆通速递", "顺丰速运", "韵达快运", "汇通快运",
                                    "中通速递", "天天快递"}));
    QCOMPARE(e->printStatusBox->itemText(0), QString("未打印"));
    QCOMPARE(e->printStatusBox->itemText(1), QString("已打印"));
    // Every label is the buddy of the field it stands before, on its line.
    const QMap<QString, QString> buddies = {
        {"收件人姓名：", "Edit11"}, {"收件人手机：", "Edit8"},       {"收件地址：", "Edit28"},
        {"付款日期：", "DBDateTimeEditEh1"}, {"快递方式：", "ComboBox4"}, {"打印状态：", "ComboBox12"},
        {"商品名称：", "Edit15"},   {"销售金额：", "Edit9"},         {"买家会员名：", "Edit48"},
        {" 数 量：", "Edit1"},      {"订单编号：", "Edit47"},        {"备 注：", "Edit22"}};
    const QList<QLabel*> labels = e->findChildren<QLabel*>();
    QCOMPARE(labels.size(), buddies.size());
    for (QLabel* l : labels) {
        QVERIFY2(l->buddy(), qPrintable(l->text()));
        QCOMPARE(l->buddy()->objectName(), buddies.value(l->text()));
        QVERIFY(l->geometry().right() < l->buddy()->x());
        QVERIFY(qAbs(l->geometry().center().y() - l->buddy()->geometry().center().y()) <= 1);
    }
}

void TestOrderEditor::checksInOrder_data()
{
    QTest::addColumn<QStringList>("fields");  // courier, status, name, mobile, address, date, quantity, amount
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("focus");
    const QString warning = "Warning";
    QTest::newRow("everything empty") << QStringList{"", "", "", "", "", "", "", ""} << "默认快递必须输入！"
                                      << warning << "ComboBox4";
    QTest::newRow("no print status") << QStringList{"申通快递", " ", "", "", "", "", "", ""} << "打印状态必须输入！"
                                     << warning << "ComboBox12";
    QTest::newRow("name of blanks") << QStringList{"申通快递", "未打印", "   ", "", "", "", "", ""}
                                    << "收件人姓名必须输入！" << warning << "Edit11";
    QTest::newRow("no mobile") << QStringList{"申通快递", "未打印", "张三", "", "", "", "", ""}
                               << "收件人手机必须输入！" << warning << "Edit8";
    QTest::newRow("no address") << QStringList{"申通快递", "未打印", "张三", "138", "\t", "", "", ""}
                                << "收件人地址必须输入！" << warning << "Edit28";
    QTest::newRow("blank date") << QStringList{"申通快递", "未打印", "张三", "138", "北京", "", "", ""}
                                << "日期必须输入" << appTitle << "Button1";
    QTest::newRow("half a date") << QStringList{"申通快递", "未打印", "张三", "138", "北京", "2026-1", "1", "0"}
                                 << "付款日期不是有效的日期，请按 年-月-日 输入！" << appTitle << "DBDateTimeEditEh1";
    QTest::newRow("empty quantity") << QStringList{"申通快递", "未打印", "张三", "138", "北京", "2026-12-10", "", "0"}
                                    << "数量必须是数字！" << appTitle << "Edit1";
    QTest::newRow("lone point") << QStringList{"申通快递", "未打印", "张三", "138", "北京", "2026-12-10", ".", "0"}
                                << "数量必须是数字！" << appTitle << "Edit1";
    QTest::newRow("two points") << QStringList{"申通快递", "未打印", "张三", "138", "北京", "2026-12-10", "1..5", "0"}
                                << "数量必须是数字！" << appTitle << "Edit1";
    QTest::newRow("amount not a number")
        << QStringList{"申通快递", "未打印", "张三", "138", "北京", "2026-12-10", "2", "1.2.3"} << "销售金额必须是数字！"
        << appTitle << "Edit9";
}

void TestOrderEditor::checksInOrder()
{
    QFETCH(QStringList, fields);
    QFETCH(QString, message);
    QFETCH(QString, caption);
    QFETCH(QString, focus);
    Fixture f;
    f.sender.setCourier(fields[0]);
    f.showWindow();
    f.editor->openForNew();
    OrderEditorPanel* e = f.editor;
    e->printStatusBox->setEditText(fields[1]);
    e->recipientNameEdit->setText(fields[2]);
    e->recipientMobileEdit->setText(fields[3]);
    e->recipientAddressEdit->setText(fields[4]);
    e->payDateField->clear();
    e->payDateField->home(false);
    test::typeText(e->payDateField, QString(fields[5]).remove('-'));
    for (QLineEdit* n : {e->quantityEdit, e->amountEdit}) {
        n->clear();
        test::typeText(n, n == e->quantityEdit ? fields[6] : fields[7]);
    }
    QTest::mouseClick(e->newButton, Qt::LeftButton);

    QCOMPARE(f.fp.dialogs.texts(), QStringList{message});
    QCOMPARE(f.fp.dialogs.shown[0].caption, caption);
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    // A failing field of the lower part is brought into sight.
    QCOMPARE(e->isExpanded(), focus == "Edit1" || focus == "Edit9");
    QCOMPARE(f.stored(), QStringList());
    QVERIFY(f.banners.isEmpty());
    QCOMPARE(f.showAlls, 0);
    QCOMPARE(e->recipientNameEdit->text(), fields[2]);  // nothing cleared
}

void TestOrderEditor::numericTypingFilter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter and minus") << "a-1" << "1";
    QTest::newRow("point accepted") << "1.5" << "1.5";
    QTest::newRow("full-width digit and Chinese") << "１五2" << "2";
    QTest::newRow("blank and comma") << "1 0,5" << "105";
}

void TestOrderEditor::numericTypingFilter()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    Fixture f;
    for (QLineEdit* field : {f.editor->quantityEdit, f.editor->amountEdit}) {
        field->clear();
        test::typeText(field, typed);
        QCOMPARE(field->text(), shown);
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(field->text(), shown.chopped(1));
    }
}

void TestOrderEditor::newOrderWithLowerPartUntouched()
{
    Fixture f;
    f.addOrder("旧订单", {{"g", "已打印"}, {"1", 3.0}, {"z", "旧备注"}});
    f.showAll();
    // Loading a printed order, then "新建记录": print status and date stay.
    f.run(&OrderEditorPanel::loadFromDoubleClick);
    f.sender.setCourier("韵达快运");
    QVERIFY(f.run(&OrderEditorPanel::openForNew));
    QVERIFY(!f.editor->isHidden());
    QVERIFY(!f.editor->newButton->isHidden());
    QVERIFY(f.editor->saveChangesButton->isHidden());
    QCOMPARE(f.editor->courierBox->currentText(), QString("韵达快运"));
    QCOMPARE(f.editor->printStatusBox->currentText(), QString("已打印"));
    QCOMPARE(f.editor->dateFieldText(), QString("2026-03-05"));
    QCOMPARE(f.editor->remarkEdit->text(), QString());
    QCOMPARE(f.editor->quantityEdit->text(), QString("1"));

    f.fillUpper("张三");
    QTest::mouseClick(f.editor->newButton, Qt::LeftButton);
    QCOMPARE(f.fp.dialogs.texts(), QStringList());
    QCOMPARE(f.stored().last(), QString("韵达快运|已打印|2026-03-05|张三|13912345678|上海市浦东新区|1.0|0.0||||"));
    // Empty texts, not nulls, and the import-only column left empty.
    if (!test::TestDb::onServer())
        QCOMPARE(f.db.cli("select typeof(z)||typeof(h)||typeof(i)||typeof(j)||typeof(k) from data where a='张三'"),
             QStringList{"texttexttexttextnull"});
    QCOMPARE(f.banners, QStringList{"新建记录成功..."});
    QCOMPARE(f.showAlls, 1);
    QCOMPARE(f.dm.gridResult.rowCount(), 2);
    QCOMPARE(f.dm.gridResult.currentRow(), 1);
    // Ready for the next order.
    QVERIFY(!f.editor->isHidden());
    QVERIFY(!f.editor->newButton->isHidden());
    QVERIFY(!f.editor->saveChangesButton->isEnabled());
    QCOMPARE(f.editor->recipientNameEdit->text(), QString());
    QCOMPARE(f.editor->courierBox->currentText(), QString("韵达快运"));
    QCOMPARE(f.editor->printStatusBox->currentText(), QString("已打印"));
}

void TestOrderEditor::trimming_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("blanks around") << "  张三  " << "张三";
    QTest::newRow("control characters") << "\t张三\r\n" << "张三";
    QTest::newRow("full-width blank stays") << "\u3000张 三\u3000" << "\u3000张 三\u3000";
}

void TestOrderEditor::trimming()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    Fixture f;
    f.sender.setCourier(" 申通快递 ");
    f.editor->openForNew();
    f.fillUpper(typed);
    for (QLineEdit* e : {f.editor->recipientMobileEdit, f.editor->recipientAddressEdit, f.editor->itemNameEdit, f.editor->memberEdit, f.editor->orderNumberEdit,
                         f.editor->remarkEdit})
        e->setText(" " + e->text() + "x ");
    f.editor->amountEdit->setText(" 12.5 ");
    QTest::mouseClick(f.editor->newButton, Qt::LeftButton);
    QCOMPARE(f.fp.dialogs.texts(), QStringList());
    QCOMPARE(f.stored(), QStringList{"申通快递|未打印|2026-12-10|" + stored +
                                     "|13912345678x|上海市浦东新区x|1.0|12.5|x|x|x|x"});
}

void TestOrderEditor::failedSaveLeavesNothingPending()
{
    // The failure is made with a trigger of the file's engine.
    KX_FILE_ONLY();
    Fixture f;
    f.db.exec("create trigger refuse before insert on data when new.a = '拒绝'"
              " begin select raise(abort, 'Field data.a is too long'); end");
    f.editor->openForNew();

    // A quantity that is not a number: refused, nothing stored.
    f.fillUpper("张三");
    f.editor->quantityEdit->setText(".");
    QTest::mouseClick(f.editor->newButton, Qt::LeftButton);
    QCOMPARE(f.fp.dialogs.texts(), QStringList{"数量必须是数字！"});
    QCOMPARE(f.stored(), QStringList());

    // A row the database refuses: the general error display, nothing stored,
    // no banner, no clearing.
    f.editor->quantityEdit->setText("2");
    f.editor->recipientNameEdit->setText("拒绝");
    QTest::mouseClick(f.editor->newButton, Qt::LeftButton);
    QCOMPARE(f.fp.dialogs.lastText(), QString("Field data.a is too long."));
    QCOMPARE(f.fp.dialogs.shown.last().icon, Dialogs::Icon::Critical);
    QCOMPARE(f.stored(), QStringList());
    QVERIFY(f.banners.isEmpty());
    QCOMPARE(f.editor->recipientNameEdit->text(), QString("拒绝"));

    // The next good save stores exactly its own row.
    f.editor->recipientNameEdit->setText("李四");
    QTest::mouseClick(f.editor->newButton, Qt::LeftButton);
    QCOMPARE(f.stored(), QStringList{"申通快递|未打印|2026-12-10|李四|13912345678|上海市浦东新区|2.0|0.0||||"});
    QCOMPARE(f.banners, QStringList{"新建记录成功..."});
}

void TestOrderEditor::loading()
{
    Fixture f;
    f.addOrder("张三", {{"1", 1.5}, {"2", 100000.0}, {"day1", "2026-03-05 14:22:09"}, {"g", "已打印"}});
    f.showAll();
    QVERIFY(f.run(&OrderEditorPanel::loadFromMenu));
    OrderEditorPanel* e = f.editor;
    QVERIFY(!e->isHidden());
    QVERIFY(e->newButton->isHidden());
    QVERIFY(!e->saveChangesButton->isHidden());
    QVERIFY(e->saveChangesButton->isEnabled());
    const QStringList shown = {e->courierBox->currentText(), e->printStatusBox->currentText(), e->dateFieldText(),
                               e->recipientNameEdit->text(), e->recipientMobileEdit->text(), e->recipientAddressEdit->text(), e->quantityEdit->text(),
                               e->amountEdit->text(), e->remarkEdit->text(), e->memberEdit->text(), e->orderNumberEdit->text(),
                               e->itemNameEdit->text()};
    QCOMPARE(shown, (QStringList{"圆通速递", "已打印", "2026-03-05", "张三", "13800001111", "北京市朝阳区", "1.5",
                                 "100000", "备注", "会员", "单号", "商品"}));
    QCOMPARE(e->loadedRowId(), std::optional<qint64>(f.dm.gridResult.rowId(0)));
}

void TestOrderEditor::numbersShownToFifteenDigits_data()
{
    QTest::addColumn<double>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("19.9 × 3") << 19.9 * 3 << "59.7";  // 59.699999999999996
    QTest::newRow("0.1 × 3") << 0.1 * 3 << "0.3";     // 0.30000000000000004
    QTest::newRow("a third") << 1.0 / 3 << "0.333333333333333";
    QTest::newRow("whole") << 1.0 << "1";
    QTest::newRow("half") << 12.5 << "12.5";
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("large, no exponent") << 100000.0 << "100000";
}

void TestOrderEditor::numbersShownToFifteenDigits()
{
    QFETCH(double, stored);
    QFETCH(QString, shown);
    Fixture f;
    f.addOrder("甲", {{"1", stored}, {"2", stored}});
    f.showAll();
    QVERIFY(f.run(&OrderEditorPanel::loadFromDoubleClick));
    QCOMPARE(f.editor->quantityEdit->text(), shown);
    QCOMPARE(f.editor->amountEdit->text(), shown);

    // Saved unchanged, the order keeps the very same numbers (compared as
    // REALs by the engine, not as texts).
    QTest::mouseClick(f.editor->saveChangesButton, Qt::LeftButton);
    QCOMPARE(f.banners, QStringList{"修改记录成功..."});
    QCOMPARE(f.db.scalar("select [1] = ? and [2] = ? from data", {stored, stored}).toInt(), 1);

    // The same text typed into a new order is the number it reads.
    QVERIFY(f.run(&OrderEditorPanel::loadFromDoubleClick));
    f.editor->openForNew();
    f.fillUpper("乙");
    f.editor->quantityEdit->setText(shown);
    f.editor->amountEdit->setText(shown);
    QTest::mouseClick(f.editor->newButton, Qt::LeftButton);
    QCOMPARE(f.db.scalar("select [1] = ? and [2] = ? from data where a = '乙'", {shown.toDouble(), shown.toDouble()})
                 .toInt(),
             1);
}

void TestOrderEditor::loadStopsAtNull_data()
{
    QTest::addColumn<QString>("nullColumn");
    QTest::addColumn<QStringList>("loaded");  // fields that took the order's texts
    const QStringList fields = {"ComboBox4", "ComboBox12", "DBDateTimeEditEh1", "Edit11", "Edit8", "Edit28",
                                "Edit1",     "Edit9",      "Edit22",            "Edit48", "Edit47", "Edit15"};
    QTest::newRow("courier") << "d" << QStringList{};
    QTest::newRow("quantity") << "1" << fields.mid(0, 6);
    QTest::newRow("remark") << "z" << fields.mid(0, 8);
    QTest::newRow("item name, the last") << "h" << fields.mid(0, 11);
}

void TestOrderEditor::loadStopsAtNull()
{
    QFETCH(QString, nullColumn);
    QFETCH(QStringList, loaded);
    Fixture f;
    f.addOrder("导入", {{"d", "韵达快运"}, {"g", "买家已付款"}, {"b", "13700000000"}, {"c", "导入地址"},
                        {"1", 4.0}, {"2", 9.5}, {"z", "导入备注"}, {"i", "导入会员"}, {"j", "导入单号"},
                        {"h", "导入商品"}, {"day1", "2026-01-02"}, {nullColumn, QVariant()}});
    f.showAll();
    // Old texts in every field, none of them equal to the order's.
    OrderEditorPanel* e = f.editor;
    e->openForNew();
    for (QLineEdit* l : e->findChildren<QLineEdit*>())
        if (l->parent() == e && !qobject_cast<DateField*>(l))
            l->setText("7");
    e->printStatusBox->setEditText("旧");
    e->setDate(QDate(2020, 5, 5));
    const QMap<QString, QString> before = [&] {
        QMap<QString, QString> m;
        for (QWidget* w : e->findChildren<QWidget*>())
            if (auto* l = qobject_cast<QLineEdit*>(w); l && l->parent() == e)
                m[l->objectName()] = l->displayText();
        m["ComboBox4"] = e->courierBox->currentText();
        m["ComboBox12"] = e->printStatusBox->currentText();
        return m;
    }();

    QVERIFY(!f.run(&OrderEditorPanel::loadFromMenu));
    QCOMPARE(f.fp.dialogs.texts(), QStringList{"Could not convert variant of type (Null) into type (String)."});
    QCOMPARE(f.fp.dialogs.shown[0].caption, appTitle);
    QVERIFY(!e->isHidden());
    for (auto it = before.begin(); it != before.end(); ++it) {
        QWidget* w = e->findChild<QWidget*>(it.key());
        const QString now = qobject_cast<QComboBox*>(w) ? static_cast<QComboBox*>(w)->currentText()
                                                        : static_cast<QLineEdit*>(w)->displayText();
        QCOMPARE(now != it.value(), loaded.contains(it.key()));
    }
}

void TestOrderEditor::changeWritesTheLoadedOrder_data()
{
    QTest::addColumn<bool>("filtered");
    // The user clicks another row before pressing "修 改".
    QTest::newRow("another row current") << false;
    // The grid now shows a result without the loaded order.
    QTest::newRow("order not in the grid") << true;
}

void TestOrderEditor::changeWritesTheLoadedOrder()
{
    QFETCH(bool, filtered);
    Fixture f;
    f.addOrder("甲");
    f.addOrder("乙");
    f.addOrder("丙");
    f.showAll();
    f.dm.gridResult.setCurrentRow(0);
    QVERIFY(f.run(&OrderEditorPanel::loadFromMenu));
    f.editor->recipientNameEdit->setText(" 甲改 ");
    f.editor->printStatusBox->setEditText("已打印");
    f.editor->remarkEdit->clear();
    if (filtered)
        f.orders.search("select * from data where a<>?", {"甲"});
    f.dm.gridResult.setCurrentRow(1);
    QTest::mouseClick(f.editor->saveChangesButton, Qt::LeftButton);

    QCOMPARE(f.fp.dialogs.texts(), QStringList());
    QCOMPARE(f.stored(), (QStringList{"圆通速递|已打印|2026-03-05|甲改|13800001111|北京市朝阳区|1.0|25.5||商品|会员|单号",
                                      "圆通速递|未打印|2026-03-05|乙|13800001111|北京市朝阳区|1.0|25.5|备注|商品|会员|单号",
                                      "圆通速递|未打印|2026-03-05|丙|13800001111|北京市朝阳区|1.0|25.5|备注|商品|会员|单号"}));
    // The column the panel does not show keeps its value.
    QCOMPARE(f.db.cli("select k from data where a='甲改'"), QStringList{"留言"});
    QCOMPARE(f.banners, QStringList{"修改记录成功..."});
    QCOMPARE(f.showAlls, 1);
    QVERIFY(f.editor->isHidden());
    QVERIFY(!f.editor->saveChangesButton->isEnabled());
    QCOMPARE(f.editor->recipientNameEdit->text(), QString());
}

void TestOrderEditor::changeOfVanishedOrderIsRefused()
{
    Fixture f;
    f.addOrder("甲");
    f.addOrder("乙");
    f.showAll();
    f.dm.gridResult.setCurrentRow(0);
    QVERIFY(f.run(&OrderEditorPanel::loadFromDoubleClick));
    // The loaded order is deleted from the grid, then the (now empty) grid...
    f.selection = {0};
    QVERIFY(f.run(&OrderEditorPanel::deleteSelected));
    f.selection = {0};
    QVERIFY(f.run(&OrderEditorPanel::deleteSelected));
    QCOMPARE(f.dm.gridResult.rowCount(), 0);
    f.fp.dialogs.clear();
    f.banners.clear();
    QTest::mouseClick(f.editor->saveChangesButton, Qt::LeftButton);
    QCOMPARE(f.fp.dialogs.texts(), QStringList{"要修改的记录已不存在（可能已被删除），修改没有保存。"});
    QCOMPARE(f.fp.dialogs.shown[0].caption, appTitle);
    // ...and no new order appeared in its place.
    QCOMPARE(f.stored(), QStringList());
    QVERIFY(f.banners.isEmpty());
    QVERIFY(!f.editor->isHidden());
}

void TestOrderEditor::longTextsKeptWhole()
{
    // Past the 32,767 characters a line edit holds by default.
    auto longText = [](const QString& piece) { return test::repeatedText(piece, 40000); };
    const QMap<QString, QString> texts = {
        {"a", longText("收件人")}, {"b", longText("139")},  {"c", longText("浙江省杭州市")},
        {"d", longText("快递")},   {"g", longText("状态")}, {"z", longText("备注")},
        {"h", longText("商品")},   {"i", longText("会员")}, {"j", longText("2026")}};
    Fixture f;
    QVariantMap order;
    for (auto it = texts.begin(); it != texts.end(); ++it)
        order[it.key()] = it.value();
    f.addOrder(texts["a"], order);
    f.showAll();
    QVERIFY(f.run(&OrderEditorPanel::loadFromMenu));
    QCOMPARE(f.editor->recipientAddressEdit->text().size(), 40000);
    QCOMPARE(f.editor->courierBox->currentText().size(), 40000);

    // Saved unchanged, every text goes back whole.
    QTest::mouseClick(f.editor->saveChangesButton, Qt::LeftButton);
    QCOMPARE(f.banners, QStringList{"修改记录成功..."});
    for (auto it = texts.begin(); it != texts.end(); ++it) {
        const QString stored = f.db.scalar(QString("select [%1] from data").arg(it.key())).toString();
        QCOMPARE(stored.size(), 40000);
        QVERIFY2(stored == it.value(), qPrintable(it.key()));
    }
}

void TestOrderEditor::changeAfterIncompleteLoadWritesNothing_data()
{
    QTest::addColumn<QVariantMap>("second");  // the order double-clicked after 甲
    QTest::addColumn<bool>("loadFails");
    QTest::newRow("load stops at a null remark") << QVariantMap{{"a", "乙"}, {"z", QVariant()}} << true;
    QTest::newRow("double-click on an empty name") << QVariantMap{{"a", ""}} << false;
}

void TestOrderEditor::changeAfterIncompleteLoadWritesNothing()
{
    QFETCH(QVariantMap, second);
    QFETCH(bool, loadFails);
    Fixture f;
    f.addOrder("甲", {{"z", "甲备注"}, {"i", "甲会员"}, {"j", "甲单号"}, {"h", "甲商品"}});
    f.addOrder(second["a"].toString(), second);
    f.showAll();
    const QStringList before = f.stored();
    f.dm.gridResult.setCurrentRow(0);
    QVERIFY(f.run(&OrderEditorPanel::loadFromDoubleClick));
    QVERIFY(f.editor->loadedRowId());

    f.dm.gridResult.setCurrentRow(1);
    QCOMPARE(f.run(&OrderEditorPanel::loadFromDoubleClick), !loadFails);
    // The panel still shows 甲's lower part (and, after the stopped load, 乙's
    // upper part), yet belongs to neither order.
    QCOMPARE(f.editor->orderNumberEdit->text(), QString("甲单号"));
    QVERIFY(!f.editor->loadedRowId());
    QVERIFY(f.editor->saveChangesButton->isEnabled());
    f.fp.dialogs.clear();
    QTest::mouseClick(f.editor->saveChangesButton, Qt::LeftButton);

    QCOMPARE(f.fp.dialogs.texts(), QStringList{"没有要修改的记录：请先双击列表中的记录，再修改。"});
    QCOMPARE(f.stored(), before);
    QVERIFY(f.banners.isEmpty());
    QVERIFY(!f.editor->isHidden());
}

void TestOrderEditor::doubleClickRules()
{
    Fixture f;
    f.addOrder("甲");
    f.addOrder("");
    f.showAll();

    // An empty name: a hidden panel stays hidden, but "修 改" is shown and enabled.
    f.editor->closePanel();
    f.dm.gridResult.setCurrentRow(1);
    QVERIFY(f.run(&OrderEditorPanel::loadFromDoubleClick));
    QVERIFY(f.editor->isHidden());
    QVERIFY(!f.editor->saveChangesButton->isHidden());
    QVERIFY(f.editor->saveChangesButton->isEnabled());
    QCOMPARE(f.editor->recipientNameEdit->text(), QString());
    // The grid menu does nothing at all on it.
    f.editor->saveChangesButton->hide();
    QVERIFY(f.run(&OrderEditorPanel::loadFromMenu));
    QVERIFY(f.editor->saveChangesButton->isHidden());

    // Typing a new order, then a double-click on the empty name: "修 改"
    // appears but there is no loaded order to write into.
    f.editor->openForNew();
    f.fillUpper("新人");
    QVERIFY(f.run(&OrderEditorPanel::loadFromDoubleClick));
    QTest::mouseClick(f.editor->saveChangesButton, Qt::LeftButton);
    QCOMPARE(f.fp.dialogs.texts(), QStringList{"没有要修改的记录：请先双击列表中的记录，再修改。"});
    QCOMPARE(f.db.cli("select count(*) from data where a='新人'"), QStringList{"0"});

    // After "新建记录", a double-click shows both buttons; "新 建" then stores
    // the loaded values as a second order.
    f.editor->openForNew();
    f.dm.gridResult.setCurrentRow(0);
    QVERIFY(f.run(&OrderEditorPanel::loadFromDoubleClick));
    QVERIFY(!f.editor->isHidden());
    QVERIFY(!f.editor->newButton->isHidden());
    QVERIFY(!f.editor->saveChangesButton->isHidden());
    QTest::mouseClick(f.editor->newButton, Qt::LeftButton);
    QCOMPARE(f.db.cli("select count(*) from data where a='甲' and z='备注'"), QStringList{"2"});
}

void TestOrderEditor::enterChain()
{
    Fixture f;
    f.addOrder("甲");
    f.showAll();
    f.showWindow();
    OrderEditorPanel* e = f.editor;
    e->openForNew();
    e->toggleHeight();
    auto enterFrom = [](QWidget* w) {
        w->setFocus();
        QTest::keyClick(w, Qt::Key_Return);
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
    };
    QCOMPARE(enterFrom(e->recipientNameEdit), QString("Edit8"));
    QCOMPARE(enterFrom(e->recipientMobileEdit), QString("Edit28"));
    QCOMPARE(enterFrom(e->recipientAddressEdit), QString("DBDateTimeEditEh1"));
    QCOMPARE(enterFrom(e->payDateField), QString("ComboBox4"));
    QCOMPARE(enterFrom(e->courierBox), QString("ComboBox12"));
    QCOMPARE(enterFrom(e->printStatusBox), QString("ComboBox12"));
    QCOMPARE(e->courierBox->count(), 8);  // Enter added nothing to the list
    QCOMPARE(enterFrom(e->itemNameEdit), QString("Edit15"));
    QCOMPARE(enterFrom(e->quantityEdit), QString("Edit9"));
    QCOMPARE(enterFrom(e->amountEdit), QString("Edit22"));
    QCOMPARE(enterFrom(e->remarkEdit), QString("Button1"));
    // A further Enter presses "新 建".
    f.fillUpper("乙");
    QTest::keyClick(e->newButton, Qt::Key_Return);
    QCOMPARE(f.banners, QStringList{"新建记录成功..."});

    // Opened to change an order, "新 建" is hidden: Enter leads to "修 改".
    f.dm.gridResult.setCurrentRow(0);
    QVERIFY(f.run(&OrderEditorPanel::loadFromMenu));
    QCOMPARE(enterFrom(e->remarkEdit), QString("Button3"));
    QTest::keyClick(e->saveChangesButton, Qt::Key_Return);
    QCOMPARE(f.banners.last(), QString("修改记录成功..."));
}

void TestOrderEditor::dateRefill()
{
    Fixture f;
    f.addOrder("无日期", {{"day1", ""}});
    f.showAll();
    OrderEditorPanel* e = f.editor;
    e->payDateField->clear();
    QCOMPARE(e->dateFieldText(), QString("    -  -  "));
    e->refillBlankDate(QDate(2026, 12, 11));
    QCOMPARE(e->dateFieldText(), QString("2026-12-11"));
    e->refillBlankDate(QDate(2026, 12, 12));  // a date stays as it is
    QCOMPARE(e->dateFieldText(), QString("2026-12-11"));

    // An order without a payment date shows a blank field, which the timer
    // fills; saving the change stores that date.
    QVERIFY(f.run(&OrderEditorPanel::loadFromMenu));
    QCOMPARE(e->dateFieldText(), QString("    -  -  "));
    e->refillBlankDate(QDate(2026, 12, 13));
    QTest::mouseClick(e->saveChangesButton, Qt::LeftButton);
    QCOMPARE(f.db.cli("select day1 from data"), QStringList{"2026-12-13"});

    // The drop-down calendar sets the field.
    e->payDateField->showCalendar();
    emit e->payDateField->calendar()->clicked(QDate(2027, 1, 31));
    QCOMPARE(e->dateFieldText(), QString("2027-01-31"));
}

void TestOrderEditor::heightAndClose()
{
    Fixture f;
    OrderEditorPanel* e = f.editor;
    e->openForNew();
    QTest::mouseClick(e->moreButton, Qt::LeftButton);
    QCOMPARE(e->height(), 320);
    QTest::mouseClick(e->moreButton, Qt::LeftButton);
    QCOMPARE(e->height(), 175);
    e->recipientNameEdit->setText("张三");
    e->quantityEdit->setText("5");
    e->saveChangesButton->setEnabled(true);
    QTest::mouseClick(e->closeIcon, Qt::LeftButton);
    QVERIFY(e->isHidden());
    QCOMPARE(e->recipientNameEdit->text(), QString());
    QCOMPARE(e->quantityEdit->text(), QString("1"));
    QVERIFY(!e->saveChangesButton->isEnabled());
}

QTEST_MAIN(TestOrderEditor)
#include "tst_ordereditor.moc"
