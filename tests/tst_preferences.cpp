#include "MainSession.h"
#include "TextContrast.h"

#include "access/ChangePasswordWindow.h"
#include "access/LoginWindow.h"
#include "access/UserAdminWindow.h"
#include "importui/ImportWindow.h"
#include "preview/ListPageSetupDialog.h"
#include "app/AppStyle.h"
#include "data/Database.h"
#include "maintenance/Preferences.h"
#include "maintenance/Skins.h"
#include "maintenance/BackupWindow.h"
#include "orders/GridColumn.h"
#include "orders/OrderEditorPanel.h"
#include "orders/OrderGrid.h"
#include "orders/QuickSearchPanel.h"
#include "platform/SettingsKeys.h"
#include "platform/SettingsStore.h"
#include "waybill/SenderPanel.h"
#include "widgets/CommandRegistry.h"
#include "widgets/FontSubstitutions.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPainter>
#include <QProgressDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

using namespace kx;

namespace {

const QString& key = settingsKeys::main;

// "name=value;name=value" into the settings key of the fake store.
void store(test::FakeSettingsStore& settings, const QString& values)
{
    for (const QString& pair : values.split(';', Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf('=');
        settings.keys[key][pair.left(eq)] = pair.mid(eq + 1);
    }
}

QList<int> hiddenColumns(const OrderGrid* grid)
{
    QList<int> hidden;
    for (int c = 0; c < GridColumnCount; ++c)
        if (!grid->isColumnVisible(c))
            hidden << c;
    return hidden;
}

const QList<int> itemColumns = {PayDateColumn, ItemColumn,        QuantityColumn, AmountColumn,
                                MemberColumn,  OrderNumberColumn, RemarkColumn};

// A main window whose start-up reads what the fixture stored beforehand.
struct PrefSession : test::MainSession {
    // The fixture runs before the main window exists; the store is ready by then.
    explicit PrefSession(const QString& stored = QString())
        : MainSession([this, stored](test::TestDb&) { store(fp.settings, stored); })
    {
    }
    // The same settings store, a new main window: the program started again.
    void restart()
    {
        main.reset();
        main = std::make_unique<MainWindow>(*dm, fp.platform);
        main->show();
    }
    void logInAs(const QString& user, const QString& password)
    {
        QVERIFY(waitForLogin());
        logIn(user, password);
        QVERIFY(!main->login()->isVisible());
    }
    QAction* hideItems() const { return main->commands()->action(Command::GridHideItems); }
    QAction* skinEntry(int n) const { return main->commands()->menu(CommandMenu::Skins)->actions().at(n); }
    void openAndCloseBackupWindow()
    {
        main->commands()->action(Command::Backup)->trigger();
        QPointer<BackupWindow> w = main->findChild<BackupWindow*>();
        QVERIFY(w);
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(w.isNull());
        QVERIFY(main->isVisible());
    }
};

// The colours a skin gives the status bar, the toolbar, the lower panel, a
// push button and a menu, read from what is drawn.
struct Look {
    QRgb status, toolbar, panel, button, menu;
};

Look lookOf(MainWindow& w)
{
    const QImage shot = w.grab().toImage();
    auto at = [&](QWidget* child, QPoint p) { return shot.pixel(child->mapTo(&w, p)); };
    QLabel* status = w.statusPanel(0);
    QToolButton* newOrder = w.commands()->toolBar()->findChild<QToolButton*>("新建记录");
    QWidget* panel = w.findChild<QWidget*>("Panel2");
    QPushButton* showAll = w.quickSearch()->showAllButton;
    QMenu* menu = w.commands()->gridMenu();
    const QImage menuShot = menu->grab().toImage();
    const QRect entry = menu->actionGeometry(menu->actions().at(0));
    return {at(status, QPoint(4, status->height() / 2)), at(newOrder, QPoint(3, 3)), at(panel, QPoint(545, 5)),
            at(showAll, QPoint(4, showAll->height() / 2)), menuShot.pixel(entry.left() + 4, entry.center().y())};
}

}  // namespace

class TestPreferences : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setStyle(new AppStyle); }

    void firstRunReadsAndCreatesNothing();
    void realStoreCreatedOnlyByChoices();
    void hideItemsToggles();
    void columnMemoryAtStartUp_data();
    void columnMemoryAtStartUp();
    void columnMemoryAcrossRestart();
    void backupWindowReappliesStoredChoices();
    void ordinaryUserKeepsLoginRestriction();
    void skinsAppliedAndStored_data();
    void skinsAppliedAndStored();
    void skinsVisiblyDifferent();
    void windowsOpenedUnderSkinKeepTheirFont();
    void contrastMeasuredOnImage_data();
    void contrastMeasuredOnImage();
    void skinnedTextsReadable_data();
    void skinnedTextsReadable();
    void skinAppliedAgainKeepsFonts();
    void storedSkinAtStartUp_data();
    void storedSkinAtStartUp();
    void hiddenBoxesFilled();
    void writeFailureAfterChoiceTookEffect();
};

