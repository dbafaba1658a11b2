#pragma once

#include <QByteArrayView>
#include <QString>

namespace kx {

// Little-endian reads from a record's body. Every read checks that it stays
// inside the body and throws DbError naming the record otherwise, so a
// damaged file can only end the import, never read past its buffer.
class BiffBytes {
public:
    BiffBytes(QByteArrayView data, const char* what) : m_data(data), m_what(what) {}

    qsizetype size() const { return m_data.size(); }
    quint8 u8(qsizetype pos) const;
    quint16 u16(qsizetype pos) const;
    quint32 u32(qsizetype pos) const;
    double f64(qsizetype pos) const;
    QByteArrayView bytes(qsizetype pos, qsizetype count) const;

    // A string with a one-byte (short) or two-byte length, then an option
    // byte, then the characters; returns the text and sets *end past it.
    QString string(qsizetype pos, bool shortLength, qsizetype* end = nullptr) const;

    [[noreturn]] void fail() const;

private:
    void need(qsizetype pos, qsizetype count) const;

    QByteArrayView m_data;
    const char* m_what;
};

}  // namespace kx
