#include "import/BiffBytes.h"

#include "core/OperationError.h"

#include <cstring>

namespace kx {

void BiffBytes::fail() const
{
    throw OperationError(QStringLiteral("工作簿已损坏：%1 记录不完整。").arg(QLatin1String(m_what)));
}

void BiffBytes::need(qsizetype pos, qsizetype count) const
{
    if (pos < 0 || count < 0 || pos > m_data.size() || count > m_data.size() - pos)
        fail();
}

quint8 BiffBytes::u8(qsizetype pos) const
{
    need(pos, 1);
    return quint8(m_data[pos]);
}

quint16 BiffBytes::u16(qsizetype pos) const
{
    need(pos, 2);
    return quint16(quint8(m_data[pos]) | (quint8(m_data[pos + 1]) << 8));
}

quint32 BiffBytes::u32(qsizetype pos) const
{
    need(pos, 4);
    return quint32(u16(pos)) | (quint32(u16(pos + 2)) << 16);
}

double BiffBytes::f64(qsizetype pos) const
{
    need(pos, 8);
    const quint64 bits = quint64(u32(pos)) | (quint64(u32(pos + 4)) << 32);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

QByteArrayView BiffBytes::bytes(qsizetype pos, qsizetype count) const
{
    need(pos, count);
    return m_data.sliced(pos, count);
}

QString BiffBytes::string(qsizetype pos, bool shortLength, qsizetype* end) const
{
    const qsizetype count = shortLength ? u8(pos) : u16(pos);
    pos += shortLength ? 1 : 2;
    const quint8 options = u8(pos++);
    // Rich-text runs and phonetic data may follow the header in a cell's own
    // string; we skip them, the characters come after their counts.
    const qsizetype runs = (options & 0x08) ? u16(pos) : 0;
    pos += (options & 0x08) ? 2 : 0;
    const qsizetype phonetic = (options & 0x04) ? u32(pos) : 0;
    pos += (options & 0x04) ? 4 : 0;
    QString text;
    if (options & 0x01) {
        const QByteArrayView raw = bytes(pos, count * 2);
        text.resize(count);
        for (qsizetype i = 0; i < count; ++i)
            text[i] = QChar(quint16(quint8(raw[2 * i]) | (quint8(raw[2 * i + 1]) << 8)));
        pos += count * 2;
    } else {
        // Compressed characters are UTF-16 units with the high byte dropped.
        text = QString::fromLatin1(bytes(pos, count));
        pos += count;
    }
    pos += runs * 4;
    need(pos, phonetic);
    pos += phonetic;
    if (end)
        *end = pos;
    return text;
}

}  // namespace kx
