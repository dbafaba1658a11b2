// The sender panel: the live sender profile and its one stored row in `post`.

#include "Fakes.h"
#include "TestDb.h"
#include "Typing.h"

#include "core/ConversionError.h"
#include "core/CourierCatalogue.h"
#include "core/DbError.h"
#include "data/DataOps.h"
#include "data/SenderProfile.h"
#include "data/Database.h"
#include "waybill/SenderPanel.h"
#include "widgets/CloseIcon.h"
#include "widgets/FontSubstitutions.h"
#include "widgets/PictureButton.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

using namespace kx;

class TestWaybillSender : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void panelLayout();
    void saveChecksInOrder_data();
    void saveChecksInOrder();
    void saveTrimsAndCreatesTheRow();
    void saveChangesOnlyTheFirstRow();
    void refusedWriteKeepsPanelOpen();
    void crossHidesWithoutSaving();
    void enterMovesAlongTheBoxes();
    void loadStopsAtNull_data();
    void loadStopsAtNull();
    void longTextsKeptWhole();

private:
    void fill(const QString& courier, const QString& name, const QString& mobile, const QString& address);
    void pressSave();

    std::unique_ptr<test::TestDb> m_db;
    std::unique_ptr<test::FakePlatform> m_fake;
    std::unique_ptr<Database> m_dm;
    std::unique_ptr<QWidget> m_main;
    SenderProfile* m_profile = nullptr;
    SenderPanel* m_panel = nullptr;
};

void TestWaybillSender::initTestCase()
{
    registerFontSubstitutions();
}

void TestWaybillSender::init()
{
    m_db = std::make_unique<test::TestDb>();
    m_fake = std::make_unique<test::FakePlatform>();
    m_dm = std::make_unique<Database>();
    m_main = std::make_unique<QWidget>();
    m_main->resize(900, 600);
    m_profile = new SenderProfile(*m_dm, m_main.get());
    m_panel = new SenderPanel(*m_profile, m_fake->platform, m_main.get());
    m_main->show();
    QApplication::setActiveWindow(m_main.get());
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
}

void TestWaybillSender::cleanup()
{
    m_main.reset();
    m_dm.reset();
    m_fake.reset();
    m_db.reset();
}

void TestWaybillSender::fill(const QString& courier, const QString& name, const QString& mobile,
                             const QString& address)
{
    m_panel->defaultCourierBox->setEditText(courier);
    m_panel->senderNameEdit->setText(name);
    m_panel->senderMobileEdit->setText(mobile);
    m_panel->senderAddressEdit->setText(address);
}

void TestWaybillSender::pressSave()
{
    QTest::mousePress(m_panel->saveButton, Qt::LeftButton, {}, QPoint(60, 18));
}

