#include "MainSession.h"
#include "access/ChangePasswordWindow.h"
#include "access/UserAdminWindow.h"

#include "core/OperationError.h"
#include "data/Connection.h"
#include "data/DatabaseCopier.h"
#include "data/Schema.h"
#include "data/Statement.h"
#include "data/Database.h"
#include "maintenance/ExitBackup.h"
#include "maintenance/BackupWindow.h"
#include "maintenance/StartupRecovery.h"
#include "orders/OrderGrid.h"
#include "orders/OrderRegister.h"
#include "platform/SettingsKeys.h"
#include "waybill/SenderPanel.h"
#include "widgets/CommandRegistry.h"
#include "widgets/LinkLabel.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace kx;

namespace {

const QString success = QStringLiteral("数据库备份成功！");
const QString restored = QStringLiteral("数据库恢复成功！");
const QString replaceQuestion = QStringLiteral("文件已存在，是否替换？");
const QString retryQuestion = QStringLiteral("数据库未能重新打开。是否重试？");

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

void addOrders(const test::TestDb& db, int count, const QString& name = QStringLiteral("张伟"))
{
    db.exec("begin");
    for (int n = 0; n < count; ++n)
        db.addOrder({{"a", name}, {"b", "1380000000" + QString::number(n % 10)}, {"c", "杭州市文三路188号"},
                     {"d", "申通快递"}, {"g", "未打印"}, {"1", 1}, {"2", 10.5}});
    db.exec("commit");
}

// Orders in a database file, read through a connection of its own.
int ordersIn(const QString& path, const QString& name = QString())
{
    Connection c;
    c.open(path, schema::databaseKey);
    Statement st(c.handle(),
                 name.isEmpty() ? QStringLiteral("select count(*) from data")
                                : QStringLiteral("select count(*) from data where a=?"),
                 name.isEmpty() ? QVariantList() : QVariantList{name});
    return st.step() ? st.value(0).toInt() : -1;
}

// A database file of the program with other contents, for restore sources.
void makeDatabase(const QString& path, const QByteArray& key, const QString& dropTable = QString())
{
    Connection c;
    c.create(path, key);
    c.execScript(schema::createScript());
    if (!dropTable.isEmpty())
        c.execScript(QStringLiteral("drop table %1").arg(dropTable));
}

// The permission bits of a file or folder; -1 when it is not there.
int modeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

void setMode(const QString& path, int mode)
{
    QVERIFY(::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0);
}

// A umask that takes nothing away, for as long as the test runs: what the
// program makes must be owner-only whatever the umask.
struct OpenUmask {
    mode_t previous = ::umask(0);
    ~OpenUmask() { ::umask(previous); }
};

QStringList dailyCopies(const QDate& first, int days)
{
    QStringList names;
    for (int d = 0; d < days; ++d)
        names << ExitBackup::copyName(first.addDays(d));
    return names;
}

// A logged-in administrator with `orders` orders, ready to open the backup window.
struct BackupSession : test::MainSession {
    explicit BackupSession(int orders = 3)
        : MainSession([orders](test::TestDb& db) { addOrders(db, orders); })
    {
        QVERIFY(waitForLogin());
        logIn(QStringLiteral("超级管理员"), QStringLiteral("507"));
        // The fixture's own connection would hold the file the window replaces.
        db.closeConnection();
    }
    BackupWindow* openWindow()
    {
        main->commands()->action(Command::Backup)->trigger();
        return main->findChild<BackupWindow*>();
    }
    // Closes the window and lets it free itself; true when it is gone.
    bool closeWindow(BackupWindow* w)
    {
        QPointer<BackupWindow> p(w);
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return p.isNull();
    }
    QString file(const QString& name) const { return QDir(db.dir()).filePath(name); }
    int gridRows() const { return main->orders()->rowCount(); }
};

}  // namespace

class TestBackup : public QObject {
    Q_OBJECT
private slots:
    void windowLayout();
    void openClosesDatabaseAndHidesMain();
    void closingReopensAndShowsMain();
    void rememberedPath();
    void openBackupFileStartsInDailyFolder();
    void roundTrip();
    void restoreRefused_data();
    void restoreRefused();
    void restoreOverDestroyedDatabase();
    void restoreOverDamagedDatabase_data();
    void restoreOverDamagedDatabase();
    void restoreFromItselfRefusedFirst();
    void registerWindowsCloseWhileClosed();
    void backupOntoExistingFile_data();
    void backupOntoExistingFile();
    void backupFailureSaid();
    void failedCheckKeepsPreviousBackup();
    void closingRetry_data();
    void closingRetry();
    void exitBackupAtClose();
    void exitBackupSameDayAndFourteenKept();
    void exitBackupFailure_data();
    void exitBackupFailure();
    void exitBackupClockOff_data();
    void exitBackupClockOff();
    void keptCopiesNewestFive_data();
    void keptCopiesNewestFive();
    void ownerOnlyFiles_data();
    void ownerOnlyFiles();
    void launcherClosesDataFolder_data();
    void launcherClosesDataFolder();
    void startUpRestoresNewestExitBackup_data();
    void startUpRestoresNewestExitBackup();
    void startUpWithoutCopyEnds();
};