void TestPreferences::firstRunReadsAndCreatesNothing()
{
    PrefSession s;
    s.logInAs("超级管理员", "507");
    s.openAndCloseBackupWindow();
    s.restart();
    QVERIFY(s.fp.settings.keys.isEmpty());
    QCOMPARE(hiddenColumns(s.main->grid()), QList<int>());
    QVERIFY(!s.hideItems()->isChecked());
    QVERIFY(s.main->styleSheet().isEmpty());
    QCOMPARE(s.main->preferences()->skin(), -1);
}

void TestPreferences::realStoreCreatedOnlyByChoices()
{
    // The desktop's own store: its keys are files in the configuration folder.
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QDir(config + "/tarnvale").removeRecursively();
    QDir(config + "/vorrindo").removeRecursively();
    QtSettingsStore real;
    test::TestDb db;
    db.exec("insert into post values ('李明','13812345678','杭州市文三路188号','申通快递')");
    test::FakePlatform fp;
    const Platform platform{fp.dialogs, fp.shell, real, fp.clock};
    Database dm;
    {
        MainWindow w(dm, platform);
        w.show();
        QCoreApplication::processEvents();
        w.login()->userBox->setEditText("超级管理员");
        w.login()->passwordEdit->setText("507");
        w.login()->loginButton->click();
        w.commands()->action(Command::Backup)->trigger();
        w.findChild<BackupWindow*>()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(w.isVisible());
        QVERIFY(!QFileInfo::exists(config + "/tarnvale"));
        QVERIFY(!QFileInfo::exists(config + "/vorrindo"));

        w.commands()->menu(CommandMenu::Skins)->actions().at(1)->trigger();
        w.commands()->action(Command::GridHideItems)->trigger();
        QVERIFY(QFileInfo::exists(config + "/tarnvale/wbq.conf"));
    }
    MainWindow again(dm, platform);
    again.show();
    QCOMPARE(again.styleSheet(), Skins::styleSheet(1));
    QCOMPARE(hiddenColumns(again.grid()), itemColumns);
    QVERIFY(fp.dialogs.shown.isEmpty());
}

void TestPreferences::hideItemsToggles()
{
    PrefSession s;
    s.logInAs("超级管理员", "507");
    QAction* entry = s.hideItems();
    QCOMPARE(entry->text(), QString("隐藏商品信息"));
    QVERIFY(entry->isEnabled());
    QVERIFY(!entry->isChecked());
    entry->trigger();
    QCOMPARE(hiddenColumns(s.main->grid()), itemColumns);
    QVERIFY(entry->isChecked());
    QCOMPARE(s.fp.settings.keys.value(key).value("rukuyin1"), QString("yes"));
    entry->trigger();
    QCOMPARE(hiddenColumns(s.main->grid()), QList<int>());
    QVERIFY(!entry->isChecked());
    QCOMPARE(s.fp.settings.keys.value(key).value("rukuyin1"), QString("no"));
    QCOMPARE(s.fp.settings.keys.value(key).keys(), QStringList{"rukuyin1"});
    QVERIFY(s.fp.dialogs.shown.isEmpty());
}

