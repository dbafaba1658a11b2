// The payment-time parser on any text: it answers a valid or an invalid date
// and never throws, so nothing is caught here. A valid answer is in UTC, so
// that no local clock change can shift it; anything else is a finding.
#include "import/DateTextParser.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QDateTime when = kx::DateTextParser::parse(text);
    if (when.isValid() && when.timeSpec() != Qt::UTC)
        std::abort();
    return 0;
}
