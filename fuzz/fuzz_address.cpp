// The address tidy on any text. It never throws, and tidying a tidied address
// must change nothing: a second tidy that differs is a finding too.
#include "import/AddressTidy.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString address = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString once = kx::AddressTidy::tidy(address);
    if (kx::AddressTidy::tidy(once) != once)
        std::abort();
    return 0;
}
