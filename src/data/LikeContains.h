#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <string>

namespace kx {

// Whether a stored value holds a text, exactly as the engine answers
// "x like '%' || ? || '%' escape '\'" with the text bound through
// likeLiteral(): so that a search over rows already in memory finds what the
// same statement would find in the file.
//
// The engine's rules, all kept here: letter case is ignored for ASCII letters
// only ("ä", "Ａ" and Cyrillic letters match only themselves); the text is
// not trimmed; "%", "_" and "\" match themselves; a null matches nothing; both
// sides end at their first U+0000, as the engine reads them as C strings; the
// engine reads U+FFFE and U+FFFF as U+FFFD. Texts the fast path cannot
// answer the engine's way (stored bytes that are not well-formed UTF-8, a
// text starting with U+0080, which the engine looks for byte by byte) are
// compared over their UTF-8 bytes as the engine compares them.
class LikeContains {
public:
    // The engine refuses a pattern longer than this many bytes.
    static constexpr int patternLimit = 50000;

    // `text` as typed; never empty (an empty box adds no condition).
    explicit LikeContains(const QString& text);

    // The engine would refuse the statement's pattern ("LIKE or GLOB pattern
    // too complex") at the first row it tests with it.
    bool tooComplex() const { return m_tooComplex; }
    static QString tooComplexMessage();

    // A text stored as well-formed UTF-8, as it reads.
    bool matches(QStringView text) const;
    // A value by its stored bytes (a text that is not well-formed UTF-8, a
    // blob, or a number in the engine's text form).
    bool matchesBytes(QByteArrayView bytes) const;

private:
    bool fastMatch(QStringView text) const;

    std::u16string m_folded;  // what the fast path looks for, ASCII letters lowered
    std::string m_pattern;    // the engine's pattern in UTF-8, up to its first NUL
    bool m_fast = true;
    bool m_tooComplex = false;
};

}  // namespace kx