void TestPreferences::columnMemoryAtStartUp_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QList<int>>("hidden");
    QTest::addColumn<bool>("checked");
    QTest::newRow("rukuyin1 yes") << "rukuyin1=yes" << itemColumns << true;
    QTest::newRow("rukuyin1 no") << "rukuyin1=no" << QList<int>() << false;
    QTest::newRow("exact texts only") << "rukuyin1=YES;rukuyin6=Yes;rukuyin2= yes" << QList<int>() << false;
    QTest::newRow("rukuyin6 yes") << "rukuyin6=yes" << QList<int>{AmountColumn} << false;
    QTest::newRow("rukuyin2 yes") << "rukuyin2=yes" << QList<int>{ItemColumn, MemberColumn, RemarkColumn} << false;
    // In their order: rukuyin1, then rukuyin6, then rukuyin2.
    QTest::newRow("later values show again") << "rukuyin1=yes;rukuyin6=no;rukuyin2=no"
                                             << QList<int>{PayDateColumn, QuantityColumn, OrderNumberColumn}
                                             << true;
    QTest::newRow("columns the grid does not have") << "rukuyin3=yes;rukuyin4=no;rukuyin5=yes;skin=2"
                                                    << QList<int>() << false;
    QTest::newRow("the ledger's values") << "xiaoshouyin1=yes;xiaoshouyin10=no;company=某公司;address=某地;skin=2"
                                         << QList<int>() << false;
}

void TestPreferences::columnMemoryAtStartUp()
{
    QFETCH(QString, stored);
    QFETCH(QList<int>, hidden);
    QFETCH(bool, checked);
    PrefSession s(stored);
    QCOMPARE(hiddenColumns(s.main->grid()), hidden);
    QCOMPARE(s.hideItems()->isChecked(), checked);
    // The start-up sequence ran to its end.
    QVERIFY(s.fp.dialogs.shown.isEmpty());
    QCOMPARE(s.main->statusPanel(2)->text(), QString("今天：2026-12-10"));
    if (stored.contains("skin=2"))
        QCOMPARE(s.main->preferences()->skin(), 2);
    // Reading wrote nothing.
    QCOMPARE(s.fp.settings.keys.value(key).size(), stored.count('=') );
}

void TestPreferences::columnMemoryAcrossRestart()
{
    PrefSession s;
    s.logInAs("超级管理员", "507");
    s.hideItems()->trigger();
    s.restart();
    QCOMPARE(hiddenColumns(s.main->grid()), itemColumns);
    QVERIFY(s.hideItems()->isChecked());
    s.logInAs("超级管理员", "507");
    s.hideItems()->trigger();
    QCOMPARE(s.fp.settings.keys.value(key).value("rukuyin1"), QString("no"));
    s.restart();
    QCOMPARE(hiddenColumns(s.main->grid()), QList<int>());
    QVERIFY(!s.hideItems()->isChecked());
}

void TestPreferences::backupWindowReappliesStoredChoices()
{
    PrefSession s("rukuyin1=yes;skin=4");
    s.logInAs("超级管理员", "507");
    // Changed on screen only, not stored.
    s.main->preferences()->applySkin(0);
    for (int c : itemColumns)
        s.main->grid()->setColumnVisible(c, true);
    s.openAndCloseBackupWindow();
    QCOMPARE(s.main->styleSheet(), Skins::styleSheet(4));
    QCOMPARE(hiddenColumns(s.main->grid()), itemColumns);
    QVERIFY(s.hideItems()->isChecked());
}

void TestPreferences::ordinaryUserKeepsLoginRestriction()
{
    PrefSession s("rukuyin1=no;rukuyin2=no");
    s.db.exec("insert into userdb values ('小王','abc123')");
    s.db.closeConnection();
    s.logInAs("小王", "abc123");
    const QList<int> restricted{PayDateColumn, ItemColumn, RemarkColumn};
    QCOMPARE(hiddenColumns(s.main->grid()), restricted);
    // The start-up sequence that runs again after the backup window applies
    // the stored memory; the columns the login hid stay hidden.
    s.openAndCloseBackupWindow();
    QCOMPARE(hiddenColumns(s.main->grid()), restricted);
    s.openAndCloseBackupWindow();
    QCOMPARE(hiddenColumns(s.main->grid()), restricted);
    QVERIFY(!s.hideItems()->isVisible());
    // A stored "yes" still hides the rest of the item columns.
    s.fp.settings.keys[key]["rukuyin1"] = "yes";
    s.fp.settings.keys[key].remove("rukuyin2");
    s.openAndCloseBackupWindow();
    QCOMPARE(hiddenColumns(s.main->grid()), itemColumns);
}