void TestBackup::windowLayout()
{
    BackupSession s;
    BackupWindow* w = s.openWindow();
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QCOMPARE(w->windowTitle(), QString("数据库备份"));
    QCOMPARE(w->size(), QSize(345, 137));
    QVERIFY(!(w->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(w->windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!w->isModal());

    const int heights[3] = {33, 104, 144};
    const char* bands[3] = {"HeadingBand", "BackupBand", "RestoreBand"};
    for (int i = 0; i < 3; ++i) {
        auto* band = w->findChild<QFrame*>(bands[i]);
        QVERIFY2(band, bands[i]);
        QCOMPARE(band->height(), heights[i]);
        QCOMPARE(band->palette().color(QPalette::Window), QColor(0xc0, 0xdc, 0xc0));
        QVERIFY(band->autoFillBackground());
    }
    auto label = [w](const QString& text) -> QLabel* {
        for (QLabel* l : w->findChildren<QLabel*>())
            if (l->text() == text)
                return l;
        return nullptr;
    };
    QLabel* heading = label("数据库维护备份");
    QVERIFY(heading);
    QVERIFY(heading->font().bold());
    QCOMPARE(heading->font().pixelSize(), 16);
    QCOMPARE(heading->palette().color(QPalette::WindowText), QColor(0x80, 0, 0));
    QCOMPARE(label("备份数据的目录:")->pos(), QPoint(24, 24));
    QCOMPARE(label("备份数据的目录:")->buddy(), w->backupPathEdit);
    QCOMPARE(w->defaultPathLink->pos(), QPoint(136, 24));
    QCOMPARE(w->defaultPathLink->text(), QString("默认"));
    QVERIFY(w->defaultPathLink->font().underline());
    QCOMPARE(w->defaultPathLink->palette().color(QPalette::WindowText), QColor(Qt::blue));
    QCOMPARE(label("温馨提示：定期备份数据，维护数据安全！")->pos(), QPoint(40, 81));
    QCOMPARE(label("温馨提示：定期备份数据，维护数据安全！")->palette().color(QPalette::WindowText), QColor(Qt::red));
    auto* warning = w->findChild<QLabel*>("WarningLabel");
    QVERIFY(warning);
    QTextDocument shown;
    shown.setHtml(warning->text());
    QCOMPARE(shown.toPlainText(), QString("警告：恢复数据库功能，只有当目前使用的数据库损坏或丢失时才使用，否则旧数据库会覆盖"
                                          "当前的最新数据库，造成信息丢失。"));
    QCOMPARE(warning->pos(), QPoint(24, 91));
    QCOMPARE(warning->width(), 299);
    QVERIFY(warning->geometry().bottom() < warning->parentWidget()->height());
    QVERIFY(warning->wordWrap());
    QCOMPARE(warning->font().pixelSize(), 13);
    QCOMPARE(warning->palette().color(QPalette::WindowText), QColor(Qt::red));
    // Its three lines show whole: laid out in a twin as tall as the band,
    // the text's ink ends inside the label. (The line boxes alone, which
    // heightForWidth() adds up, can fit while the last line's characters
    // reach below them.)
    QTextDocument lines;
    lines.setDocumentMargin(0);
    lines.setDefaultFont(warning->font());
    lines.setHtml(warning->text());
    lines.setTextWidth(warning->width());
    lines.documentLayout()->documentSize();  // lays the text out
    int lineCount = 0;
    for (QTextBlock b = lines.begin(); b.isValid(); b = b.next())
        lineCount += b.layout()->lineCount();
    QCOMPARE(lineCount, 3);
    QVERIFY(warning->heightForWidth(warning->width()) <= warning->height());
    QLabel twin;
    twin.setFont(warning->font());
    twin.setPalette(warning->palette());
    twin.setTextFormat(warning->textFormat());
    twin.setWordWrap(true);
    twin.setAlignment(warning->alignment());
    twin.setText(warning->text());
    twin.resize(warning->width(), warning->parentWidget()->height());
    const QImage ink = twin.grab().toImage();
    int lowest = -1;
    for (int y = 0; y < ink.height(); ++y)
        for (int x = 0; x < ink.width(); ++x)
            if (const QColor c = ink.pixelColor(x, y); c.red() - c.green() > 60)
                lowest = y;
    QVERIFY2(lowest >= 0 && lowest < warning->height(),
             qPrintable(QString("ink to %1, label %2 high").arg(lowest).arg(warning->height())));
    // Every caption is shown whole, in the window's face.
    for (QLabel* l : w->findChildren<QLabel*>()) {
        if (l == warning)
            continue;
        QVERIFY2(l->width() >= l->fontMetrics().horizontalAdvance(l->text()), qPrintable(l->text()));
        QCOMPARE(l->font().family(), QString("宋体"));
    }

    QCOMPARE(w->backupPathEdit->geometry(), QRect(24, 48, 137, 20));
    QCOMPARE(w->backupButton->geometry(), QRect(184, 23, 137, 41));
    QCOMPARE(w->backupButton->text(), QString("备份数据库"));
    QVERIFY(!w->backupButton->icon().isNull());
    QCOMPARE(w->restoreFileEdit->geometry(), QRect(32, 24, 121, 19));
    QCOMPARE(w->restoreFileEdit->text(), QString("beifen.mdb"));
    QCOMPARE(w->chooseFileButton->geometry(), QRect(32, 48, 121, 25));
    QCOMPARE(w->chooseFileButton->text(), QString("打开备份文件"));
    QCOMPARE(w->restoreButton->geometry(), QRect(184, 31, 137, 41));
    QCOMPARE(w->restoreButton->text(), QString("恢复数据库"));
    QCOMPARE(w->restoreButton->font().pixelSize(), 13);
    QVERIFY(!w->restoreButton->icon().isNull());

    // The heading and the backup band fill the window; the restore band is
    // below it, reached with the scroll bar.
    QScrollBar* bar = w->bandScroller->verticalScrollBar();
    QVERIFY(bar->isVisible());
    QCOMPARE(bar->maximum(), 33 + 104 + 144 - w->bandScroller->viewport()->height());
    QWidget* viewport = w->bandScroller->viewport();
    QVERIFY(w->restoreButton->mapTo(viewport, QPoint(0, 0)).y() >= viewport->height());
    bar->setValue(bar->maximum());
    const QPoint restoreTop = w->restoreButton->mapTo(viewport, QPoint(0, 0));
    QVERIFY(restoreTop.y() >= 0 && restoreTop.y() + 41 <= viewport->height());
}

void TestBackup::openClosesDatabaseAndHidesMain()
{
    BackupSession s;
    QVERIFY(s.main->isVisible());
    BackupWindow* w = s.openWindow();
    QVERIFY(w);
    QVERIFY(!s.dm->connection.isOpen());
    QVERIFY(!s.dm->gridResult.isOpen());
    QVERIFY(!s.main->isVisible());
    QCOMPARE(w->parentWidget(), s.main.get());
    QVERIFY(w->testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(s.fp.dialogs.shown.isEmpty());
}

void TestBackup::closingReopensAndShowsMain()
{
    BackupSession s(4);
    BackupWindow* w = s.openWindow();
    // Changed while the program holds nothing open: the start-up sequence
    // that runs when the main window shows again reads it.
    s.db.exec("update post set a='王强'");
    s.db.closeConnection();
    QVERIFY(s.closeWindow(w));
    QVERIFY(s.dm->connection.isOpen());
    QVERIFY(s.main->isVisible());
    QCOMPARE(s.gridRows(), 4);
    QCOMPARE(s.main->grid()->rowCountText(), QString("共4条记录"));
    QCOMPARE(s.main->senderPanel()->senderNameEdit->text(), QString("王强"));
    QVERIFY(s.fp.dialogs.shown.isEmpty());
    // The next opening makes a new window.
    BackupWindow* again = s.openWindow();
    QVERIFY(again);
    QVERIFY(s.closeWindow(again));
}

void TestBackup::rememberedPath()
{
    BackupSession s;
    auto& keys = s.fp.settings.keys;
    BackupWindow* w = s.openWindow();
    // Opening reads without creating the key.
    QCOMPARE(w->backupPathEdit->text(), BackupWindow::defaultBackupPath());
    QVERIFY(!keys.contains(settingsKeys::backup));

    // Every change of the box is written at once, the user's and "默认"'s.
    w->backupPathEdit->setFocus();
    w->backupPathEdit->end(false);
    QTest::keyClicks(w->backupPathEdit, "x");
    QCOMPARE(keys.value(settingsKeys::backup).value("save"), BackupWindow::defaultBackupPath() + "x");
    QTest::mouseClick(w->defaultPathLink, Qt::LeftButton);
    QCOMPARE(w->backupPathEdit->text(), BackupWindow::defaultBackupPath());
    QCOMPARE(keys.value(settingsKeys::backup).value("save"), BackupWindow::defaultBackupPath());

    // An emptied box stores an empty value; the next opening shows the default.
    w->backupPathEdit->clear();
    QCOMPARE(keys.value(settingsKeys::backup).value("save"), QString());
    QVERIFY(s.closeWindow(w));
    w = s.openWindow();
    QCOMPARE(w->backupPathEdit->text(), BackupWindow::defaultBackupPath());
    QVERIFY(s.closeWindow(w));

    // A remembered path is loaded, and loading counts as a change: it is
    // written back, here into a store that refuses it.
    keys[settingsKeys::backup]["save"] = s.file("备份/今天.mdb");
    s.fp.settings.failWrites = true;
    w = s.openWindow();
    QCOMPARE(w->backupPathEdit->text(), s.file("备份/今天.mdb"));
    QCOMPARE(s.fp.dialogs.texts(), QStringList{"Failed to set data for 'save'."});
    QVERIFY(s.closeWindow(w));
}

void TestBackup::openBackupFileStartsInDailyFolder()
{
    BackupSession s;
    BackupWindow* w = s.openWindow();
    auto& d = s.fp.dialogs;
    // Cancelled: nothing changes. No daily copies yet: the database's folder.
    w->chooseFileButton->click();
    QCOMPARE(w->restoreFileEdit->text(), QString("beifen.mdb"));
    QCOMPARE(d.openFolders.last(), QDir(s.db.dir()).absolutePath());

    QVERIFY(QDir(s.db.dir()).mkpath("backup"));
    d.fileNames.enqueue(s.file("backup/data-2026-12-09.mdb"));
    w->chooseFileButton->click();
    QCOMPARE(d.openFolders.last(), QDir(s.db.dir()).absoluteFilePath("backup"));
    QCOMPARE(w->restoreFileEdit->text(), QDir::toNativeSeparators(s.file("backup/data-2026-12-09.mdb")));
    QVERIFY(d.shown.isEmpty());
    QVERIFY(s.closeWindow(w));
}

void TestBackup::roundTrip()
{
    BackupSession s(3);
    const QString backup = s.file("备份/beifen.mdb");  // a folder not there yet
    BackupWindow* w = s.openWindow();
    w->backupPathEdit->setText(backup);
    w->backupButton->click();
    QCOMPARE(s.fp.dialogs.texts(), QStringList{success});
    QCOMPARE(ordersIn(backup), 3);
    QCOMPARE(QDir(s.file("备份")).entryList(QDir::Files | QDir::Hidden), QStringList{"beifen.mdb"});
    QVERIFY(s.closeWindow(w));

    addOrders(s.db, 2, "后来的");
    s.db.closeConnection();
    s.fp.dialogs.clear();
    w = s.openWindow();
    w->restoreFileEdit->setText(backup);
    s.fp.dialogs.answers.enqueue(QMessageBox::Yes);
    w->restoreButton->click();
    QCOMPARE(s.fp.dialogs.texts(), QStringList({replaceQuestion, restored}));
    QCOMPARE(ordersIn(s.db.path()), 3);
    // What was replaced is kept beside the database.
    const QString kept = s.file("data.mdb.20261210-093015.bak");
    QCOMPARE(ordersIn(kept, "后来的"), 2);
    QVERIFY(s.closeWindow(w));
    QCOMPARE(s.gridRows(), 3);
    QCOMPARE(s.main->grid()->rowCountText(), QString("共3条记录"));
    // The independent tool reads the restored file too.
    QCOMPARE(s.db.cli("select count(*) from data where a='后来的'"), QStringList{"0"});
}

void TestBackup::restoreRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    const QString failed = QStringLiteral("数据库恢复失败！\n");
    QTest::newRow("missing") << "missing" << "备份数据库没找到!";
    QTest::newRow("truncated") << "truncated" << failed;
    QTest::newRow("text file") << "text" << failed;
    QTest::newRow("empty file") << "empty" << failed;
    QTest::newRow("another key") << "key" << failed;
    QTest::newRow("without userdb") << "userdb" << failed;
}

void TestBackup::restoreRefused()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    BackupSession s(400);
    const QString source = s.file("source.mdb");
    if (kind == "truncated") {
        DatabaseCopier().backup(s.db.path(), source);
        const QByteArray whole = bytesOf(source);
        writeBytes(source, whole.left(whole.size() * 6 / 10));
    } else if (kind == "text") {
        writeBytes(source, "收件人,手机,地址\n张伟,13800000000,杭州\n");
    } else if (kind == "empty") {
        writeBytes(source, QByteArray());
    } else if (kind == "key") {
        makeDatabase(source, "another-key");
    } else if (kind == "userdb") {
        makeDatabase(source, schema::databaseKey, "userdb");
    }
    BackupWindow* w = s.openWindow();
    const QByteArray before = bytesOf(s.db.path());
    w->restoreFileEdit->setText(source);
    w->restoreButton->click();
    QCOMPARE(s.fp.dialogs.shown.size(), 1);  // no question before a refusal
    QVERIFY2(s.fp.dialogs.lastText().startsWith(message), qPrintable(s.fp.dialogs.lastText()));
    if (kind == "userdb")
        QVERIFY(s.fp.dialogs.lastText().contains("userdb"));
    QVERIFY(bytesOf(s.db.path()) == before);
    QCOMPARE(QDir(s.db.dir()).entryList({"*.bak", ".*"}, QDir::Files | QDir::Hidden), QStringList());
    QVERIFY(s.closeWindow(w));
    QCOMPARE(s.gridRows(), 400);
}

void TestBackup::restoreOverDestroyedDatabase()
{
    // What restoring is for: the database file no longer opens.
    BackupSession s(5);
    const QString backup = s.file("beifen.mdb");
    DatabaseCopier().backup(s.db.path(), backup);
    BackupWindow* w = s.openWindow();
    const QByteArray wreck = QByteArray(4096, '\x5a');
    writeBytes(s.db.path(), wreck);
    w->restoreFileEdit->setText(backup);
    s.fp.dialogs.answers.enqueue(QMessageBox::Yes);
    w->restoreButton->click();
    QCOMPARE(s.fp.dialogs.lastText(), restored);
    QVERIFY(bytesOf(s.file("data.mdb.20261210-093015.bak")) == wreck);
    QVERIFY(s.closeWindow(w));
    QCOMPARE(s.gridRows(), 5);
}

void TestBackup::backupOntoExistingFile_data()
{
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::newRow("no") << QMessageBox::No;
    QTest::newRow("yes") << QMessageBox::Yes;
}

void TestBackup::backupOntoExistingFile()
{
    QFETCH(QMessageBox::StandardButton, answer);
    BackupSession s(2);
    const QString target = s.file("beifen.mdb");
    writeBytes(target, "yesterday's copy");
    BackupWindow* w = s.openWindow();
    w->backupPathEdit->setText(target);
    s.fp.dialogs.answers.enqueue(answer);
    w->backupButton->click();
    const auto& question = s.fp.dialogs.shown.first();
    QCOMPARE(question.text, replaceQuestion);
    QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(question.defaultButton, QMessageBox::No);
    if (answer == QMessageBox::No) {
        QCOMPARE(s.fp.dialogs.shown.size(), 1);
        QCOMPARE(bytesOf(target), QByteArray("yesterday's copy"));
    } else {
        QCOMPARE(s.fp.dialogs.lastText(), success);
        QCOMPARE(ordersIn(target), 2);
    }
    QVERIFY(s.closeWindow(w));
}

void TestBackup::backupFailureSaid()
{
    BackupSession s;
    QVERIFY(QDir(s.db.dir()).mkpath("a folder"));
    BackupWindow* w = s.openWindow();
    w->backupPathEdit->setText(s.file("a folder"));
    w->backupButton->click();
    QVERIFY2(s.fp.dialogs.lastText().startsWith("数据库备份失败！\n"), qPrintable(s.fp.dialogs.lastText()));
    QVERIFY(QFileInfo(s.file("a folder")).isDir());
    QVERIFY(s.closeWindow(w));
}

void TestBackup::failedCheckKeepsPreviousBackup()
{
    test::TestDb db;
    addOrders(db, 300);
    db.closeConnection();
    const QString target = QDir(db.dir()).filePath("beifen.mdb");
    DatabaseCopier first;
    QList<std::pair<int, int>> progress;
    first.setProgress([&progress](int done, int total) { progress.append({done, total}); });
    first.backup(db.path(), target);
    // The progress display ends full.
    QVERIFY(!progress.isEmpty());
    QVERIFY(progress.last().second > 0);
    QCOMPARE(progress.last().first, progress.last().second);
    const QByteArray previous = bytesOf(target);

    addOrders(db, 5);
    db.closeConnection();
    DatabaseCopier spoiling;
    QString spoiled;
    spoiling.setBeforeCheck([&spoiled](const QString& temp) {
        spoiled = temp;
        // A disk that returned other bytes than it was given, in the middle.
        QFile f(temp);
        QVERIFY(f.open(QIODevice::ReadWrite));
        f.seek(f.size() / 2);
        f.write(QByteArray(3000, '\0'));
    });
    QVERIFY_THROWS_EXCEPTION(OperationError, spoiling.backup(db.path(), target));
    QVERIFY(!spoiled.isEmpty());
    QCOMPARE(QFileInfo(spoiled).absolutePath(), QFileInfo(target).absolutePath());  // beside the target
    QVERIFY(bytesOf(target) == previous);
    QVERIFY(!QFileInfo::exists(spoiled));
    QCOMPARE(ordersIn(target), 300);
}

void TestBackup::restoreOverDamagedDatabase_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("a damaged page") << "page";
    QTest::newRow("cut short") << "truncated";
    QTest::newRow("zero bytes") << "empty";
    QTest::newRow("unreadable") << "unreadable";
}

