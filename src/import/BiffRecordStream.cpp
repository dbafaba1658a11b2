#include "import/BiffRecordStream.h"

#include "core/OperationError.h"

namespace kx {

BiffRecordStream::BiffRecordStream(QByteArrayView stream, qsizetype start) : m_stream(stream), m_pos(start)
{
    if (start < 0 || start > stream.size())
        throw OperationError(QStringLiteral("工作簿已损坏：工作表的位置 %1 超出了工作簿数据。").arg(start));
}

bool BiffRecordStream::next(Record& record)
{
    const qsizetype left = m_stream.size() - m_pos;
    if (left <= 0)
        return false;
    if (left < 4)
        throw OperationError(QStringLiteral("工作簿已损坏：位置 %1 处的记录头不完整。").arg(m_pos));
    const auto byte = [this](qsizetype i) { return quint16(quint8(m_stream[m_pos + i])); };
    record.type = quint16(byte(0) | (byte(1) << 8));
    const qsizetype length = qsizetype(byte(2) | (byte(3) << 8));
    if (length > left - 4)
        throw OperationError(QStringLiteral("工作簿已损坏：位置 %2 处的记录 0x%1 超出了数据末尾。")
                          .arg(record.type, 4, 16, QLatin1Char('0'))
                          .arg(m_pos));
    record.offset = m_pos;
    record.body = m_stream.sliced(m_pos + 4, length);
    m_pos += 4 + length;
    return true;
}

quint16 BiffRecordStream::peekType() const
{
    if (m_stream.size() - m_pos < 2)
        return 0;
    return quint16(quint8(m_stream[m_pos]) | (quint8(m_stream[m_pos + 1]) << 8));
}

}  // namespace kx
