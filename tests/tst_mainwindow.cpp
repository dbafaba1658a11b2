#include "MainSession.h"

#include "access/ChangePasswordWindow.h"
#include "access/LoginWindow.h"
#include "access/UserAdminWindow.h"
#include "app/CreateOnDemand.h"
#include "app/SuccessBanner.h"
#include "app/MainWindow.h"
#include "core/DbError.h"
#include "data/Database.h"
#include "importui/ImportWindow.h"
#include "maintenance/BackupWindow.h"
#include "orders/OrderEditorPanel.h"
#include "orders/GridColumn.h"
#include "orders/OrderGrid.h"
#include "orders/OrderGridDelegate.h"
#include "orders/OrderGridModel.h"
#include "orders/QuickSearchPanel.h"
#include "preview/ReportPreview.h"
#include "waybill/SenderPanel.h"
#include "widgets/CommandRegistry.h"
#include "widgets/FooterRow.h"
#include "widgets/TwoLevelHeader.h"
#include "Typing.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QtTest>

using namespace kx;

namespace {

const char* postRow = "insert into post values ('李明','13812345678','杭州市文三路188号','申通快递')";

// A small window kind for the create-on-demand rule.
class ToolWindow : public QWidget {
    Q_OBJECT
public:
    explicit ToolWindow(QWidget* owner) : QWidget(owner, Qt::Window)
    {
        ++created;
        show();
    }
    static inline int created = 0;
};

// The timers are fired by hand: a test that waits for them on a busy machine
// measures the machine, not the program.
void fire(QTimer* timer)
{
    QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void layoutAndCaptions();
    void startUpComplete();
    void startUpStops_data();
    void startUpStops();
    void showAllAndNullCourier();
    void bannerTwoSecondRule();
    void blankDateRefilled();
    void createOnDemand();
    void resizingGivesGridTheRest();
    void gridShowsFiguresWhole_data();
    void gridShowsFiguresWhole();
    void gridTitlesWhole();
    void cutTextsShowWholeUnderHintSettings();
    void errorDisplayAddsFullStop();
    void commandsReachTheirWindows();
    void systemNamesAreObjectNames();
};

void TestMainWindow::layoutAndCaptions()
{
    test::MainSession s;
    MainWindow& w = *s.main;
    QCOMPARE(w.windowTitle(), QString("Kestrix快递单打印软件 V2.1"));
    QCOMPARE(w.centralWidget()->height() + w.statusBar()->height(), 636);
    QCOMPARE(w.width(), 1058);
    QCOMPARE(w.grid()->height(), 473);
    QCOMPARE(w.quickSearch()->geometry(), QRect(18, 10, 519, 118));
    QCOMPARE(w.quickSearch()->title(), QString(" 快速查询"));
    QCOMPARE(w.findChild<QWidget*>("Image8")->geometry(), QRect(575, 81, 130, 36));
    QCOMPARE(w.findChild<QWidget*>("Image6")->geometry(), QRect(727, 81, 130, 36));
    QCOMPARE(w.banner()->geometry(), QRect(0, 0, 257, 49));
    QVERIFY(!w.banner()->isVisible());
    QCOMPARE(w.statusPanel(1)->text(), QString("操作员："));
    QCOMPARE(w.statusPanel(0)->width(), 350);

    QStringList captions;
    for (QAction* a : w.commands()->toolBar()->actions())
        captions << a->text();
    QCOMPARE(captions, QStringList({"批量导入", "新建记录", "网点查询", "数据备份", "寄件人", "设 置", "技术支持"}));
    QCOMPARE(w.commands()->settingsButton()->popupMode(), QToolButton::InstantPopup);
    QStringList settings;
    for (QAction* a : w.commands()->settingsButton()->defaultAction()->menu()->actions())
        settings << (a->isSeparator() ? QString("-") : a->text());
    QCOMPARE(settings, QStringList({"寄件人信息", "打印校准", "-", "修改密码", "用户管理", "数据库连接", "皮肤界面"}));
    // Every user may calibrate the printer.
    QVERIFY(w.commands()->action(Command::Calibration)->isEnabled());

    QStringList menu;
    for (QAction* a : w.commands()->gridMenu()->actions())
        menu << (a->isSeparator() ? QString("-") : a->text());
    QCOMPARE(menu, QStringList({"单张打印", "批量打印", "-", "批量导入", "新建记录", "修 改", "删 除", "全部记录",
                                "导出Excel", "打印全部清单", "-", "隐藏商品信息"}));
    QCOMPARE(w.commands()->action(Command::GridExport)->shortcut(), QKeySequence("Ctrl+E"));
    QCOMPARE(w.commands()->action(Command::GridPrintList)->shortcut(), QKeySequence("Ctrl+D"));
    // Entries whose commands the program does not have yet do not pretend to work.
    QVERIFY(w.commands()->action(Command::Backup)->isEnabled());
    QVERIFY(w.commands()->action(Command::GridShowAll)->isEnabled());
    QVERIFY(w.commands()->action(Command::GridExport)->isEnabled());
    QCOMPARE(w.commands()->menu(CommandMenu::GridSinglePrint)->actions().size(), 11);  // nine couriers, two separators
}

void TestMainWindow::startUpComplete()
{
    test::MainSession s;
    MainWindow& w = *s.main;
    test::FakePlatform& fp = s.fp;
    QVERIFY(fp.dialogs.shown.isEmpty());
    QCOMPARE(w.senderPanel()->senderNameEdit->text(), QString("李明"));
    QCOMPARE(w.senderPanel()->defaultCourierBox->currentText(), QString("申通快递"));
    QVERIFY(!w.editor()->isVisible());
    QVERIFY(!w.senderPanel()->isVisible());
    QCOMPARE(w.editor()->dateFieldText(), QString("2026-12-10"));
    QCOMPARE(w.statusPanel(2)->text(), QString("今天：2026-12-10"));
    // The login follows the start-up.
    QTRY_VERIFY(w.login()->isVisible());
}

void TestMainWindow::startUpStops_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("sender");
    QTest::newRow("data1 lacks a column")
        << QString(postRow) + ";alter table data1 rename to old1;create table data1 (ID integer, a text)"
        << "no such column" << "";
    QTest::newRow("data1 column of another type")
        << QString(postRow) + ";alter table data1 rename to old1;"
                              "create table data1 as select * from old1;"
                              "drop table data1;"
                              "create table data1 (ID INTEGER, a TEXT, b TEXT, c TEXT, d TEXT, e TEXT, f TEXT, g TEXT,"
                              " h TEXT, i TEXT, j TEXT, k TEXT, l TEXT, m TEXT, n TEXT, o TEXT, p TEXT, q TEXT, r TEXT,"
                              " s TEXT, t TEXT, u TEXT, v TEXT, w TEXT, x TEXT, y TEXT, z TEXT, [1] TEXT, [2] REAL,"
                              " [3] REAL, [4] REAL, a5 REAL, [6] REAL, [7] REAL, [8] REAL, [9] REAL, day1 TEXT,"
                              " day2 TEXT, day3 TEXT, day4 TEXT, day5 TEXT, day6 TEXT)"
        << "Type mismatch" << "";
    QTest::newRow("post empty") << QString() << "Could not convert variant of type (Null) into type (String)."
                                << "";
    QTest::newRow("post with a null") << "insert into post (a,b,c) values ('王','139','地址')"
                                      << "Could not convert variant of type (Null) into type (String)."
                                      << "王";
}