// The case a restore exists for: the register's file is damaged. What stood
// there is kept byte for byte, the backup takes its place, and the program
// works on it as soon as the window closes.
void TestBackup::restoreOverDamagedDatabase()
{
    QFETCH(QString, damage);
    if (damage == "unreadable" && geteuid() == 0)
        QSKIP("the administrator reads every file");
    BackupSession s(400);
    const QString backup = s.file("beifen.mdb");
    DatabaseCopier().backup(s.db.path(), backup);
    BackupWindow* w = s.openWindow();
    const QByteArray whole = bytesOf(s.db.path());
    QByteArray wreck = whole;
    if (damage == "page")
        wreck.replace(whole.size() / 2, 3000, QByteArray(3000, '\x5a'));
    else if (damage == "truncated")
        wreck = whole.left(whole.size() * 6 / 10);
    else if (damage == "empty")
        wreck.clear();
    writeBytes(s.db.path(), wreck);
    if (damage == "unreadable")
        QFile::setPermissions(s.db.path(), QFileDevice::WriteOwner);
    w->restoreFileEdit->setText(backup);
    s.fp.dialogs.answers.enqueue(QMessageBox::Yes);
    w->restoreButton->click();
    QCOMPARE(s.fp.dialogs.texts(), QStringList({replaceQuestion, restored}));
    const QString kept = s.file("data.mdb.20261210-093015.bak");
    if (damage == "unreadable")
        QFile::setPermissions(kept, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QVERIFY(bytesOf(kept) == wreck);
    QCOMPARE(ordersIn(s.db.path()), 400);

    QVERIFY(s.closeWindow(w));
    QVERIFY(s.main->isVisible());
    QCOMPARE(s.gridRows(), 400);
    // And it is written to as before.
    s.main->orders()->appendOrder(
        {{"a", "恢复以后"}, {"b", "13900000000"}, {"c", "北京"}, {"d", "申通快递"}, {"g", "未打印"}});
    s.main->showAll();
    QCOMPARE(s.gridRows(), 401);
    QCOMPARE(s.db.cli("select count(*) from data where a='恢复以后'"), QStringList{"1"});
}

void TestBackup::restoreFromItselfRefusedFirst()
{
    BackupSession s(3);
    BackupWindow* w = s.openWindow();
    const QByteArray before = bytesOf(s.db.path());
    w->restoreFileEdit->setText(s.db.path());
    w->restoreButton->click();
    // No question whether to replace a file that is not going to be replaced.
    QCOMPARE(s.fp.dialogs.shown.size(), 1);
    QVERIFY2(s.fp.dialogs.lastText().startsWith("数据库恢复失败！\n备份文件就是正在使用的数据库"),
             qPrintable(s.fp.dialogs.lastText()));
    QVERIFY(bytesOf(s.db.path()) == before);
    QVERIFY(s.closeWindow(w));
}

// While the backup window has the register closed, nothing else can act on
// it: the windows that would are closed and cannot be opened, so none of
// them covers the backup window either.
void TestBackup::registerWindowsCloseWhileClosed()
{
    BackupSession s(3);
    s.main->commands()->action(Command::UserAdmin)->trigger();
    s.main->commands()->action(Command::ChangePassword)->trigger();
    QPointer<UserAdminWindow> users = s.main->findChild<UserAdminWindow*>();
    QPointer<ChangePasswordWindow> password = s.main->findChild<ChangePasswordWindow*>();
    QVERIFY(users && users->isVisible());
    QVERIFY(password && password->isVisible());

    BackupWindow* w = s.openWindow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(users.isNull());
    QVERIFY(password.isNull());
    s.main->commands()->action(Command::UserAdmin)->trigger();
    s.main->commands()->action(Command::ChangePassword)->trigger();
    QVERIFY(!s.main->findChild<UserAdminWindow*>());
    QVERIFY(!s.main->findChild<ChangePasswordWindow*>());
    QVERIFY(s.fp.dialogs.shown.isEmpty());

    QVERIFY(s.closeWindow(w));
    s.main->commands()->action(Command::UserAdmin)->trigger();
    QVERIFY(s.main->findChild<UserAdminWindow*>());
}

void TestBackup::closingRetry_data()
{
    QTest::addColumn<bool>("retry");
    QTest::newRow("yes: tried again") << true;
    QTest::newRow("no: the program ends") << false;
}

void TestBackup::closingRetry()
{
    QFETCH(bool, retry);
    BackupSession s(2);
    BackupWindow* w = s.openWindow();
    QPointer<BackupWindow> window(w);
    const QByteArray good = bytesOf(s.db.path());
    writeBytes(s.db.path(), "not a database");
    auto& d = s.fp.dialogs;
    // The error, then the question; at the first question the user puts the
    // file right before answering.
    d.answers << QMessageBox::Ok << (retry ? QMessageBox::Yes : QMessageBox::No);
    d.onShown = [&](const test::FakeDialogs::Shown& shown) {
        if (retry && shown.text == retryQuestion)
            writeBytes(s.db.path(), good);
    };
    // Closed from inside an event loop, as the program runs: "No" must end
    // that loop (and with it the program), not leave it running with every
    // window hidden.
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
        w->close();
        QTimer::singleShot(0, &loop, [&] { loop.exit(0); });
    });
    const int ended = loop.exec();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    d.onShown = nullptr;
    QCOMPARE(ended, retry ? 0 : 1);
    QCOMPARE(d.texts().size(), 2);
    QVERIFY2(d.shown.at(0).text.startsWith("file is encrypted or is not a database"), qPrintable(d.texts().join('|')));
    QCOMPARE(d.shown.at(0).icon, Dialogs::Icon::Critical);
    QCOMPARE(d.shown.at(1).text, retryQuestion);
    QCOMPARE(d.shown.at(1).buttons, QMessageBox::Yes | QMessageBox::No);
    QVERIFY(window.isNull());
    if (retry) {
        QVERIFY(s.main->isVisible());
        QVERIFY(s.dm->connection.isOpen());
        QCOMPARE(s.gridRows(), 2);
    } else {
        // The main window was closed: nothing was left hidden and unreachable,
        // and no exit time could be written into a closed database.
        QVERIFY(!s.main->isVisible());
        QVERIFY(!s.dm->connection.isOpen());
        QVERIFY(!QFileInfo::exists(s.file("backup")));
    }
}

