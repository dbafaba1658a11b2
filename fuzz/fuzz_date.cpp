// The payment-time parser on any text: it answers a valid or an invalid date
// and never throws, so nothing is caught here.
#include "import/DateTextParser.h"

#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    kx::DateTextParser::parse(text);
    return 0;
}