void TestPreferences::skinsAppliedAndStored_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("caption");
    const char* captions[] = {"黑色经典(皮肤)", "蓝色幻想(皮肤)", "梦幻天空(皮肤)", "黑色遐想(皮肤)", "梦想成真(皮肤)"};
    for (int n = 0; n < Skins::count; ++n)
        QTest::newRow(captions[n]) << n << QString::fromUtf8(captions[n]);
}

void TestPreferences::skinsAppliedAndStored()
{
    QFETCH(int, number);
    QFETCH(QString, caption);
    PrefSession s;
    s.logInAs("超级管理员", "507");
    QAction* entry = s.skinEntry(number);
    QCOMPARE(entry->text(), caption);
    QVERIFY(entry->isEnabled());
    QVERIFY(!entry->isCheckable());
    entry->trigger();
    QCOMPARE(s.main->styleSheet(), Skins::styleSheet(number));
    QCOMPARE(s.main->preferences()->skin(), number);
    QCOMPARE(s.fp.settings.keys.value(key).value("skin"), QString::number(number));
    QVERIFY(s.fp.dialogs.shown.isEmpty());

    // The skin colours; the faces and sizes stay the windows' own.
    QCOMPARE(s.main->quickSearch()->showAllButton->font().pixelSize(), 14);
    QCOMPARE(s.main->grid()->font().pixelSize(), 14);
    s.main->commands()->action(Command::Backup)->trigger();
    QPointer<BackupWindow> w = s.main->findChild<BackupWindow*>();
    QVERIFY(w);
    for (QLabel* l : w->findChildren<QLabel*>()) {
        if (l->objectName() == "WarningLabel")
            continue;
        QCOMPARE(l->font().family(), QString("宋体"));
        QVERIFY2(l->width() >= l->fontMetrics().horizontalAdvance(l->text()), qPrintable(l->text()));
    }
    QCOMPARE(w->backupPathEdit->font().family(), QString("宋体"));
    QCOMPARE(w->backupPathEdit->font().pixelSize(), 14);
    QCOMPARE(w->findChild<QFrame*>("BackupBand")->palette().color(QPalette::Window), QColor(0xc0, 0xdc, 0xc0));
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestPreferences::skinsVisiblyDifferent()
{
    PrefSession s;
    s.logInAs("超级管理员", "507");
    s.main->resize(1058, 636);
    QList<Look> looks{lookOf(*s.main)};  // the built-in look first
    for (int n = 0; n < Skins::count; ++n) {
        s.main->preferences()->applySkin(n);
        looks << lookOf(*s.main);
    }
    for (int a = 0; a < looks.size(); ++a)
        for (int b = a + 1; b < looks.size(); ++b) {
            const QString pair = QStringLiteral("skins %1 and %2").arg(a - 1).arg(b - 1);
            QVERIFY2(looks[a].status != looks[b].status, qPrintable(pair + ": status bar"));
            QVERIFY2(looks[a].toolbar != looks[b].toolbar, qPrintable(pair + ": toolbar"));
            QVERIFY2(looks[a].panel != looks[b].panel, qPrintable(pair + ": panel"));
            QVERIFY2(looks[a].button != looks[b].button, qPrintable(pair + ": button"));
            QVERIFY2(looks[a].menu != looks[b].menu, qPrintable(pair + ": menu"));
        }
}

void TestPreferences::windowsOpenedUnderSkinKeepTheirFont()
{
    PrefSession s("skin=3");
    QCOMPARE(s.main->preferences()->skin(), 3);
    // A tool window made the usual way after the skin is on: its font set,
    // its controls made inside it.
    auto* window = new QWidget(s.main.get(), Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setFont(songFont(14));
    auto* frame = new QFrame(window);
    auto* box = new QLineEdit(frame);
    auto* caption = new QLabel("用户名称：", window);
    auto* small = new QLabel("提示", frame);
    small->setFont(songFont(12));
    window->show();
    for (QWidget* w : {static_cast<QWidget*>(frame), static_cast<QWidget*>(box), static_cast<QWidget*>(caption)}) {
        QCOMPARE(w->font().family(), QString("宋体"));
        QCOMPARE(w->font().pixelSize(), 14);
    }
    QCOMPARE(small->font().pixelSize(), 12);
    window->close();
}

// Every widget of the main window and the windows it owns, with the face and
// size it shows.
QMap<QString, QString> fontsOf(QWidget* window)
{
    QMap<QString, QString> fonts;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        // Windows come and go (the backup window): the ones that stay are compared.
        if (w->window()->objectName() == "Trepair")
            continue;
        auto* label = qobject_cast<QLabel*>(w);
        const QString name = QStringLiteral("%1 %2 %3 %4 in %5")
                                 .arg(quintptr(w), 0, 16)
                                 .arg(w->metaObject()->className(), w->objectName(), label ? label->text() : QString(),
                                      w->window()->objectName());
        fonts[name] = QStringLiteral("%1 %2").arg(w->font().family()).arg(w->font().pixelSize());
    }
    return fonts;
}

// The widgets whose font differs, for a readable failure.
QString fontChanges(const QMap<QString, QString>& before, const QMap<QString, QString>& after)
{
    QStringList changes;
    for (auto it = after.begin(); it != after.end(); ++it)
        if (before.contains(it.key()) && before.value(it.key()) != it.value())
            changes << it.key() + ": " + before.value(it.key()) + " -> " + it.value();
    return changes.join("; ");
}

void TestPreferences::skinAppliedAgainKeepsFonts()
{
    PrefSession s;
    s.logInAs("超级管理员", "507");
    const QMap<QString, QString> before = fontsOf(s.main.get());
    QCOMPARE(s.main->font().family(), QString("宋体"));
    // From the menu: another skin, the same again; then the start-up
    // sequence that follows the backup window.
    for (int skin : {0, 3, 3, -1}) {
        if (skin >= 0)
            s.skinEntry(skin)->trigger();
        else
            s.openAndCloseBackupWindow();
        const QString changes = fontChanges(before, fontsOf(s.main.get()));
        QVERIFY2(changes.isEmpty(), qPrintable(QString::number(skin) + ": " + changes));
    }
}

namespace {

// Opens one of the windows and dialogs a user meets, the way the program
// makes it (owned by the main window), and returns it shown.
QWidget* openWindow(PrefSession& s, const QString& name)
{
    MainWindow* main = s.main.get();
    auto messageBox = [main](QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons) {
        auto* box = new QMessageBox(icon, "Kestrix快递单打印软件", text, buttons, main);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
        return box;
    };
    QWidget* w = nullptr;
    if (name == "main window" || name == "sender panel") {
        // One panel at a time: the sender panel would cover the editor's fields.
        main->editor()->setVisible(name == "main window");
        main->senderPanel()->setVisible(name == "sender panel");
        w = main;
    } else if (name == "grid menu" || name == "skin menu") {
        QMenu* menu = name == "grid menu" ? main->commands()->gridMenu()
                                          : main->commands()->menu(CommandMenu::Skins);
        menu->popup(main->mapToGlobal(QPoint(200, 100)));
        w = menu;
    } else if (name == "message box") {
        w = messageBox(QMessageBox::Information, "寄件人设置成功！", QMessageBox::Ok);
    } else if (name == "delete question") {
        w = messageBox(QMessageBox::Warning, "你真的要删除选中资料吗？", QMessageBox::Yes | QMessageBox::No);
    } else if (name == "restore question") {
        w = messageBox(QMessageBox::Question, "文件已存在，是否替换？", QMessageBox::Yes | QMessageBox::No);
    } else if (name == "error box") {
        w = messageBox(QMessageBox::Critical, "数据库恢复失败！\nfile is not a database.", QMessageBox::Ok);
    } else if (name == "file dialog") {
        QFile(QDir::current().filePath("备份.mdb")).open(QIODevice::WriteOnly);
        auto* dialog = new QFileDialog(main, "打开", QDir::currentPath(), "数据库 (*.mdb);;所有文件 (*)");
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
        // The folder's entries arrive from the file system's thread.
        QTest::qWait(300);
        w = dialog;
    } else if (name == "page setup") {
        auto* dialog = new ListPageSetupDialog(ListPrintOptions{}, [] { return false; }, main);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
        w = dialog;
    } else if (name == "change password") {
        main->commands()->action(Command::ChangePassword)->trigger();
        w = main->findChild<ChangePasswordWindow*>();
    } else if (name == "user admin") {
        main->commands()->action(Command::UserAdmin)->trigger();
        w = main->findChild<UserAdminWindow*>();
    } else if (name == "backup") {
        main->commands()->action(Command::Backup)->trigger();
        w = main->findChild<BackupWindow*>();
    } else if (name == "import") {
        main->importWindow()->show();
        w = main->importWindow();
    } else if (name == "progress") {
        auto* progress = new QProgressDialog("正在备份数据库...", QString(), 0, 100, main);
        progress->setAttribute(Qt::WA_DeleteOnClose);
        progress->setMinimumDuration(0);
        progress->setValue(50);
        progress->show();
        w = progress;
    }
    QCoreApplication::processEvents();
    return w;
}

bool sameColour(QColor a, QColor b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) <= 24;
}

}  // namespace