void TestBackup::exitBackupAtClose()
{
    BackupSession s(6);
    QVERIFY(s.main->close());
    const QString copy = s.file("backup/data-2026-12-10.mdb");
    QCOMPARE(ordersIn(copy), 6);
    DatabaseCopier().verify(copy);
    QVERIFY(s.fp.dialogs.shown.isEmpty());
    // The exit time went in before the copy was made.
    Connection c;
    c.open(copy, schema::databaseKey);
    Statement jtime(c.handle(), "select jtime from rz");
    QVERIFY(jtime.step());
    QCOMPARE(jtime.value(0).toString(), QString("2026-12-10 09:30:15"));
}

void TestBackup::exitBackupSameDayAndFourteenKept()
{
    test::TestDb db;
    addOrders(db, 2);
    const QString folder = ExitBackup::folderFor(db.path());
    QCOMPARE(folder, QDir(db.dir()).absoluteFilePath("backup"));
    QVERIFY(QDir().mkpath(folder));
    // Twenty older days, and files that are no daily copy.
    for (int day = 1; day <= 20; ++day)
        writeBytes(QDir(folder).filePath(ExitBackup::copyName(QDate(2026, 11, day))), "old");
    for (const char* other : {"notes.txt", "data-2026-13-01.mdb", "beifen.mdb"})
        writeBytes(QDir(folder).filePath(other), "keep");

    Connection live;
    live.open(db.path(), schema::databaseKey);
    const QDateTime morning(QDate(2026, 12, 10), QTime(9, 0));
    QVERIFY(ExitBackup::run(live, morning));
    addOrders(db, 3);
    QVERIFY(ExitBackup::run(live, morning.addSecs(8 * 3600)));
    QCOMPARE(ordersIn(QDir(folder).filePath("data-2026-12-10.mdb")), 5);

    QStringList copies = QDir(folder).entryList({"data-*.mdb"}, QDir::Files, QDir::Name);
    copies.removeAll("data-2026-13-01.mdb");
    QCOMPARE(copies.size(), ExitBackup::keptCopies);
    QCOMPARE(copies.first(), QString("data-2026-11-08.mdb"));
    QCOMPARE(copies.last(), QString("data-2026-12-10.mdb"));
    for (const char* other : {"notes.txt", "data-2026-13-01.mdb", "beifen.mdb"})
        QVERIFY(QFileInfo::exists(QDir(folder).filePath(other)));
    QVERIFY(!QFileInfo::exists(QDir(folder).filePath("backup.log")));
}

