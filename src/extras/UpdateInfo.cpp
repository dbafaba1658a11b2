#include "extras/UpdateInfo.h"

#include "extras/UpdateSignature.h"

#include <QRegularExpression>
#include <QSet>

namespace kx {

namespace {

const QByteArray signatureKey = "signature=";

// The numbers of a valid version; empty for anything else. Each number has
// at most six digits, so it never overflows.
QList<int> versionNumbers(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^\\d{1,6}(\\.\\d{1,6}){0,3}$"));
    QList<int> numbers;
    if (!form.match(text).hasMatch())
        return numbers;
    for (const QString& part : text.split(QLatin1Char('.')))
        numbers << part.toInt();
    return numbers;
}

}  // namespace

qint64 UpdateInfo::totalSize() const
{
    qint64 total = 0;
    for (const File& file : files)
        total += file.size;
    return total;
}

bool UpdateInfo::validVersion(const QString& text)
{
    return !versionNumbers(text).isEmpty();
}

int UpdateInfo::compareVersions(const QString& a, const QString& b)
{
    QList<int> left = versionNumbers(a);
    QList<int> right = versionNumbers(b);
    if (left.isEmpty() || right.isEmpty())
        return int(!left.isEmpty()) - int(!right.isEmpty());
    while (left.size() < right.size())
        left << 0;
    while (right.size() < left.size())
        right << 0;
    for (int i = 0; i < left.size(); ++i) {
        if (left[i] != right[i])
            return left[i] < right[i] ? -1 : 1;
    }
    return 0;
}

std::optional<UpdateInfo> UpdateInfo::read(const QByteArray& text, const QByteArray& publicKey,
                                           const QStringList& allowedNames, QString* error)
{
    auto fail = [error](const QString& why) -> std::optional<UpdateInfo> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (text.size() > maxTextSize)
        return fail(QStringLiteral("文件超过 64 KB"));
    // The signature line is the last line; what follows it may only be the
    // line's own end.
    qsizetype end = text.size();
    while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == '\r'))
        --end;
    const qsizetype lineStart = end > 0 ? text.lastIndexOf('\n', end - 1) + 1 : 0;
    const QByteArray lastLine = text.mid(lineStart, end - lineStart);
    if (!lastLine.startsWith(signatureKey))
        return fail(QStringLiteral("没有签名，无法确认它出自软件作者"));
    const QByteArray signatureHex = lastLine.mid(signatureKey.size()).trimmed();
    static const QRegularExpression hex(QStringLiteral("^[0-9a-fA-F]{128}$"));
    if (!hex.match(QString::fromLatin1(signatureHex)).hasMatch())
        return fail(QStringLiteral("签名的格式不正确"));
    const QByteArray body = text.left(lineStart);
    if (!UpdateSignature::verify(body, QByteArray::fromHex(signatureHex), publicKey))
        return fail(QStringLiteral("签名无效：它不是软件作者签发的，或内容已被改动"));
    return parse(body, allowedNames, error);
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
    static const QRegularExpression isoDate(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    static const QRegularExpression space(QStringLiteral("\\s+"));

    UpdateInfo info;
    bool hasVersion = false;
    qint64 total = 0;
    QSet<QString> names;
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
            if (hasVersion)
                return fail(where + QStringLiteral("重复给出版本"));
            if (!validVersion(value))
                return fail(where + QStringLiteral("的版本号无效"));
            info.version = value;
            hasVersion = true;
        } else if (key == QLatin1String("expires")) {
            if (info.expires.isValid())
                return fail(where + QStringLiteral("重复给出有效期"));
            if (isoDate.match(value).hasMatch())
                info.expires = QDate::fromString(value, Qt::ISODate);
            if (!info.expires.isValid())
                return fail(where + QStringLiteral("的有效期日期无效"));
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
                || file.serverPath.contains(QLatin1Char(':')) || file.serverPath.contains(QLatin1Char('\\')))
                return fail(where + QStringLiteral("的服务器路径无效"));
            if (!allowedNames.contains(file.localName))
                return fail(where + QStringLiteral("的文件名不在升级文件列表中"));
            if (names.contains(file.localName))
                return fail(where + QStringLiteral("重复列出文件 %1").arg(file.localName));
            if (!sizeOk || file.size <= 0)
                return fail(where + QStringLiteral("的文件大小无效"));
            // Each size is capped before it is added, so the sum cannot
            // overflow however many lines there are.
            if (file.size > maxFileSize)
                return fail(where + QStringLiteral("的文件大小超过上限"));
            total += file.size;
            if (total > maxTotalSize)
                return fail(where + QStringLiteral("使文件总大小超过上限"));
            if (!hex.match(parts[3]).hasMatch())
                return fail(where + QStringLiteral("的 SHA-256 无效"));
            file.sha256 = QByteArray::fromHex(parts[3].toLatin1());
            names.insert(file.localName);
            info.files << file;
        } else if (key == QLatin1String("signature")) {
            return fail(where + QStringLiteral("的签名不在最后一行"));
        } else {
            return fail(where + QStringLiteral("的名称“%1”无法识别").arg(key));
        }
    }
    if (!hasVersion)
        return fail(QStringLiteral("没有版本号"));
    if (!info.expires.isValid())
        return fail(QStringLiteral("没有有效期"));
    if (info.files.isEmpty())
        return fail(QStringLiteral("没有要下载的文件"));
    return info;
}

}  // namespace kx