// The measurement itself, on texts of known colours: a label, a button over
// a gradient, a check box.
void TestPreferences::contrastMeasuredOnImage_data()
{
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::newRow("black on dark grey") << "QLabel { color: #000000; background: #3a3a3a; }" << 1.7 << 1.9;
    QTest::newRow("white on black") << "QLabel { color: #ffffff; background: #000000; }" << 18.0 << 21.0;
    QTest::newRow("invisible") << "QLabel { color: #efefef; background: #efefef; }" << 1.0 << 1.0;
    QTest::newRow("gold on a purple gradient")
        << "QPushButton { color: #f0c36a; background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
           "stop:0 #4c3b5a, stop:1 #20182a); border: none; }"
        << 6.0 << 10.5;  // gold against the two ends: 6.1 and 9.9
    QTest::newRow("light check box on light ground") << "QCheckBox { color: #e0e0e0; }" << 1.0 << 1.3;
}

void TestPreferences::contrastMeasuredOnImage()
{
    QFETCH(QString, sheet);
    QFETCH(double, low);
    QFETCH(double, high);
    QWidget window;
    window.setFont(songFont(14));
    QPalette ground = window.palette();
    ground.setColor(QPalette::Window, QColor(0xef, 0xef, 0xef));
    window.setPalette(ground);
    window.setStyleSheet(sheet);
    new QLabel("寄件人设置成功！", &window);
    (new QPushButton("确定", &window))->setGeometry(10, 30, 80, 25);
    (new QCheckBox("更改完毕退出", &window))->move(10, 60);
    window.resize(200, 90);
    window.show();
    const QImage shot = window.grab().toImage();
    const QString kind = sheet.section(' ', 0, 0);
    bool measured = false;
    for (const test::TextPlace& p : test::textPlaces(&window)) {
        if (!p.what.startsWith(kind + " "))
            continue;
        const double contrast = test::measure(shot, p).contrast;
        QVERIFY2(contrast >= low && contrast <= high, qPrintable(p.what + ": " + QString::number(contrast)));
        measured = true;
    }
    QVERIFY(measured);
}

