#include "core/Gbk.h"

#include <cerrno>
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

}  // namespace

QByteArray encode(QStringView text)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    Converter cv("GBK", "UTF-16LE");
    if (!cv.ok())
        return text.toLatin1();
    // Character by character (a surrogate pair together), so that one that
    // GBK lacks costs exactly one "?".
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const char16_t units[2] = {text.at(i).unicode(), n == 2 ? char16_t(text.at(i + 1).unicode()) : u'\0'};
        const char* in = reinterpret_cast<const char*>(units);
        size_t inLeft = size_t(n) * 2;
        const qsizetype before = out.size();
        if (!cv.run(in, inLeft, out)) {
            out.truncate(before);
            out.append('?');
            cv.reset();
        }
        i += n;
    }
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
