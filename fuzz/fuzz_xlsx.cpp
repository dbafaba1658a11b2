// The .xlsx reader on any bytes: the zip container (libgsf), the workbook,
// shared strings and styles parts, then every sheet the workbook lists.
// A refusal (OperationError) is the sound answer; any other way out is a finding.
#include "QuietGlib.h"
#include "core/OperationError.h"
#include "import/XlsxWorkbookReader.h"

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
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const kx::XlsxWorkbookReader book = kx::XlsxWorkbookReader::fromBytes(bytes);
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
