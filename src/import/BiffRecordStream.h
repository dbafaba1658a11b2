#pragma once

#include <QByteArrayView>

namespace kx {

// Walks the records of a workbook stream: a two-byte type, a two-byte
// length, then that many bytes. A header or body running past the end of
// the stream throws DbError instead of yielding a short record.
class BiffRecordStream {
public:
    struct Record {
        quint16 type = 0;
        qsizetype offset = 0;
        QByteArrayView body;
    };

    BiffRecordStream(QByteArrayView stream, qsizetype start);

    // False once the stream is used up (a stream may end in padding shorter
    // than a header, which is fine only after the caller saw its EOF record).
    bool next(Record& record);
    // The type of the record after the current one, 0 if there is none.
    quint16 peekType() const;

private:
    QByteArrayView m_stream;
    qsizetype m_pos;
};

}  // namespace kx
