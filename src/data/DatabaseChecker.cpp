#include "data/DatabaseChecker.h"

#include "core/OperationError.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace kx {

namespace {

const QString checkerName = QStringLiteral("kestrix-check");

QString& programOverride()
{
    static QString path;
    return path;
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

QString firstLine(const QByteArray& output)
{
    return QString::fromUtf8(output).section(QLatin1Char('\n'), 0, 0).trimmed();
}

}  // namespace

DatabaseChecker::DatabaseChecker(std::chrono::milliseconds timeLimit) : m_timeLimit(timeLimit) {}

void DatabaseChecker::checkWhole(const QString& path) const
{
    run(path, false);
}

void DatabaseChecker::checkSchema(const QString& path) const
{
    run(path, true);
}

QString DatabaseChecker::program()
{
    if (!programOverride().isEmpty())
        return programOverride();
    // Never looked up on PATH: whatever answers there would decide which
    // files the program trusts.
    return QDir(QCoreApplication::applicationDirPath()).filePath(checkerName);
}

void DatabaseChecker::setProgram(const QString& path)
{
    programOverride() = path;
}

void DatabaseChecker::run(const QString& path, bool schemaOnly) const
{
    const QString file = native(path);
    const QString checker = program();
    if (!QFileInfo(checker).isFile())
        throw OperationError(
            QStringLiteral("无法检查 %1：找不到检查程序 %2。").arg(file, QDir::toNativeSeparators(checker)));

    QStringList arguments;
    if (schemaOnly)
        arguments << QStringLiteral("--schema-only");
    // Absolute, so that no file name is ever taken for an option.
    arguments << QFileInfo(path).absoluteFilePath();

    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    const QDeadlineTimer deadline(m_timeLimit);
    process.start(checker, arguments);
    if (!process.waitForStarted(int(deadline.remainingTime())) && process.state() == QProcess::NotRunning)
        throw OperationError(QStringLiteral("无法检查 %1：检查程序 %2 无法启动（%3）。")
                                 .arg(file, QDir::toNativeSeparators(checker), process.errorString()));
    if (!process.waitForFinished(int(deadline.remainingTime())) && process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(-1);
        // Not a verdict on the file: a large file on a slow or busy computer
        // can take this long.
        const qint64 seconds = (m_timeLimit.count() + 999) / 1000;
        throw OperationError(QStringLiteral("%1 未能在 %2 秒内检查完毕，请稍后再试。").arg(file).arg(seconds));
    }

    // The engine crashing on the file is the checker's strongest refusal.
    if (process.exitStatus() == QProcess::CrashExit)
        throw OperationError(QStringLiteral("%1 无法检查：检查程序意外终止，文件可能已损坏或被篡改。").arg(file));
    switch (process.exitCode()) {
    case 0:
        return;
    case 1: {
        const QString reason = firstLine(process.readAllStandardOutput());
        throw OperationError(reason.isEmpty() ? QStringLiteral("%1 未通过检查。").arg(file) : reason);
    }
    default: {
        const QString said = firstLine(process.readAllStandardError());
        throw OperationError(QStringLiteral("无法检查 %1：检查程序出错（%2）。")
                                 .arg(file, said.isEmpty() ? QString::number(process.exitCode()) : said));
    }
    }
}

}  // namespace kx
