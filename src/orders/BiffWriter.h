#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>
#include <QtGlobal>

namespace kx {

// The records of a worksheet as a bare BIFF record stream, the form the
// exported order list takes (no compound document around it). Every record
// is a 16-bit type, a 16-bit length of the data that follows and the data,
// little-endian; rows and columns are 16-bit words counted from 0. Texts go
// in as GBK. The records are appended to a buffer the caller owns and
// empties as it likes.
class BiffWriter {
public:
    // The most text bytes a text cell can hold: its record's length word
    // counts the cell's eight bytes before the text too. A longer text is cut
    // to the last whole character that fits.
    static constexpr qsizetype maxTextBytes = 0xFFFF - 8;
    // Row numbers are 16-bit words.
    static constexpr int maxRows = 0x10000;
    // What an integer cell holds: 30 bits with the sign.
    static constexpr qint64 minInteger = -(qint64(1) << 29);
    static constexpr qint64 maxInteger = (qint64(1) << 29) - 1;

    explicit BiffWriter(QByteArray& out) : m_out(out) {}

    // The Windows code page number of GBK.
    static constexpr quint16 gbkCodePage = 936;

    // Beginning of file (a worksheet), followed by the code-page record
    // that names GBK as the texts' code page.
    void beginFile();
    // A text cell with the text in GBK; a character GBK lacks becomes "?".
    void text(quint16 row, quint16 column, QStringView text);
    // A text cell with bytes already in GBK.
    void gbkText(quint16 row, quint16 column, QByteArrayView gbk);
    // A number cell: an 8-byte IEEE double.
    void number(quint16 row, quint16 column, double value);
    // An integer cell (value × 4 + 2). An integer beyond what the cell holds
    // goes into a number cell, exact up to 2^53, rather than be wrapped.
    void integer(quint16 row, quint16 column, qint64 value);
    // An empty cell. Its format index is 0x17, where the other cells have 0.
    void blank(quint16 row, quint16 column);
    void endFile();

    // How many of the leading bytes of a GBK text make whole characters and
    // are at most `max`: a lead byte (0x81 and up) and its trail byte stay
    // together.
    static qsizetype wholeCharacters(QByteArrayView gbk, qsizetype max);

private:
    char* grow(qsizetype bytes);
    void cellHeader(char* at, quint16 type, qsizetype length, quint16 row, quint16 column, quint16 format);

    QByteArray& m_out;
};

}  // namespace kx
