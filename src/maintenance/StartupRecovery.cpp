#include "maintenance/StartupRecovery.h"

#include "core/OperationError.h"
#include "data/Database.h"
#include "data/DatabaseChecker.h"
#include "data/DatabaseCopier.h"
#include "maintenance/ExitBackup.h"
#include "platform/AppInfo.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFileInfo>

namespace kx {

std::unique_ptr<Database> StartupRecovery::open(const Platform& platform, const QString& path)
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
