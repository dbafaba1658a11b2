// The Excel 97-2003 reader on any bytes: a compound document goes through the
// container (libgsf), anything else is taken as the workbook stream itself, so
// that the record parsing is reached without the container in the way. Every
// sheet the workbook lists is read. A refusal (OperationError) is the sound answer;
// any other way out is a finding.
#include "QuietGlib.h"
#include "core/OperationError.h"
#include "import/BiffWorkbookReader.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    kx::fuzz::quietGlib();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QByteArray compoundMagic = QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const kx::BiffWorkbookReader book = bytes.startsWith(compoundMagic)
                                                ? kx::BiffWorkbookReader::fromBytes(bytes)
                                                : kx::BiffWorkbookReader::fromWorkbookStream(bytes);
        for (const QString& name : book.sheetNames()) {
            try {
                book.readSheet(name);
            } catch (const kx::OperationError&) {
            }
        }
    } catch (const kx::OperationError&) {
    }
    return 0;
}
