// The restore's check of a backup file on any bytes: they are written to a
// file, which DatabaseCopier::verify must refuse (OperationError) unless it is a
// sound database of this program; it must never crash.
#include "core/OperationError.h"
#include "data/DatabaseCopier.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // One folder for the whole run; each input overwrites the same file.
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/kx-fuzz-verify-XXXXXX"));
    static const QString path = dir.filePath(QStringLiteral("backup.mdb"));
    static const kx::DatabaseCopier copier;

    std::FILE* file = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (!file)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size)
        std::abort();
    std::fclose(file);
    try {
        copier.verify(path);
    } catch (const kx::OperationError&) {
    }
    return 0;
}