void TestMainWindow::startUpStops()
{
    QFETCH(QString, fixture);
    QFETCH(QString, message);
    QFETCH(QString, sender);
    test::MainSession s(
        [&](test::TestDb& db) {
            for (const QString& sql : fixture.split(';', Qt::SkipEmptyParts))
                db.exec(sql);
        },
        false);
    MainWindow& w = *s.main;
    test::FakePlatform& fp = s.fp;
    QCOMPARE(fp.dialogs.shown.size(), 1);
    QVERIFY2(fp.dialogs.lastText().contains(message), qPrintable(fp.dialogs.lastText()));
    QCOMPARE(fp.dialogs.shown[0].caption, QString("Kestrix快递单打印软件"));
    QCOMPARE(fp.dialogs.shown[0].icon, Dialogs::Icon::Critical);
    // The later steps did not run, but the window is shown and the login follows.
    QCOMPARE(w.senderPanel()->senderNameEdit->text(), sender);
    QVERIFY(w.editor()->isVisible());
    QCOMPARE(w.statusPanel(2)->text(), QString());
    QVERIFY(w.isVisible());
    QTRY_VERIFY(w.login()->isVisible());
}

void TestMainWindow::showAllAndNullCourier()
{
    test::MainSession s([](test::TestDb& db) {
        db.addOrder({{"a", "甲"}, {"d", "申通快递"}});
        db.addOrder({{"a", "乙"}, {"d", "EMS邮政快递"}});
        db.addOrder({{"a", "丙"}, {"d", "申通快递"}});
    });
    MainWindow& w = *s.main;
    test::FakePlatform& fp = s.fp;
    Database& dm = *s.dm;
    w.quickSearch()->showAllButton->click();
    QCOMPARE(dm.gridResult.rowCount(), 3);
    QCOMPARE(dm.gridResult.currentRow(), 2);
    QCOMPARE(w.grid()->rowCountText(), QString("共3条记录"));
    QCOMPARE(w.quickSearch()->courierBox->count(), 2);
    QCOMPARE(w.quickSearch()->courierBox->currentText(), QString());

    // A null courier stops the action at the list fill: the grid and its
    // count keep their previous state.
    s.db.addOrder({{"a", "丁"}});
    w.commands()->action(Command::GridShowAll)->trigger();
    QCOMPARE(fp.dialogs.texts(), QStringList{"Could not convert variant of type (Null) into type (String)."});
    QCOMPARE(dm.gridResult.rowCount(), 3);
    QCOMPARE(w.grid()->rowCountText(), QString("共3条记录"));
    QCOMPARE(w.quickSearch()->courierBox->count(), 0);
}

