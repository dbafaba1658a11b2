// The update information's reader (the content under the signature) on any
// bytes. What it accepts must hold what the updater relies on: a valid
// version and expiry date, at least one file, each name one of the allowed
// ones and listed once, each size positive and within the limits, the total
// too, and each SHA-256 32 bytes; anything else is a finding.
#include "extras/UpdateInfo.h"

#include <QSet>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QStringList allowed{QStringLiteral("kestrix"), QStringLiteral("kestrix-check"),
                                     QStringLiteral("kestrix-newdb")};
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    QString why;
    const std::optional<kx::UpdateInfo> info = kx::UpdateInfo::parse(text, allowed, &why);
    if (!info) {
        if (why.isEmpty())
            std::abort();
        return 0;
    }
    if (!kx::UpdateInfo::validVersion(info->version) || !info->expires.isValid() || info->files.isEmpty())
        std::abort();
    QSet<QString> names;
    qint64 total = 0;
    for (const kx::UpdateInfo::File& file : info->files) {
        if (!allowed.contains(file.localName) || names.contains(file.localName))
            std::abort();
        names.insert(file.localName);
        if (file.size <= 0 || file.size > kx::UpdateInfo::maxFileSize || file.sha256.size() != 32)
            std::abort();
        if (file.serverPath.contains(QLatin1String("..")) || file.serverPath.startsWith(QLatin1Char('/'))
            || file.serverPath.contains(QLatin1Char(':')))
            std::abort();
        total += file.size;
    }
    if (total != info->totalSize() || total > kx::UpdateInfo::maxTotalSize)
        std::abort();
    return 0;
}
