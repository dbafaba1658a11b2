#include "maintenance/StartupRecovery.h"

#include "core/OperationError.h"
#include "data/Database.h"
#include "data/DatabaseChecker.h"
#include "data/DatabaseCopier.h"
#include "data/ServerConnection.h"
#include "maintenance/ConnectionWindow.h"
#include "maintenance/ExitBackup.h"
#include "platform/AppInfo.h"
#include "platform/Platform.h"
#include "platform/RegisterChoice.h"

#include <QDir>
#include <QFileInfo>

namespace kx {

namespace {

// The reason of a failure, to follow the Chinese lead-in.
QString serverReason(const std::exception& e, const QString& uri)
{
    const auto* op = dynamic_cast<const OperationError*>(&e);
    return RegisterChoice::serverReason(op ? op->message() : QString::fromLocal8Bit(e.what()), uri);
}

}  // namespace

StartupRecovery::ServerPrompts StartupRecovery::windowPrompts(const Platform& platform)
{
    return {[](const QString& label) { return ConnectionWindow::promptForPassword(nullptr, label); },
            [&platform](const QString& current) { return ConnectionWindow::chooseAtStart(platform, current); }};
}

std::unique_ptr<Database> StartupRecovery::open(const Platform& platform, const QString& pathOrUri)
{
    return open(platform, pathOrUri, windowPrompts(platform));
}

std::unique_ptr<Database> StartupRecovery::open(const Platform& platform, const QString& pathOrUri,
                                                const ServerPrompts& prompts)
{
    if (ServerConnection::isServerUri(pathOrUri))
        return openServer(platform, pathOrUri, prompts);
    return openFile(platform, pathOrUri);
}

std::unique_ptr<Database> StartupRecovery::openServer(const Platform& platform, const QString& first,
                                                      const ServerPrompts& prompts)
{
    QString uri = first;
    QString password;
    for (;;) {
        QString reason;
        try {
            // One connection of our own first: it tells a server that is
            // down from one that wants a password, which the data module's
            // error would not.
            { ServerConnection probe(uri, password); }
            // The data module makes its connections (the main one, the
            // refreshers', the one after a restore) inside the data layer,
            // which keeps the password for them in memory only.
            if (!password.isEmpty())
                ServerConnection::setSessionPassword(password);
            return std::make_unique<Database>(uri, nullptr);
        } catch (const std::exception& e) {
            if (ServerConnection::needsPassword(e)) {
                const std::optional<QString> typed = prompts.askPassword(RegisterChoice::label(uri));
                if (typed && !typed->isEmpty()) {
                    password = *typed;
                    continue;
                }
                reason = QStringLiteral("服务器要求输入密码。");
            } else {
                reason = serverReason(e, uri);
            }
        }

        const QString localFile = RegisterChoice::label(schema::databaseFile);
        const QString question =
            QStringLiteral("无法打开数据库服务器上的订单库 %1。\n原因：%2\n\n"
                           "重试：再连接一次\n"
                           "是：打开“数据库连接”窗口，修改连接设置\n"
                           "否：这次使用本机数据文件 %3\n"
                           "取消：退出程序")
                .arg(RegisterChoice::label(uri), reason, localFile);
        const QMessageBox::StandardButton answer = platform.dialogs.message(
            nullptr, appTitle, question, Dialogs::Icon::Warning,
            QMessageBox::Retry | QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Retry);
        switch (answer) {
        case QMessageBox::Retry:
            // A wrong password is asked for again.
            password.clear();
            break;
        case QMessageBox::Yes:
            if (const std::optional<QString> chosen = prompts.chooseConnection(uri)) {
                if (chosen->isEmpty())
                    return openFile(platform, schema::databaseFile);
                uri = *chosen;
                password.clear();
            }
            break;
        case QMessageBox::No:
            return openFile(platform, schema::databaseFile);
        default:
            return nullptr;
        }
    }
}

std::unique_ptr<Database> StartupRecovery::openFile(const Platform& platform, const QString& path)
{
    QString refusal;
    try {
        // A file the program did not make in this run is looked at in a
        // process of its own first: a crafted one must not crash this one.
        if (QFileInfo::exists(path))
            DatabaseChecker().checkSchema(path);
        return std::make_unique<Database>(path, nullptr);
    } catch (const OperationError& e) {
        refusal = e.message();
    }

    const QString copy = newestSoundCopy(path, platform.clock.now().date());
    if (copy.isEmpty()) {
        platform.dialogs.showError(nullptr, refusal);
        return nullptr;
    }
    const QString question = QStringLiteral("%1\n\n备份文件夹中最近的备份是 %2。是否用它恢复数据库？")
                                 .arg(refusal, QDir::toNativeSeparators(QFileInfo(copy).absoluteFilePath()));
    if (platform.dialogs.message(nullptr, appTitle, question, Dialogs::Icon::Question,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) != QMessageBox::Yes)
        return nullptr;
    try {
        // The refused file is kept beside it as it is, as every restore keeps
        // what it replaces.
        DatabaseCopier().restore(copy, path, platform.clock.now());
        return std::make_unique<Database>(path, nullptr);
    } catch (const OperationError& e) {
        platform.dialogs.showError(nullptr, QStringLiteral("数据库恢复失败！\n") + e.message());
        return nullptr;
    }
}

QString StartupRecovery::newestSoundCopy(const QString& path, const QDate& today)
{
    const QDir folder(ExitBackup::folderFor(path));
    for (const QString& name : ExitBackup::copiesNewestFirst(folder.path(), today)) {
        try {
            DatabaseChecker().checkWhole(folder.filePath(name));
            return folder.filePath(name);
        } catch (const OperationError&) {
            // A damaged copy is no way back; an older one may be.
        }
    }
    return QString();
}

}  // namespace kx
