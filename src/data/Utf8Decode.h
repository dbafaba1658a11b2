#pragma once

#include <cstddef>

namespace kx {

// Decodes well-formed UTF-8 into UTF-16 at `out` (which has room for `size`
// code units) and returns the end of what was written. Returns nullptr, with
// `out` partly written, as soon as the input is not well-formed (a stray or
// missing continuation byte, an overlong form, a surrogate, a value past
// U+10FFFF); the caller then decodes it the forgiving way. Texts from the
// engine are nearly always well-formed, and this is several times faster
// per short text than the general decoder.
char16_t* decodeWellFormedUtf8(const char* in, std::size_t size, char16_t* out);

}  // namespace kx
