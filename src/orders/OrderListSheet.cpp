#include "orders/OrderListSheet.h"

#include "core/DateText.h"
#include "data/Dataset.h"
#include "orders/BiffWriter.h"

#include <QBuffer>
#include <QIODevice>
#include <vector>

namespace kx {

namespace {

// The stream goes to the file in pieces of about this size.
constexpr qsizetype pieceBytes = qsizetype(1) << 20;

}  // namespace

OrderListSheet::OrderListSheet(const Dataset& result, QList<Column> columns, QString userName, QDateTime madeAt)
    : m_result(result), m_columns(std::move(columns)), m_userName(std::move(userName)), m_madeAt(std::move(madeAt))
{
}

int OrderListSheet::titleLevels() const
{
    qsizetype bars = 0;
    for (const Column& c : m_columns)
        bars = std::max(bars, c.title.count(QLatin1Char('|')));
    return int(bars) + 1;
}

int OrderListSheet::capacity() const
{
    return BiffWriter::maxRows - 2 - titleLevels() - 1;
}

bool OrderListSheet::fits() const
{
    return !m_result.isOpen() || m_result.rowCount() <= capacity();
}

bool OrderListSheet::write(QIODevice& device, const std::function<void(int orders)>& progress) const
{
    if (!fits())
        return false;
    const int levels = titleLevels();
    const int orders = m_result.isOpen() ? m_result.rowCount() : 0;

    // The result's field of each sheet column: the grid's columns first, a
    // hidden one or one the result lacks as -1 (empty cells), then the
    // fields no grid column shows, in the result's order.
    std::vector<int> fieldOf;
    std::vector<bool> bound(size_t(m_result.fieldCount()), false);
    for (const Column& c : m_columns) {
        const int f = m_result.fieldIndex(c.field);
        if (f >= 0)
            bound[size_t(f)] = true;
        fieldOf.push_back(c.shown ? f : -1);
    }
    for (int f = 0; f < m_result.fieldCount(); ++f)
        if (!bound[size_t(f)])
            fieldOf.push_back(f);

    QByteArray piece;
    piece.reserve(pieceBytes + 4096);
    BiffWriter w(piece);
    // A device may take part of a piece (a disk filling up); the rest is
    // offered again, and a device that takes nothing has failed.
    auto flush = [&device, &piece] {
        for (qsizetype done = 0; done < piece.size();) {
            const qint64 n = device.write(piece.constData() + done, piece.size() - done);
            if (n <= 0)
                return false;
            done += qsizetype(n);
        }
        piece.truncate(0);
        return true;
    };

    w.beginFile();
    w.text(0, 3, u"快递单打印清单");
    w.text(1, 0, QString(QStringLiteral("制表人：") + m_userName));
    // The time of day as the program writes times everywhere: the system's
    // long format on this desktop may carry a time zone, which the list has
    // no use for.
    w.text(1, 5,
           QString(QStringLiteral("制表时间：") + m_madeAt.date().toString(dateFormat) + QLatin1Char(' ') +
                   m_madeAt.time().toString(QStringLiteral("HH:mm:ss"))));
    // The levels are the pieces between the "|"; a title with fewer pieces
    // gets an empty text.
    for (int level = 0; level < levels; ++level)
        for (int c = 0; c < m_columns.size(); ++c)
            if (m_columns.at(c).shown) {
                const QStringList parts = m_columns.at(c).title.split(QLatin1Char('|'));
                w.text(quint16(2 + level), quint16(c), parts.value(level));
            }

    const int firstDataRow = 2 + levels;
    for (int r = 0; r < orders; ++r) {
        const auto row = quint16(firstDataRow + r);
        for (size_t c = 0; c < fieldOf.size(); ++c) {
            const int f = fieldOf[c];
            const auto column = quint16(c);
            if (f < 0) {
                w.blank(row, column);
            } else if (const std::optional<double> n = m_result.number(r, f)) {
                if (const std::optional<qint64> i = m_result.integer(r, f))
                    w.integer(row, column, *i);
                else
                    w.number(row, column, *n);
            } else if (m_result.isNull(r, f)) {
                w.blank(row, column);
            } else {
                // A text as stored (dates are stored as text); a blob has no
                // text and gives an empty one.
                w.text(row, column, m_result.text(r, f));
            }
        }
        if (piece.size() >= pieceBytes && !flush())
            return false;
        if (progress)
            progress(r + 1);
    }

    const auto footerRow = quint16(firstDataRow + orders);
    for (int c = 0; c < m_columns.size(); ++c)
        if (m_columns.at(c).shown)
            w.text(footerRow, quint16(c), m_columns.at(c).footer);
    w.endFile();
    return flush();
}

QByteArray OrderListSheet::bytes() const
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    write(buffer);
    return out;
}

}  // namespace kx