void TestBackup::exitBackupFailure_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("the day's name taken by a folder") << "folder";
    QTest::newRow("the copy fails its check") << "spoiled";
}

void TestBackup::exitBackupFailure()
{
    QFETCH(QString, how);
    BackupSession s(2);
    const QString folder = s.file("backup");
    const QString today = QDir(folder).filePath("data-2026-12-10.mdb");
    QVERIFY(QDir().mkpath(folder));
    if (how == "folder") {
        QVERIFY(QDir().mkpath(today));
        writeBytes(QDir(today).filePath("inside"), "x");
        // Closing is not held up, and nothing is shown.
        QVERIFY(s.main->close());
        QVERIFY(!s.main->isVisible());
        QVERIFY(s.fp.dialogs.shown.isEmpty());
        QVERIFY(QFileInfo(today).isDir());
    } else {
        writeBytes(today, "this morning's copy");
        DatabaseCopier spoiling;
        spoiling.setBeforeCheck([](const QString& temp) { writeBytes(temp, QByteArray(2048, '\1')); });
        QVERIFY(!ExitBackup::run(s.dm->connection, s.fp.clock.now(), spoiling));
        QCOMPARE(bytesOf(today), QByteArray("this morning's copy"));
    }
    const QString log = QString::fromUtf8(bytesOf(QDir(folder).filePath("backup.log")));
    QVERIFY2(log.startsWith("2026-12-10 09:30:15  退出时的备份没有完成："), qPrintable(log));
    QCOMPARE(log.count('\n'), 1);
    QCOMPARE(QDir(folder).entryList({".*.tmp"}, QDir::Files | QDir::Hidden), QStringList());
}

