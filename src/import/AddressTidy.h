#pragma once

#include <QString>

namespace kx {

// The address as "优化收件地址" stores it. An address typed in the usual
// layout — province, blank, city, blank, district, blank, street, each name
// three Chinese characters — loses its three blanks and the repetitions of
// the three names inside the street, which it keeps whole however long; the
// result is trimmed as every stored input is.
//
// The tidy counts GBK bytes at fixed positions, which only line up with whole
// characters in that layout. Every other address — names of two or four
// characters, no blanks, one tidied before, or a character GBK cannot hold —
// comes back exactly as it was, so the user's characters are never cut in
// half or lost, and tidying a tidied address changes nothing.
class AddressTidy {
public:
    static QString tidy(const QString& address);
};

}  // namespace kx