void TestMainWindow::bannerTwoSecondRule()
{
    test::MainSession s;
    MainWindow& w = *s.main;
    QTimer* timer = w.banner()->hideTimer;
    QCOMPARE(timer, w.banner()->findChild<QTimer*>("Timer2"));
    QCOMPARE(timer->interval(), 2000);
    w.showBanner("新建记录成功...");
    QVERIFY(w.banner()->isVisible());
    QVERIFY(timer->isActive());
    // A second message within the two seconds keeps the first deadline: the
    // running timer is neither stopped nor started again.
    int startsAndStops = 0;
    const QPropertyNotifier watch = timer->bindableActive().addNotifier([&] { ++startsAndStops; });
    w.showBanner("修改记录成功...");
    QCOMPARE(w.banner()->text(), QString("修改记录成功..."));
    QVERIFY(w.banner()->isVisible());
    QCOMPARE(startsAndStops, 0);
    fire(timer);
    QVERIFY(!w.banner()->isVisible());
    QVERIFY(!timer->isActive());
}

void TestMainWindow::blankDateRefilled()
{
    test::MainSession s;
    MainWindow& w = *s.main;
    test::FakePlatform& fp = s.fp;
    QCOMPARE(w.blankDateTimer, w.findChild<QTimer*>("Timer1"));
    QCOMPARE(w.blankDateTimer->interval(), 500);
    QVERIFY(w.blankDateTimer->isActive());
    fp.clock.moment = QDateTime(QDate(2027, 1, 2), QTime(8, 0));
    // A date the user gave stays.
    w.editor()->setDate(QDate(2026, 5, 6));
    fire(w.blankDateTimer);
    QCOMPARE(w.editor()->dateFieldText(), QString("2026-05-06"));
    w.editor()->setDate(QDate());
    QCOMPARE(w.editor()->dateFieldText(), QString("    -  -  "));
    fire(w.blankDateTimer);
    QCOMPARE(w.editor()->dateFieldText(), QString("2027-01-02"));
}