void TestBackup::exitBackupClockOff_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("removed");
    // Every real day's copy seems to lie in the future: the newest of them
    // stay beside the day's own.
    QTest::newRow("clock set back to 2000-01-01")
        << QDate(2000, 1, 1) << dailyCopies(QDate(2026, 11, 1), 20) << dailyCopies(QDate(2026, 11, 1), 7);
    // Copies of a clock that ran ahead rank below the real days.
    QTest::newRow("copies dated after today")
        << QDate(2026, 12, 10) << dailyCopies(QDate(2026, 11, 1), 15) + dailyCopies(QDate(2027, 1, 1), 3)
        << dailyCopies(QDate(2026, 11, 1), 2) + dailyCopies(QDate(2027, 1, 1), 3);
}

void TestBackup::exitBackupClockOff()
{
    QFETCH(QDate, today);
    QFETCH(QStringList, present);
    QFETCH(QStringList, removed);
    test::TestDb db;
    addOrders(db, 4);
    const QDir folder(ExitBackup::folderFor(db.path()));
    QVERIFY(QDir().mkpath(folder.path()));
    for (const QString& name : present)
        writeBytes(folder.filePath(name), "old");

    Connection live;
    live.open(db.path(), schema::databaseKey);
    QVERIFY(ExitBackup::run(live, QDateTime(today, QTime(18, 0))));
    const QString made = folder.filePath(ExitBackup::copyName(today));
    QVERIFY(QFileInfo::exists(made));
    QCOMPARE(ordersIn(made), 4);
    QStringList left = folder.entryList({"data-*.mdb"}, QDir::Files);
    QCOMPARE(left.size(), ExitBackup::keptCopies);
    for (const QString& name : removed)
        QVERIFY2(!left.contains(name), qPrintable(name));
    QVERIFY(!QFileInfo::exists(folder.filePath("backup.log")));
}