void TestPreferences::skinnedTextsReadable_data()
{
    QTest::addColumn<int>("skin");
    QTest::addColumn<QString>("window");
    const char* windows[] = {"main window", "sender panel", "grid menu", "skin menu", "message box", "delete question",
                             "restore question", "error box", "file dialog", "page setup", "change password",
                             "user admin", "backup", "import", "progress"};
    for (int n = 0; n < Skins::count; ++n)
        for (const char* window : windows)
            QTest::addRow("skin %d, %s", n, window) << n << QString::fromUtf8(window);
}

void TestPreferences::skinnedTextsReadable()
{
    QFETCH(int, skin);
    QFETCH(QString, window);
    PrefSession s;
    s.logInAs("超级管理员", "507");
    s.skinEntry(skin)->trigger();
    QWidget* w = openWindow(s, window);
    QVERIFY(w);
    const QImage skinned = w->grab().toImage();
    const QList<test::TextPlace> places = test::textPlaces(w);
    QVERIFY2(places.size() >= 2, qPrintable(QString::number(places.size())));

    // The same window without a skin: a text whose colour is the window's
    // own (the red warnings, the blue links) keeps at least the contrast
    // it has there; every other text reaches 4.5 : 1.
    s.main->setStyleSheet(QString());
    QCoreApplication::processEvents();
    const QImage plain = w->grab().toImage();
    QHash<QPair<const void*, int>, test::TextLook> plainLooks;
    for (const test::TextPlace& p : test::textPlaces(w))
        plainLooks.insert({p.control, p.item}, test::measure(plain, p));

    QStringList unreadable;
    for (const test::TextPlace& p : places) {
        const test::TextLook look = test::measure(skinned, p);
        if (look.contrast >= 4.5)
            continue;
        const auto own = plainLooks.constFind({p.control, p.item});
        if (own != plainLooks.constEnd() && sameColour(own->text, look.text) && look.contrast >= own->contrast - 0.25)
            continue;
        unreadable << QStringLiteral("%1: %2 on %3, %4").arg(p.what, look.text.name(), look.ground.name())
                          .arg(look.contrast, 0, 'f', 2);
    }
    // For a look by eye: the grabbed window with the places measured marked.
    if (qEnvironmentVariableIsSet("KX_SHOTS")) {
        QImage marked = skinned.convertToFormat(QImage::Format_RGB32);
        QPainter painter(&marked);
        painter.setPen(Qt::magenta);
        for (const test::TextPlace& p : places)
            painter.drawRect(p.letters.adjusted(-1, -1, 0, 0));
        painter.end();
        marked.save(QStringLiteral("%1/skin%2-%3.png").arg(qEnvironmentVariable("KX_SHOTS")).arg(skin).arg(window));
    }
    if (auto* menu = qobject_cast<QMenu*>(w))
        menu->hide();
    else if (w != s.main.get())
        w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(unreadable.isEmpty(), qPrintable("\n" + unreadable.join("\n")));
}

