#include "extras/SystemFacts.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <unistd.h>

namespace kx {

namespace {

bool dpkgOwns(const QString& path)
{
    const QString dpkgQuery = QStandardPaths::findExecutable(QStringLiteral("dpkg-query"));
    if (dpkgQuery.isEmpty())
        return false;
    QProcess query;
    query.start(dpkgQuery, {QStringLiteral("-S"), path});
    if (!query.waitForFinished(15000)) {
        query.kill();
        query.waitForFinished();
        // Not knowing is taken as owned: the package manager is the safe way.
        return true;
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0;
}

}  // namespace

SystemFacts SystemFacts::real()
{
    SystemFacts facts;
    facts.runningAsRoot = [] { return geteuid() == 0; };
    facts.ownedByPackage = [](const QString& path) {
        // dpkg knows a file by the path its package installed it under; the
        // program may have been started through a link (/bin → /usr/bin).
        const QFileInfo info(path);
        if (!info.exists())
            return false;
        const QString canonical = info.canonicalFilePath();
        return dpkgOwns(info.absoluteFilePath()) || (canonical != info.absoluteFilePath() && dpkgOwns(canonical));
    };
    return facts;
}

}  // namespace kx