void TestMainWindow::createOnDemand()
{
    QWidget owner;
    ToolWindow::created = 0;
    ToolWindow* first = kx::createOnDemand<ToolWindow>(&owner);
    QCOMPARE(ToolWindow::created, 1);
    first->showMinimized();
    ToolWindow* again = kx::createOnDemand<ToolWindow>(&owner);
    QCOMPARE(again, first);
    QCOMPARE(ToolWindow::created, 1);
    QVERIFY(!again->isMinimized());
    QPointer<ToolWindow> gone(first);
    first->close();  // deletes itself
    QTRY_VERIFY(gone.isNull());
    kx::createOnDemand<ToolWindow>(&owner);
    QCOMPARE(ToolWindow::created, 2);
}

void TestMainWindow::resizingGivesGridTheRest()
{
    test::MainSession s;
    MainWindow& w = *s.main;
    const QRect search = w.quickSearch()->geometry();
    // Window managers read the size hints: a window whose minimum equals its
    // maximum is never offered maximising. The offscreen platform ignores
    // them, so they are checked here rather than through the window state.
    QCOMPARE(w.minimumSize(), QSize(1058, 636));
    QCOMPARE(w.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    QVERIFY(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    w.showMaximized();
    QTRY_VERIFY(w.isMaximized());
    QTRY_VERIFY(w.height() > 636);
    QCOMPARE(w.grid()->height(), w.centralWidget()->height() - 141);
    QCOMPARE(w.quickSearch()->geometry(), search);
    w.showNormal();
    QTRY_COMPARE(w.grid()->height(), 473);
    QCOMPARE(w.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));

    // Dragging the border: the grid follows any size, never below the normal one.
    w.resize(1300, 900);
    QTRY_COMPARE(w.grid()->height(), w.centralWidget()->height() - 141);
    QCOMPARE(w.grid()->width(), 1300);
    QCOMPARE(w.quickSearch()->geometry(), search);
    w.resize(800, 500);
    QTRY_COMPARE(w.size(), QSize(1058, 636));
    QCOMPARE(w.grid()->height(), 473);
}

namespace {

const QString longAddress = QStringLiteral("山东省青岛市市南区香港中路76号颐中皇冠假日酒店旁边的小区三号楼二单元");

// Enough orders for a scroll bar, the narrowest the grid's columns get, each
// with the longest figures of its kind.
void figureOrders(test::TestDb& db)
{
    for (int i = 0; i < 40; ++i)
        db.addOrder({{"a", "欧阳建国"}, {"b", "13816049123"}, {"c", longAddress}, {"d", "圆通速递"}, {"g", "未打印"},
                     {"day1", "2026-11-05"}, {"1", 12.0}, {"2", i % 2 ? 128.5 : 1234.5},
                     {"i", "buyer"}, {"j", "1930679858170647123"}});
}

// The tooltip over a visible cell of the grid showing `text` in `column`.
QString cellToolTip(OrderGrid* grid, int column, const QString& text)
{
    QTableView* view = grid->view();
    for (int row = 0; row < grid->model()->rowCount(); ++row) {
        const QModelIndex index = grid->model()->index(row, column);
        const QRect cell = view->visualRect(index);
        if (index.data().toString() != text || !view->viewport()->rect().contains(cell))
            continue;
        QHelpEvent help(QEvent::ToolTip, cell.center(), view->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(view->viewport(), &help);
        const QString tip = QToolTip::text();
        QToolTip::hideText();
        return tip;
    }
    return QStringLiteral("(no visible cell)");
}

}  // namespace

void TestMainWindow::gridShowsFiguresWhole_data()
{
    QTest::addColumn<int>("windowWidth");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("whole");
    QTest::newRow("mobile") << 1058 << int(MobileColumn) << "13816049123" << true;
    QTest::newRow("amount 128.5") << 1058 << int(AmountColumn) << "128.5" << true;
    QTest::newRow("amount 1234.5") << 1058 << int(AmountColumn) << "1234.5" << true;
    QTest::newRow("quantity") << 1058 << int(QuantityColumn) << "12" << true;
    QTest::newRow("status") << 1058 << int(StatusColumn) << "未打印" << true;
    QTest::newRow("pay date") << 1058 << int(PayDateColumn) << "2026-11-05" << true;
    QTest::newRow("order number, maximised") << 1400 << int(OrderNumberColumn) << "1930679858170647123" << true;
    QTest::newRow("order number, normal size") << 1058 << int(OrderNumberColumn) << "1930679858170647123" << false;
    QTest::newRow("long address") << 1058 << int(AddressColumn) << longAddress << false;
}

// At the window's own size, with all twelve columns and a scroll bar, the
// figures a user reads most show whole; whatever is cut shows whole as its
// tooltip.
void TestMainWindow::gridShowsFiguresWhole()
{
    QFETCH(int, windowWidth);
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(bool, whole);
    test::MainSession s(figureOrders);
    QVERIFY(s.waitForLogin());
    s.logIn("超级管理员", "507");
    MainWindow& w = *s.main;
    w.resize(windowWidth, 636);
    QTRY_COMPARE(w.grid()->width(), windowWidth);
    QTableView* view = w.grid()->view();
    for (int c = 0; c < GridColumnCount; ++c)
        QVERIFY(w.grid()->isColumnVisible(c));
    QTRY_VERIFY(view->verticalScrollBar()->isVisible());

    // Measured independently of the drawing: the text, a margin either side
    // and the grid line within the column's width.
    const int room = view->horizontalHeader()->sectionSize(column) - 1 - 2 * OrderGridDelegate::textMargin;
    const qreal needed = QFontMetricsF(view->font()).horizontalAdvance(text);
    QVERIFY2((needed <= room) == whole, qPrintable(QString("%1 px for %2 px of text").arg(room).arg(needed)));
    QCOMPARE(cellToolTip(w.grid(), column, text), whole ? OrderGrid::hint : text);
}

void TestMainWindow::gridTitlesWhole()
{
    test::MainSession s(figureOrders);
    QVERIFY(s.waitForLogin());
    s.logIn("超级管理员", "507");
    TwoLevelHeader* h = s.main->grid()->header();
    const QFontMetricsF fm(h->font());
    for (int c = 0; c < GridColumnCount; ++c) {
        QVERIFY(s.main->grid()->isColumnVisible(c));
        QVERIFY2(fm.horizontalAdvance(h->lowerText(c)) + 6 <= h->sectionSize(c), qPrintable(h->lowerText(c)));
    }
}

// The application's hint settings time every hint but leave the text to the
// widget: a cut title or footer total still shows whole.
void TestMainWindow::cutTextsShowWholeUnderHintSettings()
{
    test::MainSession s(figureOrders);
    QVERIFY(s.waitForLogin());
    s.logIn("超级管理员", "507");
    OrderGrid* grid = s.main->grid();
    auto tipAt = [](QWidget* w, const QPoint& pos) {
        QHelpEvent help(QEvent::ToolTip, pos, w->mapToGlobal(pos));
        QApplication::sendEvent(w, &help);
        const QString tip = QToolTip::text();
        QToolTip::hideText();
        return tip;
    };
    FooterRow* footer = grid->footer();
    footer->setText(AmountColumn, "123456789.25");
    QCOMPARE(tipAt(footer, footer->cellRect(AmountColumn).center()), QString("123456789.25"));
    QCOMPARE(tipAt(footer, footer->cellRect(AddressColumn).center()), OrderGrid::hint);

    TwoLevelHeader* h = grid->header();
    h->resizeSection(OrderNumberColumn, 20);
    const QPoint title(h->sectionViewportPosition(OrderNumberColumn) + 10, h->height() - 5);
    QCOMPARE(tipAt(h->viewport(), title), QString("订单编号"));
}

void TestMainWindow::errorDisplayAddsFullStop()
{
    test::FakePlatform fp;
    fp.platform.guard(nullptr, [] { throw DbError("no such table: rz"); });
    fp.platform.guard(nullptr, [] { throw DbError("Already ends."); });
    fp.platform.guard(nullptr, [] { throw DbError("数据库文件无法写入。"); });
    QCOMPARE(fp.dialogs.texts(), QStringList({"no such table: rz.", "Already ends.", "数据库文件无法写入。"}));
    QCOMPARE(fp.dialogs.shown[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void TestMainWindow::commandsReachTheirWindows()
{
    test::MainSession s([](test::TestDb& db) {
        db.addOrder({{"a", "张三"}, {"b", "13900001111"}, {"c", "北京"}, {"d", "申通快递"}, {"g", "未打印"}});
    });
    QVERIFY(s.waitForLogin());
    s.logIn("超级管理员", "507");
    MainWindow& w = *s.main;
    CommandRegistry* c = w.commands();

    // "新建记录" opens the editor for a new order with the sender's courier.
    c->action(Command::NewOrder)->trigger();
    QVERIFY(w.editor()->isVisible());
    QVERIFY(w.editor()->newButton->isVisible());
    QCOMPARE(w.editor()->courierBox->currentText(), QString("申通快递"));
    // A title click hides it, so does a search.
    TwoLevelHeader* header = w.grid()->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() - 5));
    QVERIFY(!w.editor()->isVisible());
    c->action(Command::GridNew)->trigger();
    QVERIFY(w.editor()->isVisible());
    test::typeText(w.quickSearch()->nameEdit, "张");
    QCOMPARE(s.dm->gridResult.rowCount(), 1);
    QVERIFY(!w.editor()->isVisible());

    // "寄件人" loads the stored profile; "寄件人信息" shows what the boxes hold.
    w.senderPanel()->senderNameEdit->setText("未保存");
    c->action(Command::SenderInfo)->trigger();
    QVERIFY(w.senderPanel()->isVisible());
    QCOMPARE(w.senderPanel()->senderNameEdit->text(), QString("未保存"));
    c->action(Command::Sender)->trigger();
    QCOMPARE(w.senderPanel()->senderNameEdit->text(), QString("李明"));

    // The grid menu's print entries open a preview of the current order.
    const auto previews = [] {
        const QWidgetList all = QApplication::topLevelWidgets();
        return std::count_if(all.begin(), all.end(),
                             [](QWidget* t) { return qobject_cast<ReportPreview*>(t) && t->isVisible(); });
    };
    c->menu(CommandMenu::GridSinglePrint)->actions().first()->trigger();
    QTRY_COMPARE(previews(), 1);
    c->menu(CommandMenu::GridBatchPrint)->actions().last()->trigger();
    QTRY_COMPARE(previews(), 2);
    QVERIFY(s.fp.dialogs.shown.isEmpty());
}

// The windows, the data module and its datasets answer to the names the
// system's messages and documents use.
void TestMainWindow::systemNamesAreObjectNames()
{
    test::MainSession s;
    QVERIFY(s.waitForLogin());
    s.logIn("超级管理员", "507");
    MainWindow& w = *s.main;
    QCOMPARE(w.objectName(), QString("TMainForm"));
    QCOMPARE(s.dm->objectName(), QString("Tdmfm"));
    QCOMPARE(w.login()->objectName(), QString("Tloginfm"));
    QCOMPARE(w.importWindow()->objectName(), QString("Texcell"));
    const QList<std::pair<const Dataset*, const char*>> datasets = {
        {&s.dm->gridResult, "ADOQuery15"},  {&s.dm->orderAppender, "ADOTable5"}, {&s.dm->senderReader, "ADOQuery7"},
        {&s.dm->senderWriter, "ADOTable6"}, {&s.dm->scratch, "ADOQuery1"},       {&s.dm->ledgerTable, "ADOTable2"},
        {&s.dm->ledgerMonth, "ADOQuery13"},
    };
    for (const auto& [dataset, name] : datasets)
        QCOMPARE(dataset->objectName(), QString(name));
    QCOMPARE(w.grid()->objectName(), QString("DBGridEh1"));
    QVERIFY(w.grid()->findChild<QAbstractItemModel*>("DataSource15"));

    w.commands()->action(Command::ChangePassword)->trigger();
    QTRY_VERIFY(w.findChild<ChangePasswordWindow*>());
    QCOMPARE(w.findChild<ChangePasswordWindow*>()->objectName(), QString("Tchangepassfm"));
    w.commands()->action(Command::UserAdmin)->trigger();
    QTRY_VERIFY(w.findChild<UserAdminWindow*>());
    QCOMPARE(w.findChild<UserAdminWindow*>()->objectName(), QString("Tuserglfm"));
    w.commands()->action(Command::Backup)->trigger();
    QTRY_VERIFY(w.findChild<BackupWindow*>());
    QCOMPARE(w.findChild<BackupWindow*>()->objectName(), QString("Trepair"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
