#include "extras/UpdateInfo.h"

#include <QRegularExpression>

namespace kx {

QDate UpdateInfo::versionDate(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^\\d{1,2}/\\d{1,2}/\\d{4}$"));
    if (!form.match(text).hasMatch())
        return {};
    return QDate::fromString(text, QStringLiteral("M/d/yyyy"));
}

std::optional<UpdateInfo> UpdateInfo::parse(const QByteArray& text, const QStringList& allowedNames,
                                            QString* error)
{
    auto fail = [error](const QString& why) -> std::optional<UpdateInfo> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    static const QRegularExpression hex(QStringLiteral("^[0-9a-fA-F]{64}$"));
    static const QRegularExpression space(QStringLiteral("\\s+"));

    UpdateInfo info;
    const QStringList lines = QString::fromUtf8(text).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        const QString where = QStringLiteral("第 %1 行").arg(i + 1);
        if (eq < 0)
            return fail(where + QStringLiteral("不是“名称=内容”的形式"));
        if (key == QLatin1String("version")) {
            if (info.version.isValid())
                return fail(where + QStringLiteral("重复给出版本"));
            info.version = versionDate(value);
            if (!info.version.isValid())
                return fail(where + QStringLiteral("的版本日期无效"));
        } else if (key == QLatin1String("file")) {
            const QStringList parts = value.split(space);
            if (parts.size() != 4)
                return fail(where + QStringLiteral("应有四项：服务器路径、文件名、大小、SHA-256"));
            File file;
            file.serverPath = parts[0];
            file.localName = parts[1];
            bool sizeOk = false;
            file.size = parts[2].toLongLong(&sizeOk);
            if (file.serverPath.contains(QLatin1String("..")) || file.serverPath.startsWith(QLatin1Char('/'))
                || file.serverPath.contains(QLatin1Char(':')))
                return fail(where + QStringLiteral("的服务器路径无效"));
            if (!allowedNames.contains(file.localName))
                return fail(where + QStringLiteral("的文件名不在升级文件列表中"));
            if (!sizeOk || file.size <= 0)
                return fail(where + QStringLiteral("的文件大小无效"));
            if (!hex.match(parts[3]).hasMatch())
                return fail(where + QStringLiteral("的 SHA-256 无效"));
            file.sha256 = QByteArray::fromHex(parts[3].toLatin1());
            info.files << file;
        } else {
            return fail(where + QStringLiteral("的名称“%1”无法识别").arg(key));
        }
    }
    if (!info.version.isValid())
        return fail(QStringLiteral("没有版本日期"));
    if (info.files.isEmpty())
        return fail(QStringLiteral("没有要下载的文件"));
    return info;
}

}  // namespace kx
