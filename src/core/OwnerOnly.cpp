#include "core/OwnerOnly.h"

#include "core/OperationError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kx {

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

#ifdef Q_OS_UNIX
QString reason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}
#endif

}  // namespace

void OwnerOnly::createFile(const QString& path)
{
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0)
        throw OperationError(QStringLiteral("无法建立文件 %1：%2").arg(native(path), reason()));
    // The umask may have taken the owner's own bits too.
    const bool set = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0;
    const QString refusal = set ? QString() : reason();
    ::close(fd);
    if (!set) {
        ::unlink(name.constData());
        throw OperationError(QStringLiteral("无法建立文件 %1：%2").arg(native(path), refusal));
    }
#else
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner))
        throw OperationError(QStringLiteral("无法建立文件 %1：%2").arg(native(path), file.errorString()));
#endif
}

void OwnerOnly::createFolder(const QString& path)
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QStringList missing;
    for (QString p = absolute; !QFileInfo::exists(p);) {
        missing.prepend(p);
        const QString parent = QFileInfo(p).path();
        if (parent == p)
            break;
        p = parent;
    }
    for (const QString& folder : std::as_const(missing)) {
#ifdef Q_OS_UNIX
        const QByteArray name = QFile::encodeName(folder);
        if (::mkdir(name.constData(), S_IRWXU) == 0) {
            // The umask may have taken the owner's own bits too.
            ::chmod(name.constData(), S_IRWXU);
        } else if (errno != EEXIST) {
            throw OperationError(QStringLiteral("无法建立文件夹 %1：%2").arg(native(folder), reason()));
        }
        // EEXIST: another program made it at this moment; its mode is its own.
#else
        QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
#endif
    }
    if (!QFileInfo(absolute).isDir())
        throw OperationError(QStringLiteral("无法建立文件夹 %1。").arg(native(absolute)));
}

bool OwnerOnly::restrict(const QString& path)
{
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0)
        return false;
    const mode_t others = S_IRWXG | S_IRWXO;
    return (st.st_mode & others) == 0 || ::chmod(name.constData(), st.st_mode & 07777 & ~others) == 0;
#else
    const QFileDevice::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                            QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    const QFileDevice::Permissions now = QFile::permissions(path);
    return !(now & others) || QFile::setPermissions(path, now & ~others);
#endif
}

}  // namespace kx
