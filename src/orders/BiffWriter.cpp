#include "orders/BiffWriter.h"

#include "core/Gbk.h"

#include <QtEndian>
#include <cstring>

namespace kx {

namespace {

enum Record : quint16 {
    Bof = 0x0809,
    CodePage = 0x0042,
    Label = 0x0204,
    Number = 0x0203,
    Rk = 0x027E,
    Blank = 0x0201,
    Eof = 0x000A,
};

void put16(char* at, quint16 value)
{
    qToLittleEndian(value, at);
}

}  // namespace

char* BiffWriter::grow(qsizetype bytes)
{
    const qsizetype at = m_out.size();
    m_out.resize(at + bytes);
    return m_out.data() + at;
}

void BiffWriter::cellHeader(char* at, quint16 type, qsizetype length, quint16 row, quint16 column, quint16 format)
{
    put16(at, type);
    put16(at + 2, quint16(length));
    put16(at + 4, row);
    put16(at + 6, column);
    put16(at + 8, format);
}

void BiffWriter::beginFile()
{
    char* p = grow(18);
    put16(p, Bof);
    put16(p + 2, 8);
    put16(p + 4, 0x0000);
    put16(p + 6, 0x0010);  // a worksheet
    put16(p + 8, 0x0000);
    put16(p + 10, 0x0000);
    // The texts' code page. Without it a spreadsheet reads them in the code
    // page of its own desktop, which outside a Chinese one is not GBK.
    put16(p + 12, CodePage);
    put16(p + 14, 2);
    put16(p + 16, gbkCodePage);
}

void BiffWriter::text(quint16 row, quint16 column, QStringView text)
{
    // The text is encoded straight behind its header, which is filled in
    // once the byte count is known.
    const qsizetype at = m_out.size();
    grow(12);
    Gbk::appendEncoded(text, m_out);
    qsizetype n = m_out.size() - at - 12;
    if (n > maxTextBytes) {
        n = wholeCharacters(QByteArrayView(m_out).sliced(at + 12), maxTextBytes);
        m_out.truncate(at + 12 + n);
    }
    char* p = m_out.data() + at;
    cellHeader(p, Label, 8 + n, row, column, 0);
    put16(p + 10, quint16(n));
}

void BiffWriter::gbkText(quint16 row, quint16 column, QByteArrayView gbk)
{
    const qsizetype n = wholeCharacters(gbk, maxTextBytes);
    char* p = grow(12 + n);
    cellHeader(p, Label, 8 + n, row, column, 0);
    put16(p + 10, quint16(n));
    if (n > 0)
        std::memcpy(p + 12, gbk.data(), size_t(n));
}

void BiffWriter::number(quint16 row, quint16 column, double value)
{
    char* p = grow(18);
    cellHeader(p, Number, 14, row, column, 0);
    qToLittleEndian(value, p + 10);
}

void BiffWriter::integer(quint16 row, quint16 column, qint64 value)
{
    if (value < minInteger || value > maxInteger) {
        number(row, column, double(value));
        return;
    }
    char* p = grow(14);
    cellHeader(p, Rk, 10, row, column, 0);
    qToLittleEndian(quint32(qint32(value) * 4 + 2), p + 10);
}

void BiffWriter::blank(quint16 row, quint16 column)
{
    char* p = grow(10);
    cellHeader(p, Blank, 6, row, column, 0x0017);
}

void BiffWriter::endFile()
{
    char* p = grow(4);
    put16(p, Eof);
    put16(p + 2, 0);
}

qsizetype BiffWriter::wholeCharacters(QByteArrayView gbk, qsizetype max)
{
    if (gbk.size() <= max)
        return gbk.size();
    qsizetype n = 0;
    while (n < gbk.size()) {
        const qsizetype step = quint8(gbk[n]) >= 0x81 ? 2 : 1;
        if (n + step > max)
            break;
        n += step;
    }
    return n;
}

}  // namespace kx
