#include "data/Dataset.h"

#include "core/DbError.h"
#include "core/TextValue.h"
#include "data/Connection.h"
#include "data/DatasetStore.h"
#include "data/SqlText.h"
#include "data/Statement.h"

#include <QRegularExpression>
#include <algorithm>
#include <limits>
#include <cstdlib>
#include <new>
#include <numeric>

namespace kx {

Dataset::Dataset(Connection& connection, const QString& name, const QString& sql,
                 const QString& table, QObject* parent)
    : QObject(parent), m_connection(connection), m_table(table), m_sql(sql)
{
    setObjectName(name);
}

Dataset::~Dataset() = default;

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
    return m_table.isEmpty() ? m_sql : selectWithRowId(m_sql);
}

QString Dataset::selectWithRowId(const QString& sql)
{
    static const QRegularExpression selectAll(QStringLiteral("^\\s*select\\s+\\*\\s+from\\s+"),
                                              QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch m = selectAll.match(sql);
    if (!m.hasMatch())
        return sql;
    return QStringLiteral("select _rowid_ as _kx_rowid_, * from ") + sql.mid(m.capturedEnd());
}

void Dataset::open()
{
    close();
    const QString sql = fetchSql();
    Statement st(m_connection, sql, m_params, Statement::Fetch::InParts);
    const int columns = st.columnCount();
    const bool withId = columns > 0 && st.columnName(0) == QLatin1String("_kx_rowid_");
    const int first = withId ? 1 : 0;

    QStringList fields;
    fields.reserve(columns - first);
    std::vector<char> textAsGiven;
    textAsGiven.reserve(size_t(columns - first));
    for (int c = first; c < columns; ++c) {
        fields.append(st.columnName(c));
        textAsGiven.push_back(st.keepsTextAsGiven(c));
    }

    std::unique_ptr<Store> store = m_spare ? std::move(m_spare) : std::make_unique<Store>(size_t(columns - first));
    store->recycle(size_t(columns - first));
    while (st.step()) {
        const size_t row = store->addRow(withId ? st.integer(0) : qint64(store->ids.size()));
        for (int c = first; c < columns; ++c)
            store->read(store->at(row, size_t(c - first)), st, c);
        store->rehash(row);
    }
    store->order.resize(store->physicalRows());
    std::iota(store->order.begin(), store->order.end(), 0);

    emit aboutToReset();
    forgetRowIndex();
    ++m_fetchNumber;
    ++m_version;
    m_sortColumn = -1;
    m_refetchColumns.clear();
    m_fields = std::move(fields);
    m_storesTextAsGiven = std::move(textAsGiven);
    m_store = std::move(store);
    m_rowCount = int(m_store->order.size());
    m_open = true;
    m_current = m_rowCount > 0 ? 0 : -1;
    m_eof = m_rowCount == 0;
    emit resetDone();
    emit currentRowChanged(m_current);
}

void Dataset::openForAppend()
{
    close();
    Statement st(m_connection, fetchSql(), m_params);
    const int columns = st.columnCount();
    const bool withId = columns > 0 && st.columnName(0) == QLatin1String("_kx_rowid_");
    QStringList fields;
    for (int c = withId ? 1 : 0; c < columns; ++c)
        fields.append(st.columnName(c));
    emit aboutToReset();
    forgetRowIndex();
    ++m_fetchNumber;
    ++m_version;
    m_sortColumn = -1;
    m_refetchColumns.clear();
    m_store = std::make_unique<Store>(size_t(fields.size()));
    m_storesTextAsGiven.assign(size_t(fields.size()), 0);
    m_fields = std::move(fields);
    m_rowCount = 0;
    m_open = true;
    emit resetDone();
}

void Dataset::close()
{
    if (!m_open && !m_store && m_fields.isEmpty())
        return;
    emit aboutToReset();
    forgetRowIndex();
    ++m_fetchNumber;
    ++m_version;
    m_sortColumn = -1;
    m_refetchColumns.clear();
    m_open = false;
    m_fields.clear();
    if (m_store)
        m_spare = std::move(m_store);
    m_rowCount = 0;
    m_current = -1;
    m_eof = true;
    emit resetDone();
    emit currentRowChanged(-1);
}

QVariant Dataset::value(int row, int column) const
{
    return cell(row, column);
}

QVariant Dataset::cell(int row, int column) const
{
    return m_store->valueOf(m_store->at(size_t(m_store->order[size_t(row)]), size_t(column)));
}

QVariant Dataset::matchValue(int row, int column) const
{
    return m_store->matchValueOf(m_store->at(size_t(m_store->order[size_t(row)]), size_t(column)));
}

bool Dataset::isNull(int row, int column) const
{
    return m_store->at(size_t(m_store->order[size_t(row)]), size_t(column)).type == Store::Cell::Null;
}

QStringView Dataset::text(int row, int column) const
{
    return m_store->textOf(m_store->at(size_t(m_store->order[size_t(row)]), size_t(column)));
}

std::optional<double> Dataset::number(int row, int column) const
{
    const Store::Cell& cell = m_store->at(size_t(m_store->order[size_t(row)]), size_t(column));
    switch (cell.type) {
    case Store::Cell::Real:
        return cell.real;
    case Store::Cell::Integer:
        return double(cell.integer);
    default:
        return std::nullopt;
    }
}

std::optional<qint64> Dataset::integer(int row, int column) const
{
    const Store::Cell& cell = m_store->at(size_t(m_store->order[size_t(row)]), size_t(column));
    return cell.type == Store::Cell::Integer ? std::optional<qint64>(cell.integer) : std::nullopt;
}

qint64 Dataset::rowId(int row) const
{
    return m_store->ids[size_t(m_store->order[size_t(row)])];
}

int Dataset::execSql()
{
    close();
    return m_connection.exec(m_sql, m_params);
}

int Dataset::rowOfId(qint64 rowId) const
{
    if (!m_store)
        return -1;
    RowIndex& index = m_rowIndex;
    if (!index.built) {
        const std::vector<qint64>& ids = m_store->ids;
        index.physicalOfId.resize(ids.size());
        for (size_t p = 0; p < ids.size(); ++p)
            index.physicalOfId[p] = {ids[p], int(p)};
        // Rows come from the table mostly in storage order: no sort needed.
        if (!std::is_sorted(index.physicalOfId.begin(), index.physicalOfId.end()))
            std::sort(index.physicalOfId.begin(), index.physicalOfId.end());
        index.rowOfPhysical.assign(ids.size(), -1);
        for (int row = 0; row < m_rowCount; ++row)
            index.rowOfPhysical[size_t(m_store->order[size_t(row)])] = row;
        index.built = true;
    }
    // An identity can appear twice only in a result read without one (the
    // row number stands in); the first row in the result's order wins.
    auto it = std::lower_bound(index.physicalOfId.begin(), index.physicalOfId.end(),
                               std::pair<qint64, int>{rowId, std::numeric_limits<int>::min()});
    int found = -1;
    for (; it != index.physicalOfId.end() && it->first == rowId; ++it) {
        const int row = index.rowOfPhysical[size_t(it->second)];
        if (row >= 0 && (found < 0 || row < found))
            found = row;
    }
    return found;
}

void Dataset::forgetRowIndex()
{
    m_rowIndex.built = false;
}

QVariant Dataset::field(const QString& name) const
{
    const int column = fieldIndex(name);
    if (column < 0)
        throw DbError(QStringLiteral("%1: Field '%2' not found").arg(objectName(), name));
    if (!m_open)
        throw DbError(QStringLiteral("%1: Cannot perform this operation on a closed dataset").arg(objectName()));
    // An empty result has no current record: its fields hold no value.
    if (m_current < 0 || m_current >= m_rowCount)
        return QVariant();
    return cell(m_current, column);
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

void Dataset::sortBy(int column, Qt::SortOrder order)
{
    if (!m_open || column < 0 || column >= fieldCount() || m_rowCount < 2)
        return;
    std::vector<int> after = sortedRows(column, order);
    const std::vector<int>& before = m_store->order;
    const int currentPhysical = m_current >= 0 ? before[size_t(m_current)] : -1;
    emit aboutToReorder();
    forgetRowIndex();
    m_sortColumn = column;
    m_sortOrder = order;
    m_store->order = std::move(after);
    int current = -1;
    if (currentPhysical >= 0)
        current = int(std::find(m_store->order.begin(), m_store->order.end(), currentPhysical) -
                      m_store->order.begin());
    m_current = current;
    emit reordered();
    emit currentRowChanged(m_current);
}

std::vector<int> Dataset::sortedRows(int column, Qt::SortOrder order) const
{
    using Cell = Store::Cell;
    const Store& store = *m_store;
    const std::vector<int>& before = store.order;
    const size_t n = before.size();
    std::vector<int> after(n);

    const bool allText = std::all_of(before.begin(), before.end(), [&](int p) {
        const Cell::Type t = store.at(size_t(p), size_t(column)).type;
        return t == Cell::Text || t == Cell::Null;
    });
    if (allText) {
        // The common case, a text column: sort the texts themselves, in
        // place, each carrying its row; a null is the smallest value.
        struct Key {
            const char16_t* text;  // null for a null value
            qsizetype size;
            int physical;
        };
        std::vector<Key> keys(n);
        for (size_t i = 0; i < n; ++i) {
            const Cell& c = store.at(size_t(before[i]), size_t(column));
            keys[i] = {c.type == Cell::Null ? nullptr : c.text, qsizetype(c.size), before[i]};
        }
        auto less = [](const Key& x, const Key& y) {
            if (!x.text || !y.text)
                return !x.text && y.text;
            return QStringView(x.text, x.size).compare(QStringView(y.text, y.size), Qt::CaseSensitive) < 0;
        };
        if (order == Qt::AscendingOrder)
            std::stable_sort(keys.begin(), keys.end(), less);
        else
            std::stable_sort(keys.begin(), keys.end(), [&](const Key& x, const Key& y) { return less(y, x); });
        for (size_t i = 0; i < n; ++i)
            after[i] = keys[i].physical;
    } else {
        // Nulls first, then numbers by value, then texts by code point, as
        // the engine orders mixed values.
        auto rank = [](Cell::Type t) {
            return t == Cell::Null ? 0 : (t == Cell::Text ? 2 : (t == Cell::Blob ? 3 : 1));
        };
        auto compare = [&](int a, int b) {
            const Cell& x = store.at(size_t(a), size_t(column));
            const Cell& y = store.at(size_t(b), size_t(column));
            const int rx = rank(x.type), ry = rank(y.type);
            if (rx != ry)
                return rx < ry ? -1 : 1;
            if (rx == 1) {
                const double u = x.type == Cell::Real ? x.real : double(x.integer);
                const double v = y.type == Cell::Real ? y.real : double(y.integer);
                return u < v ? -1 : (u > v ? 1 : 0);
            }
            if (rx == 2)
                return store.textOf(x).compare(store.textOf(y), Qt::CaseSensitive);
            return 0;
        };
        after = before;
        if (order == Qt::AscendingOrder)
            std::stable_sort(after.begin(), after.end(), [&](int a, int b) { return compare(a, b) < 0; });
        else
            std::stable_sort(after.begin(), after.end(), [&](int a, int b) { return compare(b, a) < 0; });
    }
    return after;
}

void Dataset::requireWritable() const
{
    if (m_table.isEmpty())
        throw DbError(QStringLiteral("%1: Cannot modify a read-only dataset").arg(objectName()));
}

void Dataset::updateRow(int row, const FieldValues& values)
{
    requireWritable();
    if (!m_open || row < 0 || row >= m_rowCount)
        throw DbError(QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                                     "Requested operation requires a current record"));
    const qint64 id = rowId(row);
    QVariantList params;
    const QString sets = setList(values, params);
    const QString where = matchClause(row, params);
    const QString sql = QStringLiteral("update %1 set %2 where %3").arg(quoteIdentifier(m_table), sets, where);
    if (m_connection.server()) {
        // Every statement is a round trip to the server: the update hands
        // back the row as written, where the file reads it again at once.
        QStringList returned;
        std::vector<int> fieldOf;
        for (int c = 0; c < fieldCount(); ++c) {
            returned << quoteIdentifier(m_fields.at(c));
            fieldOf.push_back(c);
        }
        const QString returning = QStringLiteral(" returning ") + returned.join(u',');
        Statement st(m_connection, sql + returning, params);
        if (!st.step())
            throw DbError(rowCannotBeLocated());
        storeRow(row, st, fieldOf);
        return;
    }
    if (m_connection.exec(sql, params) == 0)
        throw DbError(rowCannotBeLocated());
    refetchRow(row, id);
}

QString Dataset::rowCannotBeLocated()
{
    return QStringLiteral("Row cannot be located for updating. Some values may have been changed since it was "
                          "last read.");
}

// The row exactly as it was fetched: its storage identity and every value.
// SQLite gives a deleted row's identity to the next new row, so the identity
// alone could hit an order another station entered since.
QString Dataset::matchClause(int row, QVariantList& params) const
{
    params << rowId(row);
    const size_t physical = size_t(m_store->order[size_t(row)]);
    for (int c = 0; c < fieldCount(); ++c)
        params << m_store->matchValueOf(m_store->at(physical, size_t(c)));
    return matchPattern();
}

QString Dataset::rowUpdateSql(const FieldValues& values) const
{
    QVariantList unused;
    return QStringLiteral("update %1 set %2 where %3")
        .arg(quoteIdentifier(m_table), setList(values, unused), matchPattern());
}

// "_rowid_=? and [a] is ? and …": the identity, then every field in order.
QString Dataset::matchPattern() const
{
    QString where = QStringLiteral("_rowid_=?");
    for (int c = 0; c < fieldCount(); ++c)
        where += QStringLiteral(" and ") + quoteIdentifier(m_fields.at(c)) + QStringLiteral(" is ?");
    return where;
}

void Dataset::updateById(Connection& connection, const QString& table, qint64 rowId, const FieldValues& values)
{
    QVariantList params;
    const QString sets = setList(values, params);
    params << rowId;
    connection.exec(QStringLiteral("update %1 set %2 where _rowid_=?").arg(quoteIdentifier(table), sets), params);
}

bool Dataset::updateFetched(Connection& connection, const QString& table, qint64 rowId,
                            const FieldValues& fetched, const FieldValues& values)
{
    QVariantList params;
    const QString sets = setList(values, params);
    QString where = QStringLiteral("_rowid_=?");
    params << rowId;
    for (const auto& [name, v] : fetched) {
        where += QStringLiteral(" and ") + quoteIdentifier(name) + QStringLiteral(" is ?");
        params << v;
    }
    const QString sql = QStringLiteral("update %1 set %2 where %3").arg(quoteIdentifier(table), sets, where);
    return connection.exec(sql, params) > 0;
}

// "[a]=?,[b]=?" for the values, which are appended to the parameters.
QString Dataset::setList(const FieldValues& values, QVariantList& params)
{
    QStringList sets;
    for (const auto& [name, v] : values) {
        sets << quoteIdentifier(name) + QStringLiteral("=?");
        params << v;
    }
    return sets.join(u',');
}

void Dataset::deleteFetched(int row)
{
    QVariantList params;
    const QString where = matchClause(row, params);
    if (m_connection.exec(QStringLiteral("delete from %1 where %2").arg(quoteIdentifier(m_table), where), params) == 0)
        throw DbError(rowCannotBeLocated());
}

qint64 Dataset::append(const FieldValues& values)
{
    requireWritable();
    QStringList names, marks;
    QVariantList params;
    for (const auto& [name, v] : values) {
        names << quoteIdentifier(name);
        marks << QStringLiteral("?");
        params << v;
    }
    const QString sql = values.empty()
                            ? QStringLiteral("insert into %1 default values").arg(quoteIdentifier(m_table))
                            : QStringLiteral("insert into %1 (%2) values (%3)")
                                  .arg(quoteIdentifier(m_table), names.join(u','), marks.join(u','));
    m_connection.exec(sql, params);
    const qint64 id = m_connection.lastInsertRowId();
    if (m_open) {
        emit aboutToReset();
        forgetRowIndex();
        const size_t physical = m_store->addRow(id);
        m_store->order.push_back(int(physical));
        ++m_rowCount;
        ++m_version;
        emit resetDone();
        refetchRow(m_rowCount - 1, id);
        setCurrentRow(m_rowCount - 1);
    }
    return id;
}

void Dataset::refetchRow(int row, qint64 id)
{
    // The connection keeps the statement prepared: an edit of every row runs
    // it once per row.
    Statement st(m_connection, QStringLiteral("select * from %1 where _rowid_=?").arg(quoteIdentifier(m_table)),
                 {id});
    if (!st.step())
        return;
    const int columns = st.columnCount();
    if (m_refetchColumns.size() != size_t(columns)) {
        m_refetchColumns.resize(size_t(columns));
        for (int c = 0; c < columns; ++c)
            m_refetchColumns[size_t(c)] = fieldIndex(st.columnName(c));
    }
    storeRow(row, st, m_refetchColumns);
}

void Dataset::storeRow(int row, const Statement& st, const std::vector<int>& fieldOf)
{
    Store& store = *m_store;
    const size_t physical = size_t(store.order[size_t(row)]);
    emit aboutToChangeRow(row);
    // The old texts stay in the buffer unused until the result is closed.
    for (size_t c = 0; c < fieldOf.size(); ++c) {
        const int column = fieldOf[c];
        if (column < 0)
            continue;
        Store::Cell& cell = store.at(physical, size_t(column));
        store.read(cell, st, int(c));
    }
    store.rehash(physical);
    ++m_version;
    emit rowChanged(row);
}

void Dataset::deleteRow(int row)
{
    requireWritable();
    if (!m_open || row < 0 || row >= m_rowCount)
        throw DbError(QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                                     "Requested operation requires a current record"));
    deleteFetched(row);
    emit aboutToRemoveRow(row);
    // The row's values stay where they are, unused, until the result is closed.
    if (m_rowIndex.built) {
        // Every row after it moves up one place.
        std::vector<int>& rowOf = m_rowIndex.rowOfPhysical;
        rowOf[size_t(m_store->order[size_t(row)])] = -1;
        for (int& r : rowOf)
            if (r > row)
                --r;
    }
    m_store->gone[size_t(m_store->order[size_t(row)])] = 1;
    ++m_version;
    m_store->order.erase(m_store->order.begin() + row);
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
