#include "maintenance/ExitBackup.h"

#include "core/OperationError.h"
#include "core/OwnerOnly.h"
#include "data/Connection.h"
#include "data/DatabaseCopier.h"
#include "data/RegisterTransfer.h"
#include "data/Schema.h"
#include "data/ServerConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtDebug>
#include <algorithm>

namespace kx {

namespace {

const QRegularExpression& copyPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^data-(\\d{4}-\\d{2}-\\d{2})\\.mdb$"));
    return pattern;
}

}  // namespace

QString ExitBackup::folderFor(const QString& databaseFile)
{
    if (ServerConnection::isServerUri(databaseFile))
        return folderFor(QDir::current().absoluteFilePath(schema::databaseFile));
    return QFileInfo(databaseFile).absoluteDir().filePath(QStringLiteral("backup"));
}

QString ExitBackup::copyName(const QDate& day)
{
    return QStringLiteral("data-%1.mdb").arg(day.toString(QStringLiteral("yyyy-MM-dd")));
}

bool ExitBackup::run(Connection& database, const QDateTime& now)
{
    return run(database, now, DatabaseCopier());
}

bool ExitBackup::run(Connection& database, const QDateTime& now, const DatabaseCopier& copier)
{
    if (ServerConnection::isServerUri(database.path()))
        return runForServer(database.path(), now, copier);
    return backUpInto(folderFor(database.path()), now,
                      [&](const QString& target) { copier.backup(database, target); });
}

bool ExitBackup::runForServer(const QString& uri, const QDateTime& now, const DatabaseCopier& copier)
{
    return backUpInto(folderFor(uri), now,
                      [&](const QString& target) { RegisterTransfer(copier).backupFromServer(uri, target); });
}

bool ExitBackup::backUpInto(const QString& folder, const QDateTime& now,
                            const std::function<void(const QString& target)>& copy)
{
    try {
        OwnerOnly::createFolder(folder);
        // Made open to others by an earlier version or by hand: every copy
        // in it is the whole register. A folder of another user's stays as
        // it is; the copy itself is owner-only all the same.
        OwnerOnly::restrict(folder);
        copy(QDir(folder).filePath(copyName(now.date())));
        removeOldCopies(folder, now.date());
        return true;
    } catch (const std::exception& e) {
        log(folder, now, QString::fromStdString(e.what()));
    } catch (...) {
        log(folder, now, QStringLiteral("unknown error"));
    }
    return false;
}

QStringList ExitBackup::copiesNewestFirst(const QString& folder, const QDate& today)
{
    // By the day in the name, not the file's time: copying or unpacking a
    // folder changes the times, never the names.
    QList<std::pair<QDate, QString>> copies;
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        const QRegularExpressionMatch m = copyPattern().match(name);
        const QDate day = QDate::fromString(m.captured(1), QStringLiteral("yyyy-MM-dd"));
        if (m.hasMatch() && day.isValid())
            copies.append({day, name});
    }
    // A copy dated after today was made while the clock ran ahead, or the
    // clock has been set back since (a flat battery puts it at 2000-01-01,
    // and every real day's copy then seems to lie in the future): its day
    // says nothing about its age beside today's. Such copies rank below every
    // copy not in the future, the latest first among them.
    std::sort(copies.begin(), copies.end(), [&today](const auto& a, const auto& b) {
        const bool aLater = a.first > today, bLater = b.first > today;
        if (aLater != bLater)
            return !aLater;
        return a.first > b.first;
    });
    QStringList names;
    for (const auto& copy : copies)
        names << copy.second;
    return names;
}

void ExitBackup::removeOldCopies(const QString& folder, const QDate& today)
{
    // So today's copy, the one just made, always stays; with the clock set
    // back the newest real copies stay beside it and make way one a day; and
    // the copies of a clock that ran ahead go once fourteen others follow
    // them, where left alone they would stay for years.
    const QStringList copies = copiesNewestFirst(folder, today);
    for (qsizetype i = keptCopies; i < copies.size(); ++i)
        if (!QFile::remove(QDir(folder).filePath(copies.at(i))))
            throw OperationError(QStringLiteral("无法删除旧的备份 %1。").arg(copies.at(i)));
}

void ExitBackup::log(const QString& folder, const QDateTime& now, const QString& message)
{
    QFile file(QDir(folder).filePath(QStringLiteral("backup.log")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        qWarning().noquote() << "exit backup failed:" << message;
        return;
    }
    file.write((now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral("  退出时的备份没有完成：") +
                message + QLatin1Char('\n'))
                   .toUtf8());
}

}  // namespace kx
