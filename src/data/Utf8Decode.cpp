#include "data/Utf8Decode.h"

namespace kx {

namespace {

inline bool continuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

}  // namespace

char16_t* decodeWellFormedUtf8(const char* in, std::size_t size, char16_t* out)
{
    const auto* p = reinterpret_cast<const unsigned char*>(in);
    const auto* end = p + size;
    while (p < end) {
        const unsigned c = *p;
        if (c < 0x80) {
            *out++ = char16_t(c);
            ++p;
        } else if (c >= 0xC2 && c <= 0xDF) {
            if (end - p < 2 || !continuation(p[1]))
                return nullptr;
            *out++ = char16_t(((c & 0x1F) << 6) | (p[1] & 0x3F));
            p += 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            if (end - p < 3 || !continuation(p[1]) || !continuation(p[2]))
                return nullptr;
            if ((c == 0xE0 && p[1] < 0xA0) || (c == 0xED && p[1] >= 0xA0))
                return nullptr;  // overlong, or a surrogate
            *out++ = char16_t(((c & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
            p += 3;
        } else if (c >= 0xF0 && c <= 0xF4) {
            if (end - p < 4 || !continuation(p[1]) || !continuation(p[2]) || !continuation(p[3]))
                return nullptr;
            if ((c == 0xF0 && p[1] < 0x90) || (c == 0xF4 && p[1] >= 0x90))
                return nullptr;  // overlong, or past U+10FFFF
            const unsigned point =
                (((c & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F)) - 0x10000;
            *out++ = char16_t(0xD800 + (point >> 10));
            *out++ = char16_t(0xDC00 + (point & 0x3FF));
            p += 4;
        } else {
            return nullptr;
        }
    }
    return out;
}

}  // namespace kx