void TestWaybillSender::panelLayout()
{
    QCOMPARE(m_panel->objectName(), QStringLiteral("Panel5"));
    QCOMPARE(m_panel->geometry(), QRect(232, 208, 465, 217));
    QVERIFY(!m_panel->isVisible());
    QCOMPARE(m_panel->cursor().shape(), Qt::SizeAllCursor);

    struct Field {
        QWidget* widget;
        const char* label;
        QRect at;  // left, top, width (height is the widget's own)
    };
    const QList<Field> fields = {{m_panel->senderNameEdit, "寄件人姓名：", QRect(122, 34, 96, 0)},
                                 {m_panel->senderMobileEdit, "寄件人手机：", QRect(122, 66, 96, 0)},
                                 {m_panel->senderAddressEdit, "寄件地址：", QRect(122, 98, 316, 0)},
                                 {m_panel->defaultCourierBox, "默认快递：", QRect(122, 130, 91, 0)}};
    const QList<QLabel*> labels = m_panel->findChildren<QLabel*>();
    for (const Field& f : fields) {
        QCOMPARE(QPoint(f.widget->x(), f.widget->y()), f.at.topLeft());
        QCOMPARE(f.widget->width(), f.at.width());
        QLabel* label = nullptr;
        for (QLabel* l : labels)
            if (l->text() == QString::fromUtf8(f.label))
                label = l;
        QVERIFY2(label, f.label);
        QCOMPARE(label->buddy(), f.widget);
        QVERIFY(label->geometry().right() < f.widget->x());
        QCOMPARE(label->y(), f.widget->y());
    }
    QCOMPARE(m_panel->findChild<QLineEdit*>("Edit51"), m_panel->senderNameEdit);
    QVERIFY(m_panel->defaultCourierBox->isEditable());
    QStringList items;
    for (int i = 0; i < m_panel->defaultCourierBox->count(); ++i)
        items << m_panel->defaultCourierBox->itemText(i);
    QCOMPARE(items, CourierCatalogue::courierList());
    QCOMPARE(m_panel->defaultCourierBox->currentText(), QString());

    QCOMPARE(m_panel->saveButton->geometry(), QRect(183, 165, 130, 36));
    QCOMPARE(m_panel->saveButton->accessibleName(), QStringLiteral("保 存"));
    QCOMPARE(m_panel->closeIcon->geometry(), QRect(416, 16, 17, 17));
    QCOMPARE(m_panel->closeIcon->objectName(), QStringLiteral("Image5"));

    // Shown, it lies over the main window's other children, also those made after it.
    auto* grid = new QWidget(m_main.get());
    grid->setGeometry(0, 0, 900, 600);
    grid->show();
    m_panel->show();
    QWidget* top = m_main->childAt(m_panel->geometry().center());
    QVERIFY(top == m_panel || m_panel->isAncestorOf(top));
}

void TestWaybillSender::saveChecksInOrder_data()
{
    QTest::addColumn<QStringList>("boxes");  // courier, name, mobile, address
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("all empty") << QStringList{"", "", "", ""} << "默认快递必须输入！" << "ComboBox2";
    QTest::newRow("courier blanks") << QStringList{"  ", "王", "1", "地址"} << "默认快递必须输入！" << "ComboBox2";
    QTest::newRow("no name") << QStringList{"申通快递", "", "", ""} << "寄件人姓名必须输入！" << "Edit51";
    QTest::newRow("name of blanks") << QStringList{"申通快递", " \t ", "1", "地址"} << "寄件人姓名必须输入！"
                                    << "Edit51";
    QTest::newRow("no mobile") << QStringList{"申通快递", "王", "", ""} << "寄件人手机必须输入！" << "Edit52";
    QTest::newRow("no address") << QStringList{"申通快递", "王", "1", " "} << "寄件地址必须输入！" << "Edit53";
}

void TestWaybillSender::saveChecksInOrder()
{
    QFETCH(QStringList, boxes);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    m_panel->show();
    fill(boxes[0], boxes[1], boxes[2], boxes[3]);
    QSignalSpy banner(m_panel, &SenderPanel::bannerRequested);
    pressSave();
    QCOMPARE(m_fake->dialogs.shown.size(), 1);
    QCOMPARE(m_fake->dialogs.shown[0].caption, QStringLiteral("Warning"));
    QCOMPARE(m_fake->dialogs.shown[0].text, message);
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    QVERIFY(m_panel->isVisible());
    QVERIFY(banner.isEmpty());
    QCOMPARE(m_db->cli("select count(*) from post"), QStringList{"0"});
}

