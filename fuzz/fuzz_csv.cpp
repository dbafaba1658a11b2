// The comma-separated report reader on any bytes (UTF-8 or GBK decoding, then
// the split into records). Its only refusal is a report too large for the
// table (OperationError).
#include "core/OperationError.h"
#include "import/CsvReportReader.h"

#include <QByteArrayView>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        kx::CsvReportReader::fromBytes(QByteArrayView(data, qsizetype(size)));
    } catch (const kx::OperationError&) {
    }
    return 0;
}
