#include "core/Gbk.h"

#include <array>
#include <cerrno>
#include <memory>
#include <iconv.h>

namespace kx::Gbk {

namespace {

// An iconv descriptor for one direction; glibc's GBK module is always
// present. Opening one costs far more than converting a short text (the
// address tidy asks for the bytes of every character of every address), so
// each thread keeps one per direction and resets it before each use.
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
    void reset()
    {
        if (ok())
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    }

private:
    iconv_t m_cd;
};

Converter& toGbk()
{
    thread_local Converter cv("GBK", "UTF-16LE");
    cv.reset();
    return cv;
}

Converter& fromGbk()
{
    thread_local Converter cv("UTF-8", "GBK");
    cv.reset();
    return cv;
}

// The GBK bytes of each character of the BMP, asked of iconv the first
// time the character is met. GBK maps every character on its own, without
// state, so a character's bytes are the same wherever it stands.
class CharBytes {
public:
    // Appends the bytes of one character (a lone code unit) to `out`.
    void append(char16_t unit, Converter& cv, QByteArray& out)
    {
        Entry& e = m_entries[unit];
        if (e.size == 0) {
            QByteArray bytes;
            const char* in = reinterpret_cast<const char*>(&unit);
            size_t inLeft = 2;
            if (!cv.run(in, inLeft, bytes) || bytes.isEmpty() || bytes.size() > 2) {
                bytes = QByteArrayLiteral("?");
                cv.reset();
            }
            e.size = quint8(bytes.size());
            e.bytes[0] = bytes[0];
            e.bytes[1] = bytes.size() > 1 ? bytes[1] : '\0';
        }
        out.append(e.bytes, e.size);
    }

private:
    struct Entry {
        char bytes[2];
        quint8 size = 0;  // 0: not asked yet
    };
    std::array<Entry, 0x10000> m_entries{};
};

CharBytes& charBytes()
{
    thread_local std::unique_ptr<CharBytes> table = std::make_unique<CharBytes>();
    return *table;
}

}  // namespace

QByteArray encode(QStringView text)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    Converter& cv = toGbk();
    if (!cv.ok())
        return text.toLatin1();
    CharBytes& known = charBytes();
    // Character by character (a surrogate pair together), so that one that
    // GBK lacks costs exactly one "?".
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        if (n == 1) {
            known.append(text.at(i).unicode(), cv, out);
            ++i;
            continue;
        }
        const char16_t units[2] = {text.at(i).unicode(), char16_t(text.at(i + 1).unicode())};
        const char* in = reinterpret_cast<const char*>(units);
        size_t inLeft = 4;
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
    Converter& cv = fromGbk();
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