void TestWaybillSender::saveTrimsAndCreatesTheRow()
{
    m_panel->show();
    // A missing row reads as a null: the first box stops the loading.
    fill(QString(), QStringLiteral("旧"), QString(), QString());
    try {
        m_panel->load();
        QFAIL("loaded an empty post table");
    } catch (const ConversionError&) {
    }
    QCOMPARE(m_panel->senderNameEdit->text(), QStringLiteral("旧"));

    m_panel->senderNameEdit->clear();
    test::typeText(m_panel->senderNameEdit, QStringLiteral(" 王小明"));
    m_panel->senderNameEdit->insert(QStringLiteral("\t"));
    m_panel->senderMobileEdit->setText(QStringLiteral("13900001111 "));
    m_panel->senderAddressEdit->setText(QStringLiteral("\u3000杭州市西湖区 "));
    m_panel->defaultCourierBox->setEditText(QStringLiteral(" 自家快递"));  // typed, not in the list
    QSignalSpy banner(m_panel, &SenderPanel::bannerRequested);
    pressSave();

    QVERIFY(m_fake->dialogs.shown.isEmpty());
    QCOMPARE(m_db->cli("select a, b, c, d from post"),
             QStringList{"王小明|13900001111|\u3000杭州市西湖区|自家快递"});
    QCOMPARE(banner.size(), 1);
    QCOMPARE(banner[0][0].toString(), QStringLiteral("寄件人设置成功.."));
    QVERIFY(!m_panel->isVisible());
    // The boxes keep what was typed, blanks included.
    QCOMPARE(m_panel->senderNameEdit->text(), QStringLiteral(" 王小明\t"));
    QCOMPARE(m_panel->defaultCourierBox->currentText(), QStringLiteral(" 自家快递"));

    // Loading now works and brings the stored, trimmed texts.
    m_panel->load();
    QCOMPARE(m_panel->senderNameEdit->text(), QStringLiteral("王小明"));
    QCOMPARE(m_panel->defaultCourierBox->currentText(), QStringLiteral("自家快递"));
}

void TestWaybillSender::saveChangesOnlyTheFirstRow()
{
    m_db->exec("insert into post (a, b, c, d) values ('甲', '1', '一', '申通快递')");
    m_db->exec("insert into post (a, b, c, d) values ('乙', '2', '二', '圆通速递')");
    m_dm->senderWriter.open();  // as the main window's start-up leaves it
    fill(QStringLiteral("顺丰速运"), QStringLiteral("丙"), QStringLiteral("3"), QStringLiteral("三"));
    m_panel->save();
    fill(QStringLiteral("韵达快运"), QStringLiteral("丁"), QStringLiteral("4"), QStringLiteral("四"));
    m_panel->save();
    QCOMPARE(m_db->cli("select a, b, c, d from post order by rowid"),
             (QStringList{"丁|4|四|韵达快运", "乙|2|二|圆通速递"}));
}

void TestWaybillSender::refusedWriteKeepsPanelOpen()
{
    m_db->exec("insert into post (a, b, c, d) values ('甲', '1', '一', '申通快递')");
    m_dm->senderWriter.open();
    m_db->exec("drop table post");
    m_panel->show();
    fill(QStringLiteral("顺丰速运"), QStringLiteral("丙"), QStringLiteral("3"), QStringLiteral("三"));
    QSignalSpy banner(m_panel, &SenderPanel::bannerRequested);
    pressSave();
    QCOMPARE(m_fake->dialogs.shown.size(), 1);
    QCOMPARE(m_fake->dialogs.shown[0].icon, Dialogs::Icon::Critical);
    QVERIFY(m_fake->dialogs.shown[0].text.contains("post"));
    QVERIFY(banner.isEmpty());
    QVERIFY(m_panel->isVisible());
}

void TestWaybillSender::crossHidesWithoutSaving()
{
    m_db->exec("insert into post (a, b, c, d) values ('甲', '1', '一', '申通快递')");
    m_panel->load();
    m_panel->show();
    m_panel->senderNameEdit->clear();
    test::typeText(m_panel->senderNameEdit, QStringLiteral("改名"));
    QTest::mouseClick(m_panel->closeIcon, Qt::LeftButton, {}, QPoint(8, 8));
    QVERIFY(!m_panel->isVisible());
    QCOMPARE(m_panel->senderNameEdit->text(), QStringLiteral("改名"));
    QCOMPARE(m_db->cli("select a from post"), QStringList{"甲"});
    // Showing again without loading keeps the change; loading brings the stored name back.
    m_panel->show();
    QCOMPARE(m_panel->senderNameEdit->text(), QStringLiteral("改名"));
    m_panel->load();
    QCOMPARE(m_panel->senderNameEdit->text(), QStringLiteral("甲"));
}

