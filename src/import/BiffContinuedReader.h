#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

namespace kx {

// Reads a record whose body goes on in CONTINUE records, as the shared
// string table and a formula's string result do. Counts, rich-text runs and
// phonetic data simply flow on into the next piece; the characters of a
// string, however, restart in each piece with a fresh option byte, so one
// string may switch between one-byte and two-byte characters half-way.
class BiffContinuedReader {
public:
    BiffContinuedReader(QList<QByteArrayView> pieces, const char* what);

    bool atEnd() const;
    quint8 u8();
    quint16 u16();
    quint32 u32();
    void skip(qint64 count);
    // A string with a two-byte character count, as in the string table.
    QString string();

private:
    [[noreturn]] void fail() const;
    // Moves past exhausted pieces; false when nothing is left at all.
    bool settle();

    QList<QByteArrayView> m_pieces;
    qsizetype m_piece = 0;
    qsizetype m_pos = 0;
    const char* m_what;
};

}  // namespace kx
