#include "import/BiffContinuedReader.h"

#include "core/OperationError.h"

#include <algorithm>

namespace kx {

BiffContinuedReader::BiffContinuedReader(QList<QByteArrayView> pieces, const char* what)
    : m_pieces(std::move(pieces)), m_what(what)
{
}

void BiffContinuedReader::fail() const
{
    throw OperationError(QStringLiteral("工作簿已损坏：%1 记录不完整。").arg(QLatin1String(m_what)));
}

bool BiffContinuedReader::settle()
{
    while (m_piece < m_pieces.size() && m_pos >= m_pieces[m_piece].size()) {
        ++m_piece;
        m_pos = 0;
    }
    return m_piece < m_pieces.size();
}

bool BiffContinuedReader::atEnd() const
{
    for (qsizetype p = m_piece; p < m_pieces.size(); ++p)
        if ((p == m_piece ? m_pieces[p].size() - m_pos : m_pieces[p].size()) > 0)
            return false;
    return true;
}

quint8 BiffContinuedReader::u8()
{
    if (!settle())
        fail();
    return quint8(m_pieces[m_piece][m_pos++]);
}

quint16 BiffContinuedReader::u16()
{
    const quint16 lo = u8();
    return quint16(lo | (u8() << 8));
}

quint32 BiffContinuedReader::u32()
{
    const quint32 lo = u16();
    return lo | (quint32(u16()) << 16);
}

void BiffContinuedReader::skip(qint64 count)
{
    while (count > 0) {
        if (!settle())
            fail();
        const qint64 here = std::min<qint64>(count, m_pieces[m_piece].size() - m_pos);
        m_pos += here;
        count -= here;
    }
}

QString BiffContinuedReader::string()
{
    const qsizetype count = u16();
    quint8 options = u8();
    const quint16 runs = (options & 0x08) ? u16() : 0;
    const quint32 phonetic = (options & 0x04) ? u32() : 0;

    QString text;
    text.reserve(std::min<qsizetype>(count, 4096));
    bool firstPiece = true;
    while (text.size() < count) {
        const qsizetype here = m_piece < m_pieces.size() ? m_pieces[m_piece].size() : 0;
        if (!firstPiece || m_pos >= here) {
            // The characters break here: the next piece starts with its own
            // option byte telling how wide its characters are.
            ++m_piece;
            m_pos = 0;
            if (m_piece >= m_pieces.size() || m_pieces[m_piece].isEmpty())
                fail();
            options = quint8(m_pieces[m_piece][m_pos++]);
        }
        firstPiece = false;
        const QByteArrayView piece = m_pieces[m_piece];
        const qsizetype left = piece.size() - m_pos;
        if (options & 0x01) {
            const qsizetype take = std::min<qsizetype>(count - text.size(), left / 2);
            for (qsizetype i = 0; i < take; ++i, m_pos += 2)
                text.append(QChar(quint16(quint8(piece[m_pos]) | (quint8(piece[m_pos + 1]) << 8))));
            // A two-byte character is never split; an odd byte left over
            // means the record is not what it claims to be.
            if (text.size() < count && m_pos != piece.size())
                fail();
        } else {
            const qsizetype take = std::min<qsizetype>(count - text.size(), left);
            text.append(QString::fromLatin1(piece.sliced(m_pos, take)));
            m_pos += take;
        }
    }
    skip(qint64(runs) * 4);
    skip(phonetic);
    return text;
}

}  // namespace kx
