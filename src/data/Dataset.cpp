#include "data/Dataset.h"

#include "data/Connection.h"
#include "data/DbError.h"
#include "data/Statement.h"

#include <QRegularExpression>
#include <algorithm>
#include <numeric>
#include <sqlite3.h>

namespace kx {

Dataset::Dataset(Connection& connection, const QString& name, const QString& sql,
                 const QString& table, QObject* parent)
    : QObject(parent), m_connection(connection), m_table(table), m_sql(sql)
{
    setObjectName(name);
}

void Dataset::setSql(const QString& sql, const QVariantList& params)
{
    m_sql = sql;
    m_params = params;
}

int Dataset::fieldIndex(const QString& name) const
{
    for (int i = 0; i < m_fields.size(); ++i)
        if (m_fields.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// A writable dataset needs each row's rowid. The statements it runs are all
// "select * from <table> ...", so the identity is added as a hidden first
// column; any other statement is fetched as it stands and is read-only.
QString Dataset::fetchSql() const
{
    if (m_table.isEmpty())
        return m_sql;
    static const QRegularExpression selectAll(QStringLiteral("^\\s*select\\s+\\*\\s+from\\s+"),
                                              QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch m = selectAll.match(m_sql);
    if (!m.hasMatch())
        return m_sql;
    return QStringLiteral("select _rowid_ as _kx_rowid_, * from ") + m_sql.mid(m.capturedEnd());
}

void Dataset::open()
{
    close();
    const QString sql = fetchSql();
    Statement st(m_connection.handle(), sql, m_params);
    const int columns = st.columnCount();
    const bool withId = columns > 0 && st.columnName(0) == QLatin1String("_kx_rowid_");
    const int first = withId ? 1 : 0;

    QStringList fields;
    fields.reserve(columns - first);
    for (int c = first; c < columns; ++c)
        fields.append(st.columnName(c));

    // Searching as the user types fetches results about the size of the
    // last one: the buffers of the last result (emptied by close()) are
    // filled again, and reserving its size spares the repeated growth of a
    // large result. A much smaller result gives the room back below.
    std::vector<QVariant> cells = std::move(m_cells);
    std::vector<qint64> ids = std::move(m_rowIds);
    std::string text = std::move(m_text);
    cells.clear();
    ids.clear();
    text.clear();
    const size_t width = size_t(columns - first);
    ids.reserve(m_sizeHint);
    cells.reserve(m_sizeHint * width);
    text.reserve(m_textHint);
    static const QVariant emptyText(QString::fromUtf8("", 0));
    sqlite3_stmt* h = st.handle();
    while (st.step()) {
        ids.push_back(withId ? sqlite3_column_int64(h, 0) : qint64(ids.size()));
        for (int c = first; c < columns; ++c) {
            switch (sqlite3_column_type(h, c)) {
            case SQLITE_NULL:
                cells.emplace_back();
                break;
            case SQLITE_FLOAT:
                cells.emplace_back(sqlite3_column_double(h, c));
                break;
            case SQLITE_INTEGER:
                cells.emplace_back(qlonglong(sqlite3_column_int64(h, c)));
                break;
            case SQLITE_TEXT: {
                // Text stays the engine's UTF-8 until the cell is first read.
                const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(h, c));
                const int size = sqlite3_column_bytes(h, c);
                if (size == 0) {
                    cells.push_back(emptyText);
                } else {
                    const PendingText pending{text.size(), size_t(size)};
                    cells.emplace_back(QMetaType::fromType<PendingText>(), &pending);
                    text.append(bytes, size);
                }
                break;
            }
            default:
                cells.push_back(st.value(c));
            }
        }
    }
    if (ids.capacity() > 2 * ids.size() + 1024) {
        ids.shrink_to_fit();
        cells.shrink_to_fit();
        text.shrink_to_fit();
    }
    m_sizeHint = ids.size();
    m_textHint = text.size();

    emit aboutToReset();
    m_fields = std::move(fields);
    m_cells = std::move(cells);
    m_text = std::move(text);
    m_rowIds = std::move(ids);
    m_rowCount = int(m_rowIds.size());
    m_open = true;
    m_current = m_rowCount > 0 ? 0 : -1;
    m_eof = m_rowCount == 0;
    emit resetDone();
    emit currentRowChanged(m_current);
}

void Dataset::close()
{
    if (!m_open && m_cells.empty() && m_fields.isEmpty())
        return;
    emit aboutToReset();
    m_open = false;
    m_fields.clear();
    // The buffers keep their room for the next open().
    m_cells.clear();
    m_text.clear();
    m_rowIds.clear();
    m_rowCount = 0;
    m_current = -1;
    m_eof = true;
    emit resetDone();
    emit currentRowChanged(-1);
}

void Dataset::execSql()
{
    close();
    m_connection.exec(m_sql, m_params);
}

void Dataset::decode(QVariant& cell) const
{
    const auto* pending = static_cast<const PendingText*>(cell.constData());
    cell = QVariant(QString::fromUtf8(m_text.data() + pending->offset, qsizetype(pending->size)));
}

int Dataset::rowOfId(qint64 rowId) const
{
    const auto it = std::find(m_rowIds.begin(), m_rowIds.end(), rowId);
    return it == m_rowIds.end() ? -1 : int(it - m_rowIds.begin());
}

QVariant Dataset::field(const QString& name) const
{
    const int column = fieldIndex(name);
    if (column < 0)
        throw DbError(QStringLiteral("%1: Field '%2' not found").arg(objectName(), name));
    if (!m_open || m_current < 0 || m_current >= m_rowCount)
        throw DbError(QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                                     "Requested operation requires a current record"));
    return value(m_current, column);
}

void Dataset::setCurrentRow(int row)
{
    if (row < -1 || row >= m_rowCount)
        row = m_rowCount > 0 ? m_rowCount - 1 : -1;
    m_eof = m_rowCount == 0;
    if (row == m_current)
        return;
    m_current = row;
    emit currentRowChanged(row);
}

void Dataset::next()
{
    if (m_current + 1 < m_rowCount) {
        setCurrentRow(m_current + 1);
        m_eof = false;
    } else {
        m_eof = true;
    }
}

namespace {

// Order of two cell values: null first, numbers by value, text by code point.
int compareCells(const QVariant& a, const QVariant& b)
{
    const bool an = a.isNull(), bn = b.isNull();
    if (an || bn)
        return an == bn ? 0 : (an ? -1 : 1);
    const int at = a.typeId(), bt = b.typeId();
    const bool anum = at == QMetaType::Double || at == QMetaType::LongLong;
    const bool bnum = bt == QMetaType::Double || bt == QMetaType::LongLong;
    if (anum && bnum) {
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (anum != bnum)
        return anum ? -1 : 1;  // numbers before text, as the engine sorts them
    return QString::compare(*static_cast<const QString*>(a.constData()),
                            *static_cast<const QString*>(b.constData()));
}

}  // namespace

void Dataset::sortBy(int column, Qt::SortOrder order)
{
    if (!m_open || column < 0 || column >= fieldCount() || m_rowCount < 2)
        return;
    const size_t width = m_fields.size();
    for (int r = 0; r < m_rowCount; ++r)
        value(r, column);  // the sort compares the column's decoded values
    std::vector<int> perm(static_cast<size_t>(m_rowCount));
    std::iota(perm.begin(), perm.end(), 0);

    const bool allText = std::all_of(perm.begin(), perm.end(), [&](int r) {
        const QVariant& v = m_cells[size_t(r) * width + column];
        return v.isNull() || v.typeId() == QMetaType::QString;
    });
    if (allText) {
        // The common case (a text column): compare the strings directly,
        // nulls as the smallest value.
        std::vector<const QString*> keys(static_cast<size_t>(m_rowCount));
        static const QString none;
        for (int r = 0; r < m_rowCount; ++r) {
            const QVariant& v = m_cells[size_t(r) * width + column];
            keys[size_t(r)] = v.isNull() ? nullptr : static_cast<const QString*>(v.constData());
        }
        auto less = [&](int a, int b) {
            const QString* x = keys[size_t(a)];
            const QString* y = keys[size_t(b)];
            if (!x || !y)
                return !x && y;
            return QString::compare(*x, *y) < 0;
        };
        if (order == Qt::AscendingOrder)
            std::stable_sort(perm.begin(), perm.end(), less);
        else
            std::stable_sort(perm.begin(), perm.end(), [&](int a, int b) { return less(b, a); });
    } else {
        auto cell = [&](int r) -> const QVariant& { return m_cells[size_t(r) * width + column]; };
        if (order == Qt::AscendingOrder)
            std::stable_sort(perm.begin(), perm.end(),
                             [&](int a, int b) { return compareCells(cell(a), cell(b)) < 0; });
        else
            std::stable_sort(perm.begin(), perm.end(),
                             [&](int a, int b) { return compareCells(cell(b), cell(a)) < 0; });
    }

    emit aboutToReset();
    std::vector<QVariant> cells;
    cells.reserve(m_cells.size());
    std::vector<qint64> ids;
    ids.reserve(m_rowIds.size());
    int current = -1;
    for (size_t i = 0; i < perm.size(); ++i) {
        const int r = perm[i];
        if (r == m_current)
            current = int(i);
        ids.push_back(m_rowIds[size_t(r)]);
        for (size_t c = 0; c < width; ++c)
            cells.push_back(std::move(m_cells[size_t(r) * width + c]));
    }
    m_cells = std::move(cells);
    m_rowIds = std::move(ids);
    m_current = current;
    emit resetDone();
    emit currentRowChanged(m_current);
}

static void requireWritable(const Dataset& ds)
{
    if (ds.table().isEmpty())
        throw DbError(QStringLiteral("%1: Cannot modify a read-only dataset").arg(ds.objectName()));
}

static QString bracket(const QString& name)
{
    return QLatin1Char('[') + name + QLatin1Char(']');
}

void Dataset::updateRow(int row, const FieldValues& values)
{
    requireWritable(*this);
    if (!m_open || row < 0 || row >= m_rowCount)
        throw DbError(QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                                     "Requested operation requires a current record"));
    QStringList sets;
    QVariantList params;
    for (const auto& [name, v] : values) {
        sets << bracket(name) + QStringLiteral("=?");
        params << v;
    }
    params << m_rowIds[size_t(row)];
    const qint64 id = m_rowIds[size_t(row)];
    m_connection.exec(QStringLiteral("update %1 set %2 where _rowid_=?").arg(bracket(m_table), sets.join(u',')),
                      params);
    refetchRow(row, id);
}

qint64 Dataset::append(const FieldValues& values)
{
    requireWritable(*this);
    QStringList names, marks;
    QVariantList params;
    for (const auto& [name, v] : values) {
        names << bracket(name);
        marks << QStringLiteral("?");
        params << v;
    }
    const QString sql = values.empty()
                            ? QStringLiteral("insert into %1 default values").arg(bracket(m_table))
                            : QStringLiteral("insert into %1 (%2) values (%3)")
                                  .arg(bracket(m_table), names.join(u','), marks.join(u','));
    m_connection.exec(sql, params);
    const qint64 id = m_connection.lastInsertRowId();
    if (m_open) {
        emit aboutToReset();
        m_rowIds.push_back(id);
        m_cells.resize(m_cells.size() + m_fields.size());
        ++m_rowCount;
        emit resetDone();
        refetchRow(m_rowCount - 1, id);
        setCurrentRow(m_rowCount - 1);
    }
    return id;
}

void Dataset::refetchRow(int row, qint64 id)
{
    Statement st(m_connection.handle(),
                 QStringLiteral("select * from %1 where _rowid_=?").arg(bracket(m_table)), {id});
    if (!st.step())
        return;
    for (int c = 0; c < st.columnCount(); ++c) {
        const int column = fieldIndex(st.columnName(c));
        if (column >= 0)
            m_cells[size_t(row) * m_fields.size() + column] = st.value(c);
    }
    emit rowChanged(row);
}

void Dataset::deleteRow(int row)
{
    requireWritable(*this);
    if (!m_open || row < 0 || row >= m_rowCount)
        throw DbError(QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                                     "Requested operation requires a current record"));
    m_connection.exec(QStringLiteral("delete from %1 where _rowid_=?").arg(bracket(m_table)),
                      {m_rowIds[size_t(row)]});
    const size_t width = m_fields.size();
    emit aboutToRemoveRow(row);
    m_cells.erase(m_cells.begin() + ptrdiff_t(size_t(row) * width),
                  m_cells.begin() + ptrdiff_t(size_t(row + 1) * width));
    m_rowIds.erase(m_rowIds.begin() + row);
    --m_rowCount;
    emit rowRemoved(row);
    // The cursor moves to the row that took the deleted one's place.
    int current = m_current;
    if (current > row || current >= m_rowCount)
        current = current > row ? current - 1 : m_rowCount - 1;
    m_current = -2;  // force the signal: the record under the cursor changed
    setCurrentRow(current);
    m_eof = m_rowCount == 0;
}

}  // namespace kx
