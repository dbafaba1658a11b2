// A child of the kill test: runs one command of the program on the data.mdb
// of its working directory the way the user starts it — a main window
// (offscreen, with scripted dialogs), a login, the command's entry — and
// says "start" on stdout just before the command begins writing and "done"
// once it has returned. The test kills it with SIGKILL at a random moment
// in between and looks at what the files hold afterwards.
//
//   kx_killchild import REPORT      淘宝订单批量导入 into data.mdb, "Excel自动导入"
//   kx_killchild import REPORT URI  the same into the register on a database
//                                   server, the program started on it
//   kx_killchild cleanup            全部记录, then 优化收件地址
//   kx_killchild backup TARGET      数据备份, "备份数据库" to TARGET (replace: yes)
//   kx_killchild exitbackup         closes the main window: the exit backup
//   kx_killchild restore SOURCE     数据备份, "恢复数据库" from SOURCE (replace: yes)
//   kx_killchild restoredamaged SOURCE  the same after a stretch of data.mdb was overwritten
//   kx_killchild export TARGET      导出Excel to TARGET (overwrite: yes)
//   kx_killchild login              the login itself, which hashes every
//                                   password a register holds in the clear
//
// The messages the command showed go to stderr, one a line, for the test's
// report; the exit code is 0 when the command got through, 2 when the
// arguments were wrong, 3 when the login failed.

#include "Fakes.h"

#include "access/LoginWindow.h"
#include "app/MainWindow.h"
#include "data/Schema.h"
#include "data/Database.h"
#include "data/ServerConnection.h"
#include "importui/ImportWindow.h"
#include "maintenance/BackupWindow.h"
#include "widgets/CommandRegistry.h"
#include "widgets/PictureButton.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdio>

using namespace kx;

namespace {

void say(const char* line)
{
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// As the administrator; when the login is the command, "start" comes just
// before the click on "登 录".
bool logIn(MainWindow& main, bool isTheCommand)
{
    // The login window comes up through a posted call.
    QCoreApplication::processEvents();
    LoginWindow* login = main.login();
    if (!login->isVisible())
        return false;
    login->userBox->setEditText(schema::administrator);
    login->passwordEdit->setText(schema::initialPassword);
    if (isTheCommand)
        say("start");
    login->loginButton->click();
    return main.journalNumber() != 0;
}

void trigger(MainWindow& main, Command command)
{
    main.commands()->action(command)->trigger();
}

// Overwrites 64 KB in the middle of a file, as a failing disk would.
bool damageMiddle(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite) || !f.seek(f.size() / 2))
        return false;
    return f.write(QByteArray(64 * 1024, '\x5a')) == 64 * 1024;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString op = args.value(1);
    const QString file = args.size() > 2 ? QFileInfo(args.at(2)).absoluteFilePath() : QString();
    const bool needsFile = op == u"import" || op == u"backup" || op == u"restore" || op == u"export";
    if (needsFile && file.isEmpty())
        return 2;

    // The import into a server register runs in a program started on it.
    const QString serverRegister = op == u"import" && args.size() > 3 ? args.at(3) : QString();
    if (!serverRegister.isEmpty()) {
        if (!ServerConnection::isServerUri(serverRegister))
            return 2;
        Database::setDefaultRegister(serverRegister);
    }

    test::FakePlatform fp;
    Database dm;
    MainWindow main(dm, fp.platform);
    main.show();
    if (!logIn(main, op == u"login"))
        return 3;

    if (op == u"login") {
        // The command was the login, and it is done.
    } else if (op == u"import") {
        ImportWindow* w = main.importWindow();
        trigger(main, Command::ImportOrders);
        w->reportPathEdit->setText(file);
        w->databasePathEdit->setText(serverRegister.isEmpty() ? QDir::current().absoluteFilePath(schema::databaseFile)
                                                              : serverRegister);
        say("start");
        QTest::mouseClick(w->importButton, Qt::LeftButton);
    } else if (op == u"cleanup") {
        trigger(main, Command::GridShowAll);
        say("start");
        trigger(main, Command::CleanAddresses);
    } else if (op == u"exitbackup") {
        say("start");
        main.close();
    } else if (op == u"backup" || op == u"restore" || op == u"restoredamaged") {
        trigger(main, Command::Backup);
        BackupWindow* w = main.findChild<BackupWindow*>();
        if (!w)
            return 2;
        // "文件已存在，是否替换？"
        fp.dialogs.answers.enqueue(QMessageBox::Yes);
        // The register goes bad while the backup window has it closed: a
        // stretch in its middle is overwritten, as a failing disk would.
        if (op == u"restoredamaged") {
            const QString path = QDir::current().absoluteFilePath(schema::databaseFile);
            if (!damageMiddle(path))
                return 2;
            // The file as it now stands, for the test to know it again.
            QFile f(path);
            if (!f.open(QIODevice::ReadOnly))
                return 2;
            const QByteArray line = "damaged " + QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
            say(line.constData());
        }
        say("start");
        if (op == u"backup") {
            w->backupPathEdit->setText(file);
            w->backupButton->click();
        } else {
            w->restoreFileEdit->setText(file);
            w->restoreButton->click();
        }
    } else if (op == u"export") {
        fp.dialogs.fileNames.enqueue(file);
        // "已存在文件（…），是否覆盖？"
        fp.dialogs.answers.enqueue(QMessageBox::Yes);
        say("start");
        trigger(main, Command::GridExport);
    } else {
        return 2;
    }
    say("done");
    for (const QString& text : fp.dialogs.texts())
        std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    return 0;
}
