#include "extras/UserGuide.h"

#include <QDir>
#include <QFileInfo>

namespace kx {

const QString UserGuide::fileName = QStringLiteral("使用说明.html");

QString UserGuide::installedPath(const QString& programDir)
{
    return QDir::cleanPath(QDir(programDir).filePath(QStringLiteral("../share/doc/kestrix/") + fileName));
}

QString UserGuide::buildTreePath(const QString& programDir)
{
    return QDir::cleanPath(QDir(programDir).filePath(QStringLiteral("doc/") + fileName));
}

QString UserGuide::find(const QString& programDir)
{
    // The installed guide first: a build tree never holds share/doc, and an
    // installed program never has a doc folder beside it in bin.
    for (const QString& path : {installedPath(programDir), buildTreePath(programDir)})
        if (QFileInfo(path).isFile())
            return path;
    return QString();
}

}  // namespace kx