void TestPreferences::storedSkinAtStartUp_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("skin");
    for (int n = 0; n < Skins::count; ++n)
        QTest::newRow(qPrintable(QString::number(n))) << QString::number(n) << n;
    QTest::newRow("5") << "5" << -1;
    QTest::newRow("-1") << "-1" << -1;
    QTest::newRow("blank before") << " 1" << -1;
    QTest::newRow("text") << "蓝色" << -1;
    QTest::newRow("empty") << "" << -1;
}

void TestPreferences::storedSkinAtStartUp()
{
    QFETCH(QString, value);
    QFETCH(int, skin);
    PrefSession s("skin=" + value);
    QCOMPARE(s.main->preferences()->skin(), skin);
    QCOMPARE(s.main->styleSheet(), Skins::styleSheet(skin));
    QCOMPARE(s.main->styleSheet().isEmpty(), skin < 0);
}

void TestPreferences::hiddenBoxesFilled()
{
    PrefSession s("number=25;ordernumber=A-7");
    Preferences* p = s.main->preferences();
    QCOMPARE(p->stockAlarmBox()->text(), QString("25"));
    QCOMPARE(p->ledgerOrderNumberBox()->text(), QString("A-7"));
    QVERIFY(!p->stockAlarmBox()->isVisible());
    QVERIFY(!p->ledgerOrderNumberBox()->isVisible());

    PrefSession empty("number=;ordernumber=");
    QCOMPARE(empty.main->preferences()->stockAlarmBox()->text(), QString());
}

void TestPreferences::writeFailureAfterChoiceTookEffect()
{
    PrefSession s;
    s.logInAs("超级管理员", "507");
    s.fp.settings.failWrites = true;
    s.skinEntry(3)->trigger();
    QCOMPARE(s.main->styleSheet(), Skins::styleSheet(3));
    s.hideItems()->trigger();
    QCOMPARE(hiddenColumns(s.main->grid()), itemColumns);
    QVERIFY(s.hideItems()->isChecked());
    QCOMPARE(s.fp.dialogs.texts(), QStringList({"Failed to set data for 'skin'.", "Failed to set data for 'rukuyin1'."}));
    QCOMPARE(s.fp.dialogs.shown.first().icon, Dialogs::Icon::Critical);
    QVERIFY(s.fp.settings.keys.isEmpty());
}

QTEST_MAIN(TestPreferences)
#include "tst_preferences.moc"