void TestWaybillSender::enterMovesAlongTheBoxes()
{
    m_panel->show();
    m_panel->senderNameEdit->setFocus();
    QCOMPARE(QApplication::focusWidget(), m_panel->senderNameEdit);
    for (QWidget* next : {static_cast<QWidget*>(m_panel->senderMobileEdit), static_cast<QWidget*>(m_panel->senderAddressEdit),
                          static_cast<QWidget*>(m_panel->defaultCourierBox)}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), next);
    }
    // The chain ends at the courier box: Enter neither moves on nor adds a list entry.
    m_panel->defaultCourierBox->setEditText(QStringLiteral("自家快递"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), m_panel->defaultCourierBox);
    QCOMPARE(m_panel->defaultCourierBox->count(), 8);
    QVERIFY(m_fake->dialogs.shown.isEmpty());
    QCOMPARE(m_db->cli("select count(*) from post"), QStringList{"0"});
}

void TestWaybillSender::loadStopsAtNull_data()
{
    QTest::addColumn<QString>("nullColumn");
    QTest::addColumn<QStringList>("after");  // the four boxes after loading
    const QString old = QStringLiteral("旧");
    QTest::newRow("no null") << "" << QStringList{"甲", "1", "一", "申通快递"};
    QTest::newRow("name") << "a" << QStringList{old, old, old, old};
    QTest::newRow("address") << "c" << QStringList{"甲", "1", old, old};
    QTest::newRow("courier") << "d" << QStringList{"甲", "1", "一", old};
}

void TestWaybillSender::loadStopsAtNull()
{
    QFETCH(QString, nullColumn);
    QFETCH(QStringList, after);
    m_db->exec("insert into post (a, b, c, d) values ('甲', '1', '一', '申通快递')");
    if (!nullColumn.isEmpty())
        m_db->exec(QStringLiteral("update post set %1 = null").arg(nullColumn));
    const QString old = QStringLiteral("旧");
    fill(old, old, old, old);
    bool failed = false;
    try {
        m_panel->load();
    } catch (const ConversionError& e) {
        failed = true;
        QCOMPARE(e.message(), QStringLiteral("Could not convert variant of type (Null) into type (String)"));
    }
    QCOMPARE(failed, !nullColumn.isEmpty());
    QCOMPARE((QStringList{m_panel->senderNameEdit->text(), m_panel->senderMobileEdit->text(), m_panel->senderAddressEdit->text(),
                          m_panel->defaultCourierBox->currentText()}),
             after);
    QVERIFY(!m_panel->isVisible());  // loading alone does not show the panel
}

void TestWaybillSender::longTextsKeptWhole()
{
    // Past the 32,767 characters a line edit holds by default.
    auto longText = [](const QString& piece) { return test::repeatedText(piece, 40000); };
    const QStringList texts = {longText(QStringLiteral("寄件人")), longText(QStringLiteral("138")),
                               longText(QStringLiteral("杭州市文三路")), longText(QStringLiteral("快递"))};
    m_db->exec(QStringLiteral("insert into post (a, b, c, d) values (?, ?, ?, ?)"),
               {texts[0], texts[1], texts[2], texts[3]});
    m_panel->load();
    m_panel->show();
    QCOMPARE(m_panel->senderAddressEdit->text().size(), 40000);
    QCOMPARE(m_panel->defaultCourierBox->currentText().size(), 40000);

    // Saved unchanged, every text goes back whole.
    pressSave();
    QVERIFY(m_fake->dialogs.shown.isEmpty());
    const QStringList columns = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")};
    for (int i = 0; i < columns.size(); ++i) {
        const QString stored = m_db->scalar(QStringLiteral("select %1 from post").arg(columns[i])).toString();
        QCOMPARE(stored.size(), 40000);
        QVERIFY2(stored == texts[i], qPrintable(columns[i]));
    }
}

QTEST_MAIN(TestWaybillSender)
#include "tst_waybill_sender.moc"
