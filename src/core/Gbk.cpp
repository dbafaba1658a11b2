#include "core/Gbk.h"

#include <cerrno>
#include <memory>
#include <iconv.h>

namespace kx::Gbk {

namespace {

// One iconv descriptor per conversion, closed when done; glibc's GBK module
// is always present.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (m_cd != iconv_t(-1))
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return m_cd != iconv_t(-1); }
    // Converts as much as it can; returns false at a sequence it cannot take.
    bool run(const char*& in, size_t& inLeft, QByteArray& out)
    {
        char buffer[256];
        while (inLeft > 0) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            char* src = const_cast<char*>(in);
            const size_t r = iconv(m_cd, &src, &inLeft, &dst, &dstLeft);
            out.append(buffer, qsizetype(dst - buffer));
            in = src;
            if (r == size_t(-1) && errno != E2BIG)
                return false;
        }
        return true;
    }
    void reset() { iconv(m_cd, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t m_cd;
};

// Every character of the Basic Multilingual Plane in GBK, asked of iconv
// once, one character at a time: an export converts a million texts, and a
// lookup per character is many times cheaper than a call into iconv. 0 marks
// a character GBK lacks; a value below 0x100 is one byte, any other the lead
// byte and the trail byte (a GBK lead byte is 0x81 or more).
const quint16* gbkOfCharacter()
{
    static const std::unique_ptr<quint16[]> table = [] {
        auto t = std::make_unique<quint16[]>(0x10000);
        for (char16_t c = 0; c < 0x80; ++c)
            t[c] = c;
        // Without glibc's GBK module every other character becomes "?".
        Converter cv("GBK", "UTF-16LE");
        if (!cv.ok())
            return t;
        for (quint32 c = 0x80; c <= 0xFFFF; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF)
                continue;  // half of a pair: never a character by itself
            const char16_t unit = char16_t(c);
            const char* in = reinterpret_cast<const char*>(&unit);
            size_t inLeft = 2;
            QByteArray out;
            if (!cv.run(in, inLeft, out)) {
                cv.reset();
                continue;
            }
            if (out.size() == 1)
                t[c] = quint8(out[0]);
            else if (out.size() == 2)
                t[c] = quint16(quint8(out[0]) << 8 | quint8(out[1]));
        }
        return t;
    }();
    return table.get();
}

}  // namespace

void appendEncoded(QStringView text, QByteArray& out)
{
    const quint16* gbk = gbkOfCharacter();
    const qsizetype start = out.size();
    // At most two bytes for each UTF-16 unit.
    out.resize(start + text.size() * 2);
    char* p = out.data() + start;
    const char16_t* s = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (c < 0x80) {
            *p++ = char(c);
            continue;
        }
        const quint16 code = gbk[c];
        if (code == 0) {
            // A character GBK lacks costs exactly one "?", a pair of
            // surrogates (a character beyond the plane) included.
            if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1]))
                ++i;
            *p++ = '?';
        } else if (code < 0x100) {
            *p++ = char(code);
        } else {
            *p++ = char(code >> 8);
            *p++ = char(code & 0xFF);
        }
    }
    out.resize(p - out.data());
}

QByteArray encode(QStringView text)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    appendEncoded(text, out);
    return out;
}

QString decode(QByteArrayView bytes)
{
    QByteArray utf8;
    utf8.reserve(bytes.size() * 2);
    Converter cv("UTF-8", "GBK");
    if (!cv.ok())
        return QString::fromLatin1(bytes);
    const char* in = bytes.data();
    size_t inLeft = size_t(bytes.size());
    while (inLeft > 0) {
        if (!cv.run(in, inLeft, utf8)) {
            utf8.append("\xEF\xBF\xBD");
            ++in;
            --inLeft;
            cv.reset();
        }
    }
    return QString::fromUtf8(utf8);
}

}  // namespace kx::Gbk