void TestBackup::keptCopiesNewestFive_data()
{
    QTest::addColumn<QStringList>("moments");  // of six restores in a row
    QTest::addColumn<QStringList>("kept");
    // Two restores within one second: the second copy is the newer.
    QTest::newRow("the clock going forward")
        << QStringList{"20261210-093015", "20261210-093015", "20261210-093115", "20261210-103015",
                       "20261211-093015", "20261211-093016"}
        << QStringList{"20261210-093015-2", "20261210-093115", "20261210-103015", "20261211-093015",
                       "20261211-093016"};
    QTest::newRow("the clock set back before the last restore")
        << QStringList{"20261210-093015", "20261210-093115", "20261210-093215", "20261210-093315",
                       "20261210-093415", "20000101-000000"}
        << QStringList{"20000101-000000", "20261210-093115", "20261210-093215", "20261210-093315",
                       "20261210-093415"};
}

void TestBackup::keptCopiesNewestFive()
{
    QFETCH(QStringList, moments);
    QFETCH(QStringList, kept);
    test::TestDb db;
    addOrders(db, 3);
    db.closeConnection();
    const QString source = QDir(db.dir()).filePath("beifen.mdb");
    DatabaseCopier copier;
    copier.backup(db.path(), source);
    for (const QString& moment : moments) {
        const QString made =
            copier.restore(source, db.path(), QDateTime::fromString(moment, "yyyyMMdd-HHmmss"));
        QVERIFY2(QFileInfo::exists(made), qPrintable(made));
    }
    QStringList expected;
    for (const QString& moment : kept)
        expected << "data.mdb." + moment + ".bak";
    QCOMPARE(QDir(db.dir()).entryList({"data.mdb.*"}, QDir::Files | QDir::Hidden, QDir::Name), expected);
    QCOMPARE(ordersIn(db.path()), 3);
}

void TestBackup::ownerOnlyFiles_data()
{
    QTest::addColumn<QString>("made");
    QTest::newRow("a new register from kestrix-newdb") << "newdb";
    QTest::newRow("a new register from createDatabase") << "factory";
    QTest::newRow("a backup by hand into new folders") << "backup";
    QTest::newRow("a backup by hand over a file others can read") << "backup over";
    QTest::newRow("an exit backup making backup/") << "exit";
    QTest::newRow("an exit backup into a backup/ others can read") << "exit open";
    QTest::newRow("a restore into a register others can read") << "restore";
    QTest::newRow("a restore over a destroyed register") << "restore wreck";
}

void TestBackup::ownerOnlyFiles()
{
    QFETCH(QString, made);
    OpenUmask open;
    test::TestDb db;
    // Enough pages for the copies to report progress in the middle.
    addOrders(db, 3000);
    db.closeConnection();
    const QDir dir(db.dir());

    // Every file that appears while a copy is written (the temporary file,
    // the journals, and in a restore the register itself) is watched at each
    // step; the register too in a restore into it, which is written page by
    // page in place.
    QStringList exposed;
    QString watched = db.dir();
    DatabaseCopier copier;
    auto watch = [&] {
        for (const QFileInfo& f : QDir(watched).entryInfoList(QDir::Files | QDir::Hidden)) {
            const QString name = f.fileName();
            const bool ours = name.startsWith('.') || name.endsWith("-journal") ||
                              (made == "restore" && name == "data.mdb");
            if (ours && modeOf(f.filePath()) != 0600)
                exposed << QString("%1 %2").arg(name).arg(modeOf(f.filePath()), 0, 8);
        }
    };
    copier.setProgress([&](int, int) { watch(); });
    copier.setBeforeCheck([&](const QString&) { watch(); });

    QStringList files, folders;
    const QDateTime now(QDate(2026, 12, 10), QTime(9, 30, 15));
    if (made == "newdb") {
        QProcess p;
        p.start(KX_NEWDB_PATH, {dir.filePath("new.mdb")});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 0);
        files << dir.filePath("new.mdb");
    } else if (made == "factory") {
        files << db.path();
    } else if (made.startsWith("backup")) {
        QString target = dir.filePath("备份/月底/beifen.mdb");
        if (made == "backup over") {
            target = dir.filePath("beifen.mdb");
            writeBytes(target, "last month's copy");
            setMode(target, 0644);
        } else {
            folders << dir.filePath("备份") << dir.filePath("备份/月底");
        }
        watched = QFileInfo(target).path();
        copier.backup(db.path(), target);
        files << target;
    } else if (made.startsWith("exit")) {
        watched = ExitBackup::folderFor(db.path());
        if (made == "exit open") {
            QVERIFY(dir.mkdir("backup"));
            setMode(watched, 0755);
        }
        Connection live;
        live.open(db.path(), schema::databaseKey);
        QVERIFY(ExitBackup::run(live, now, copier));
        files << QDir(watched).filePath(ExitBackup::copyName(now.date()));
        folders << watched;
    } else {
        const QString source = dir.filePath("beifen.mdb");
        copier.backup(db.path(), source);
        if (made == "restore wreck")
            writeBytes(db.path(), QByteArray(4096, '\x5a'));
        // As an older version left it.
        setMode(db.path(), 0644);
        const QString kept = copier.restore(source, db.path(), now);
        QCOMPARE(kept, dir.filePath("data.mdb.20261210-093015.bak"));
        files << db.path() << kept;
    }
    QVERIFY2(exposed.isEmpty(), qPrintable(exposed.join(", ")));
    for (const QString& f : files)
        QVERIFY2(modeOf(f) == 0600, qPrintable(QString("%1 %2").arg(f).arg(modeOf(f), 0, 8)));
    for (const QString& f : folders)
        QVERIFY2(modeOf(f) == 0700, qPrintable(QString("%1 %2").arg(f).arg(modeOf(f), 0, 8)));
    QCOMPARE(QDir(watched).entryList({".*"}, QDir::Files | QDir::Hidden), QStringList());
}

