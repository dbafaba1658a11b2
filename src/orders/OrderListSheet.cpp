#include "orders/OrderListSheet.h"

#include "core/DateText.h"
#include "data/Dataset.h"
#include "orders/BiffWriter.h"
#include "orders/XlsxSheetWriter.h"

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

int OrderListSheet::capacity(Format format) const
{
    const int rows = format == Format::Xls ? BiffWriter::maxRows : XlsxSheetWriter::maxRows;
    return rows - 2 - titleLevels() - 1;
}

bool OrderListSheet::fits(Format format) const
{
    return !m_result.isOpen() || m_result.rowCount() <= capacity(format);
}

namespace {

// The .xls side of the layout: records into a piece of about a megabyte,
// handed to the device whenever it is full.
class BiffCells {
public:
    explicit BiffCells(QIODevice& device) : m_device(device), m_records(m_piece)
    {
        m_piece.reserve(pieceBytes + 4096);
        m_records.beginFile();
    }
    void text(int row, int column, QStringView text) { m_records.text(quint16(row), quint16(column), text); }
    void number(int row, int column, double value) { m_records.number(quint16(row), quint16(column), value); }
    void integer(int row, int column, qint64 value) { m_records.integer(quint16(row), quint16(column), value); }
    // Dates are texts as stored in this format.
    void date(int row, int column, QStringView stored) { text(row, column, stored); }
    void blank(int row, int column) { m_records.blank(quint16(row), quint16(column)); }
    bool rowDone() { return m_piece.size() < pieceBytes || flush(); }
    bool finish()
    {
        m_records.endFile();
        return flush();
    }

private:
    // A device may take part of a piece (a disk filling up); the rest is
    // offered again, and a device that takes nothing has failed.
    bool flush()
    {
        for (qsizetype done = 0; done < m_piece.size();) {
            const qint64 n = m_device.write(m_piece.constData() + done, m_piece.size() - done);
            if (n <= 0)
                return false;
            done += qsizetype(n);
        }
        m_piece.truncate(0);
        return true;
    }

    QIODevice& m_device;
    QByteArray m_piece;
    BiffWriter m_records;
};

// The .xlsx side: every cell of its kind, an integer as a number. While the
// workbook is packed at the end, the progress hears again and again that
// every order is written.
class XlsxCells : public XlsxSheetWriter {
public:
    XlsxCells(const QString& path, const std::function<void(int orders)>& progress, int orders)
        : XlsxSheetWriter(path), m_progress(progress), m_orders(orders)
    {
    }
    void integer(int row, int column, qint64 value) { number(row, column, double(value)); }
    bool rowDone() { return errorString().isEmpty(); }
    bool finish()
    {
        if (!m_progress)
            return close();
        return close([this] { m_progress(m_orders); });
    }

private:
    const std::function<void(int orders)>& m_progress;
    int m_orders;
};

}  // namespace

template <class Cells>
bool OrderListSheet::lay(Cells& out, const std::function<void(int orders)>& progress) const
{
    const int levels = titleLevels();
    const int orders = m_result.isOpen() ? m_result.rowCount() : 0;

    // The result's field of each sheet column: the grid's columns first, a
    // hidden one or one the result lacks as -1 (empty cells), then the
    // fields no grid column shows, in the result's order.
    std::vector<int> fieldOf;
    std::vector<bool> isDate;
    std::vector<bool> bound(size_t(m_result.fieldCount()), false);
    for (const Column& c : m_columns) {
        const int f = m_result.fieldIndex(c.field);
        if (f >= 0)
            bound[size_t(f)] = true;
        fieldOf.push_back(c.shown ? f : -1);
        isDate.push_back(c.date);
    }
    for (int f = 0; f < m_result.fieldCount(); ++f)
        if (!bound[size_t(f)]) {
            fieldOf.push_back(f);
            isDate.push_back(false);
        }

    out.text(0, 3, u"快递单打印清单");
    out.text(1, 0, QString(QStringLiteral("制表人：") + m_userName));
    // The time of day as the program writes times everywhere: the system's
    // long format on this desktop may carry a time zone, which the list has
    // no use for.
    out.text(1, 5,
             QString(QStringLiteral("制表时间：") + m_madeAt.date().toString(dateFormat) + QLatin1Char(' ') +
                     m_madeAt.time().toString(QStringLiteral("HH:mm:ss"))));
    // The levels are the pieces between the "|"; a title with fewer pieces
    // gets an empty text.
    for (int level = 0; level < levels; ++level)
        for (int c = 0; c < m_columns.size(); ++c)
            if (m_columns.at(c).shown) {
                const QStringList parts = m_columns.at(c).title.split(QLatin1Char('|'));
                out.text(2 + level, c, parts.value(level));
            }

    const int firstDataRow = 2 + levels;
    for (int r = 0; r < orders; ++r) {
        const int row = firstDataRow + r;
        for (size_t c = 0; c < fieldOf.size(); ++c) {
            const int f = fieldOf[c];
            const int column = int(c);
            if (f < 0) {
                out.blank(row, column);
            } else if (const std::optional<double> n = m_result.number(r, f)) {
                if (const std::optional<qint64> i = m_result.integer(r, f))
                    out.integer(row, column, *i);
                else
                    out.number(row, column, *n);
            } else if (m_result.isNull(r, f)) {
                out.blank(row, column);
            } else if (isDate[c]) {
                out.date(row, column, m_result.text(r, f));
            } else {
                // A text as stored; a blob has no text and gives an empty one.
                out.text(row, column, m_result.text(r, f));
            }
        }
        if (!out.rowDone())
            return false;
        if (progress)
            progress(r + 1);
    }

    const int footerRow = firstDataRow + orders;
    for (int c = 0; c < m_columns.size(); ++c)
        if (m_columns.at(c).shown)
            out.text(footerRow, c, m_columns.at(c).footer);
    return out.finish();
}

bool OrderListSheet::write(QIODevice& device, const std::function<void(int orders)>& progress) const
{
    if (!fits(Format::Xls))
        return false;
    BiffCells cells(device);
    return lay(cells, progress);
}

QString OrderListSheet::writeXlsx(const QString& path, const std::function<void(int orders)>& progress) const
{
    if (!fits(Format::Xlsx))
        return QStringLiteral("列表超过一张工作表的行数");
    XlsxCells cells(path, progress, m_result.isOpen() ? m_result.rowCount() : 0);
    if (!cells.errorString().isEmpty())
        return cells.errorString();
    lay(cells, progress);
    return cells.errorString();
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
