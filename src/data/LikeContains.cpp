#include "data/LikeContains.h"

#include "data/SqlText.h"

#include <string>
#include <vector>

namespace kx {

namespace {

using u8 = unsigned char;

// The engine's reading of one character of UTF-8: lenient with broken
// sequences, and U+FFFE, U+FFFF, surrogates and overlong forms read as
// U+FFFD.
char32_t readUtf8(const u8*& z)
{
    static const u8 lead[] = {
        0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f,
        0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x1b, 0x1c, 0x1d, 0x1e, 0x1f,
        0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f,
        0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x00, 0x01, 0x02, 0x03, 0x00, 0x01, 0x00, 0x00,
    };
    char32_t c = *z++;
    if (c >= 0xc0) {
        c = lead[c - 0xc0];
        while ((*z & 0xc0) == 0x80)
            c = (c << 6) + (0x3f & *z++);
        if (c < 0x80 || (c & 0xFFFFF800) == 0xD800 || (c & 0xFFFFFFFE) == 0xFFFE)
            c = 0xFFFD;
    }
    return c;
}

char32_t readChar(const u8*& z)
{
    return *z < 0x80 ? char32_t(*z++) : readUtf8(z);
}

char32_t lower(char32_t c)
{
    return c >= 'A' && c <= 'Z' ? c + 32 : c;
}

char32_t upper(char32_t c)
{
    return c >= 'a' && c <= 'z' ? c - 32 : c;
}

// The engine's LIKE comparison: "%" any run, "_" any one character, `escape`
// makes the next character literal, ASCII letters in either case. Both
// texts end at their NUL.
bool likeCompare(const u8* pattern, const u8* text, char32_t escape)
{
    const u8* escaped = nullptr;
    char32_t c, c2;
    while ((c = readChar(pattern)) != 0) {
        if (c == '%') {
            while ((c = readChar(pattern)) == '%' || c == '_') {
                if (c == '_' && readUtf8(text) == 0)
                    return false;
            }
            if (c == 0)
                return true;
            if (c == escape) {
                c = readUtf8(pattern);
                if (c == 0)
                    return false;
            }
            if (c <= 0x80) {
                // The engine looks for a single-byte character byte by byte.
                const char32_t cl = lower(c), cu = upper(c);
                while ((c2 = *text++) != 0) {
                    if (c2 != cl && c2 != cu)
                        continue;
                    if (likeCompare(pattern, text, escape))
                        return true;
                }
            } else {
                while ((c2 = readChar(text)) != 0) {
                    if (c2 != c)
                        continue;
                    if (likeCompare(pattern, text, escape))
                        return true;
                }
            }
            return false;
        }
        if (c == escape) {
            c = readUtf8(pattern);
            if (c == 0)
                return false;
            escaped = pattern;
        }
        c2 = readChar(text);
        if (c == c2)
            continue;
        if (c < 0x80 && c2 < 0x80 && lower(c) == lower(c2))
            continue;
        if (c == '_' && pattern != escaped && c2 != 0)
            continue;
        return false;
    }
    return *text == 0;
}

char16_t fold(char16_t u)
{
    if (u >= u'A' && u <= u'Z')
        return char16_t(u + 32);
    if (u == 0xFFFE || u == 0xFFFF)
        return 0xFFFD;
    return u;
}

}  // namespace

LikeContains::LikeContains(const QString& text)
{
    const QByteArray literal = likeLiteral(text).toUtf8();
    m_tooComplex = literal.size() + 2 > patternLimit;
    m_pattern = '%' + std::string(literal.constData(), size_t(literal.size())) + '%';
    m_pattern.resize(std::char_traits<char>::length(m_pattern.c_str()));  // up to a NUL, as the engine reads it

    // What the engine looks for: the bound text as its UTF-8 reads back.
    const QByteArray bytes = text.toUtf8();
    const u8* z = reinterpret_cast<const u8*>(bytes.constData());  // NUL-terminated
    const u8* end = z + bytes.size();
    std::vector<char32_t> chars;
    while (z < end) {
        const char32_t c = readChar(z);
        if (c == 0) {  // the pattern ends here, without its closing "%"
            m_fast = false;
            break;
        }
        chars.push_back(c);
    }
    if (chars.empty() || chars.front() == 0x80)
        m_fast = false;
    for (char32_t c : chars) {
        if (c > 0xFFFF) {
            m_folded += char16_t(0xD800 + ((c - 0x10000) >> 10));
            m_folded += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            m_folded += fold(char16_t(c));
        }
    }
}

QString LikeContains::tooComplexMessage()
{
    return QStringLiteral("LIKE or GLOB pattern too complex");
}

bool LikeContains::matches(QStringView text) const
{
    if (m_fast)
        return fastMatch(text);
    return matchesBytes(text.toUtf8());
}

bool LikeContains::matchesBytes(QByteArrayView bytes) const
{
    const std::string text(bytes.data(), size_t(bytes.size()));
    return likeCompare(reinterpret_cast<const u8*>(m_pattern.c_str()), reinterpret_cast<const u8*>(text.c_str()),
                       u'\\');
}

// A plain search over UTF-16: for well-formed texts it finds exactly what the
// engine finds over their UTF-8, a surrogate pair standing for its character.
bool LikeContains::fastMatch(QStringView text) const
{
    const char16_t* h = reinterpret_cast<const char16_t*>(text.utf16());
    const size_t n = size_t(text.size());
    const size_t m = m_folded.size();
    const char16_t* needle = m_folded.data();
    const char16_t first = needle[0];
    for (size_t i = 0; i < n; ++i) {
        const char16_t c = fold(h[i]);
        if (c == 0)
            return false;  // the engine's text ends here
        if (c != first)
            continue;
        if (n - i < m)
            return false;
        size_t j = 1;
        while (j < m && fold(h[i + j]) == needle[j])
            ++j;
        if (j == m)
            return true;
    }
    return false;
}

}  // namespace kx