void TestBackup::launcherClosesDataFolder_data()
{
    QTest::addColumn<int>("folderMode");  // -1: no folder yet
    QTest::addColumn<int>("fileMode");    // -1: no data.mdb yet
    QTest::addColumn<bool>("said");
    QTest::newRow("first start") << -1 << -1 << false;
    QTest::newRow("folder and register open to others") << 0755 << 0644 << true;
    QTest::newRow("only the register open to others") << 0700 << 0640 << true;
    QTest::newRow("only the folder open to others") << 0711 << 0600 << true;
    QTest::newRow("both owner-only") << 0700 << 0600 << false;
}

void TestBackup::launcherClosesDataFolder()
{
    QFETCH(int, folderMode);
    QFETCH(int, fileMode);
    QFETCH(bool, said);
    OpenUmask open;
    QTemporaryDir root;
    QVERIFY(root.isValid());
    // The launcher as installed: beside it a stand-in for the program that
    // notes where it runs, and the real kestrix-newdb.
    const QDir bin(root.filePath("bin"));
    QVERIFY(QDir().mkpath(bin.path()));
    QVERIFY(QFile::copy(KX_LAUNCHER_PATH, bin.filePath("kestrix-launch")));
    writeBytes(bin.filePath("kestrix"), "#!/bin/sh\npwd > \"$KX_RAN_IN\"\n");
    setMode(bin.filePath("kestrix"), 0755);
    QVERIFY(QFile::link(KX_NEWDB_PATH, bin.filePath("kestrix-newdb")));
    const QString data = root.filePath("xdg/kestrix");
    if (folderMode >= 0) {
        QVERIFY(QDir().mkpath(data));
        setMode(data, folderMode);
    }
    if (fileMode >= 0) {
        writeBytes(data + "/data.mdb", "a shop's orders");
        setMode(data + "/data.mdb", fileMode);
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", root.filePath("home"));
    env.insert("XDG_DATA_HOME", root.filePath("xdg"));
    env.insert("KX_RAN_IN", root.filePath("ran-in"));
    auto launch = [&]() -> QString {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(bin.filePath("kestrix-launch"));
        if (!p.waitForFinished() || p.exitCode() != 0)
            return "failed: " + QString::fromUtf8(p.readAllStandardError());
        return QString::fromUtf8(p.readAllStandardError());
    };
    const QString first = launch();
    QCOMPARE(first, said ? QString("kestrix-launch: 已将 %1 设为仅本用户可读写\n").arg(data) : QString());
    QCOMPARE(QString::fromUtf8(bytesOf(root.filePath("ran-in"))).trimmed(), data);
    QCOMPARE(modeOf(data), 0700);
    QCOMPARE(modeOf(data + "/data.mdb"), 0600);
    if (fileMode >= 0)
        QCOMPARE(bytesOf(data + "/data.mdb"), QByteArray("a shop's orders"));
    // Said once: the next start finds nothing to close.
    QCOMPARE(launch(), QString());
}

void TestBackup::startUpRestoresNewestExitBackup_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<bool>("yes");
    QTest::newRow("zero bytes, restored") << "empty" << true;
    QTest::newRow("cut short, restored") << "truncated" << true;
    QTest::newRow("not a database, restored") << "text" << true;
    QTest::newRow("zero bytes, the program ends") << "empty" << false;
}

// A data.mdb refused at start would end the program before anybody could
// reach the backup window: the newest sound copy of the exit backup is
// offered instead, and a damaged newer copy is passed over.
void TestBackup::startUpRestoresNewestExitBackup()
{
    QFETCH(QString, damage);
    QFETCH(bool, yes);
    test::TestDb db;
    addOrders(db, 400);
    const QString folder = ExitBackup::folderFor(db.path());
    QVERIFY(QDir().mkpath(folder));
    DatabaseCopier().backup(db.path(), QDir(folder).filePath("data-2026-12-08.mdb"));
    addOrders(db, 5, "昨天的");
    DatabaseCopier().backup(db.path(), QDir(folder).filePath("data-2026-12-09.mdb"));
    writeBytes(QDir(folder).filePath("data-2026-12-10.mdb"), "the copy of a day that went wrong");
    db.closeConnection();

    const QByteArray whole = bytesOf(db.path());
    QByteArray wreck;
    if (damage == "truncated")
        wreck = whole.left(whole.size() * 6 / 10);
    else if (damage == "text")
        wreck = "收件人,手机,地址\n";
    writeBytes(db.path(), wreck);

    test::FakePlatform fp;
    fp.dialogs.answers.enqueue(yes ? QMessageBox::Yes : QMessageBox::No);
    std::unique_ptr<Database> dm = StartupRecovery::open(fp.platform, db.path());
    QCOMPARE(fp.dialogs.shown.size(), 1);
    const auto& question = fp.dialogs.shown.first();
    QCOMPARE(question.icon, Dialogs::Icon::Question);
    QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
    QVERIFY2(question.text.contains(QDir::toNativeSeparators(QDir(folder).filePath("data-2026-12-09.mdb"))),
             qPrintable(question.text));
    const QString kept = db.path() + ".20261210-093015.bak";
    if (!yes) {
        QVERIFY(!dm);
        QVERIFY(bytesOf(db.path()) == wreck);
        QVERIFY(!QFileInfo::exists(kept));
        return;
    }
    QVERIFY(dm);
    QVERIFY(dm->connection.isOpen());
    QVERIFY(bytesOf(kept) == wreck);
    QCOMPARE(ordersIn(db.path()), 405);
    QCOMPARE(ordersIn(db.path(), "昨天的"), 5);
    QCOMPARE(db.cli("select count(*) from data where a='昨天的'"), QStringList{"5"});
}

void TestBackup::startUpWithoutCopyEnds()
{
    test::TestDb db;
    db.closeConnection();
    writeBytes(db.path(), QByteArray());
    test::FakePlatform fp;
    QVERIFY(!StartupRecovery::open(fp.platform, db.path()));
    // As before there was a way back: the reason, and the program ends.
    QCOMPARE(fp.dialogs.shown.size(), 1);
    QCOMPARE(fp.dialogs.shown.first().icon, Dialogs::Icon::Critical);
}

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
