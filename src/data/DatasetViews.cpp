// The dataset's fetch and its views: filters over the fetched rows, and
// catching up with the file from another connection.

#include "data/Dataset.h"

#include "core/DbError.h"
#include "data/Connection.h"
#include "data/DatasetStore.h"
#include "data/LikeContains.h"
#include "data/SqlText.h"
#include "data/Statement.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kx {

namespace {

// A number as the engine turns it into text for LIKE ("%!.15g").
QByteArray engineNumberText(double value)
{
    if (std::isinf(value))
        return value > 0 ? QByteArray("Inf") : QByteArray("-Inf");
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    QByteArray text(buffer);
    if (!text.contains('.')) {
        const qsizetype e = text.indexOf('e');
        if (e < 0)
            text += ".0";
        else
            text.insert(e, ".0");
    }
    return text;
}

}  // namespace

std::vector<int> Dataset::fetchedRowsWhere(const std::vector<CellTest>& tests) const
{
    std::vector<int> rows;
    if (!m_store || !m_open)
        return rows;
    using Cell = Store::Cell;
    const Store& store = *m_store;
    const size_t n = store.physicalRows();
    auto passes = [&store](const Cell& cell, const CellTest& test) {
        if (!test.contains) {  // "<>''": a null is unknown, every number or blob differs
            return cell.type != Cell::Null && (cell.type != Cell::Text || cell.size > 0);
        }
        if (test.contains->tooComplex())
            throw DbError(LikeContains::tooComplexMessage());
        switch (cell.type) {
        case Cell::Null:
            return false;
        case Cell::Text:
            if (const QByteArray* raw = store.rawBytesOf(cell))
                return test.contains->matchesBytes(*raw);
            return test.contains->matches(Store::textOf(cell));
        case Cell::Blob:
            return test.contains->matchesBytes(store.blobs[cell.blob]);
        case Cell::Integer:
            return test.contains->matchesBytes(QByteArray::number(cell.integer));
        case Cell::Real:
            return test.contains->matchesBytes(engineNumberText(cell.real));
        }
        return false;
    };
    for (size_t p = 0; p < n; ++p) {
        if (store.gone[p])
            continue;
        bool keep = true;
        for (const CellTest& test : tests) {
            if (!passes(store.at(p, size_t(test.column)), test)) {
                keep = false;
                break;
            }
        }
        if (keep)
            rows.push_back(int(p));
    }
    if (!store.idsAscending)
        std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) { return store.ids[size_t(a)] < store.ids[size_t(b)]; });
    return rows;
}

void Dataset::visitNumbers(int first, int second,
                           const std::function<void(int row, const double* a, const double* b)>& visit) const
{
    if (!m_store || !m_open)
        return;
    using Cell = Store::Cell;
    const Store& store = *m_store;
    const std::vector<int>& order = store.order;
    auto numberOf = [](const Cell& cell, double& v) -> const double* {
        if (cell.type == Cell::Real)
            return &cell.real;
        if (cell.type == Cell::Integer) {
            v = double(cell.integer);
            return &v;
        }
        return nullptr;
    };
    constexpr int ahead = 12;
    const int n = int(order.size());
    for (int row = 0; row < n; ++row) {
        if (row + ahead < n) {
            const size_t p = size_t(order[size_t(row + ahead)]);
            if (first >= 0)
                __builtin_prefetch(&store.at(p, size_t(first)));
            if (second >= 0)
                __builtin_prefetch(&store.at(p, size_t(second)));
        }
        const size_t p = size_t(order[size_t(row)]);
        double x = 0, y = 0;
        visit(row, first >= 0 ? numberOf(store.at(p, size_t(first)), x) : nullptr,
              second >= 0 ? numberOf(store.at(p, size_t(second)), y) : nullptr);
    }
}

void Dataset::showFetchedRows(std::vector<int> rows, const QString& sql, const QVariantList& params)
{
    if (!m_store)
        return;
    emit aboutToReset();
    forgetRowIndex();
    ++m_version;
    m_sortColumn = -1;
    m_store->order = std::move(rows);
    m_rowCount = int(m_store->order.size());
    m_sql = sql;
    m_params = params;
    m_current = m_rowCount > 0 ? 0 : -1;
    m_eof = m_rowCount == 0;
    emit resetDone();
    emit currentRowChanged(m_current);
}

void Dataset::fetchRow(qint64 rowId)
{
    if (!m_open || !m_store || m_table.isEmpty())
        return;
    Statement st(m_connection, QStringLiteral("select * from %1 where _rowid_=?").arg(quoteIdentifier(m_table)),
                 {rowId});
    if (!st.step())
        return;
    Store& store = *m_store;
    // The one copy of that identity: a row kept for it (one another station
    // deleted, its identity given to this one) takes the new values.
    size_t physical = store.physicalRows();
    for (size_t p = 0; p < store.physicalRows(); ++p)
        if (store.ids[p] == rowId && !store.gone[p])
            physical = p;
    if (physical == store.physicalRows())
        physical = store.addRow(rowId);
    for (int c = 0; c < st.columnCount(); ++c) {
        const int column = fieldIndex(st.columnName(c));
        if (column >= 0)
            store.read(store.at(physical, size_t(column)), st, c);
    }
    store.rehash(physical);
    forgetRowIndex();
    ++m_version;
}

std::shared_ptr<const Dataset::Known> Dataset::known() const
{
    auto known = std::make_shared<Known>();
    known->version = m_version;
    known->table = m_table;
    known->fields = m_fields;
    if (!m_store)
        return known;
    const Store& store = *m_store;
    known->rows.reserve(store.physicalRows());
    for (size_t p = 0; p < store.physicalRows(); ++p)
        if (!store.gone[p])
            known->rows.push_back({store.ids[p], store.hashes[p], int(p)});
    if (!store.idsAscending)
        std::sort(known->rows.begin(), known->rows.end(),
                  [](const Known::Row& a, const Known::Row& b) { return a.id < b.id; });
    known->shownIds.reserve(store.order.size());
    for (int p : store.order)
        known->shownIds.push_back(store.ids[size_t(p)]);
    return known;
}

std::shared_ptr<Dataset::Fresh> Dataset::readFresh(Connection& connection, const QString& sql,
                                                   const QVariantList& params, const Known& known,
                                                   const std::atomic<bool>& stop)
{
    auto fresh = std::make_shared<Fresh>();
    fresh->version = known.version;
    Statement st(connection, selectWithRowId(sql), params);
    const int columns = st.columnCount();
    if (columns == 0 || st.columnName(0) != QLatin1String("_kx_rowid_"))
        throw DbError(QStringLiteral("%1: the statement gives no row identity").arg(sql));
    for (int c = 1; c < columns; ++c)
        fresh->fields.append(st.columnName(c));
    if (fresh->fields != known.fields)
        return fresh;  // another table's shape: takeFresh() refuses it

    const size_t width = size_t(columns - 1);
    Store row(width);   // each row of the result in turn
    fresh->store = std::make_unique<Store>(width);
    Store& kept = *fresh->store;
    std::vector<qint64> found;
    const Statement* current = &st;
    // Reads the statement's current row; true when the fetch lacks it as it is.
    auto differs = [&](qint64 id, int columnOffset, const Known::Row*& knownRow) {
        row.recycle(width);
        row.addRow(id);
        for (size_t c = 0; c < width; ++c)
            row.read(row.at(0, c), *current, int(c) + columnOffset);
        knownRow = known.find(id);
        return !knownRow || knownRow->hash != row.rowHash(0);
    };
    auto keep = [&](qint64 id, const Known::Row* knownRow) {
        const size_t k = kept.addRow(id);
        for (size_t c = 0; c < width; ++c)
            kept.copy(kept.at(k, c), row, row.at(0, c));
        fresh->replaces.push_back(knownRow ? knownRow->physical : -1);
        return int(k);
    };
    while (st.step()) {
        if (stop.load(std::memory_order_relaxed))
            return nullptr;
        const qint64 id = st.integer(0);
        found.push_back(id);
        const Known::Row* knownRow = nullptr;
        if (differs(id, 1, knownRow))
            fresh->rows.push_back(-1 - keep(id, knownRow));
        else
            fresh->rows.push_back(knownRow->physical);
    }

    // The rows the view showed that the result lacks: deleted, or changed
    // so that they no longer match, since they were fetched.
    std::sort(found.begin(), found.end());
    Statement byId(connection,
                   QStringLiteral("select * from %1 where _rowid_=?").arg(quoteIdentifier(known.table)),
                   {qint64(0)});
    for (qint64 id : known.shownIds) {
        if (std::binary_search(found.begin(), found.end(), id))
            continue;
        if (stop.load(std::memory_order_relaxed))
            return nullptr;
        const Known::Row* knownRow = known.find(id);
        if (!knownRow)
            continue;
        byId.rebind({id});
        if (!byId.step()) {
            fresh->gone.push_back(knownRow->physical);
            continue;
        }
        if (byId.columnCount() != columns - 1)
            continue;
        current = &byId;
        if (differs(id, 0, knownRow))
            keep(id, knownRow);
        while (byId.step()) {
        }
    }
    return fresh;
}

bool Dataset::takeFresh(const Fresh& fresh)
{
    if (!m_open || !m_store || fresh.version != m_version || fresh.fields != m_fields || !fresh.store)
        return false;
    Store& store = *m_store;
    const Store& from = *fresh.store;
    const size_t width = store.width;
    std::vector<int> physicalOf(from.physicalRows());
    for (size_t k = 0; k < from.physicalRows(); ++k) {
        const int replaced = fresh.replaces[k];
        const size_t p = replaced >= 0 ? size_t(replaced) : store.addRow(from.ids[k]);
        for (size_t c = 0; c < width; ++c)
            store.copy(store.at(p, c), from, from.at(k, c));
        store.rehash(p);
        physicalOf[k] = int(p);
    }
    for (int p : fresh.gone)
        store.gone[size_t(p)] = 1;
    std::vector<int> order;
    order.reserve(fresh.rows.size());
    for (int r : fresh.rows)
        order.push_back(r >= 0 ? r : physicalOf[size_t(-1 - r)]);
    if (from.physicalRows() == 0 && fresh.gone.empty()) {
        // No value changed: the view already is what the file holds when it
        // shows the same rows, in the engine's order or in the sort made since.
        bool same = order == store.order;
        if (!same && m_sortColumn >= 0) {
            std::vector<int> x = order, y = store.order;
            std::sort(x.begin(), x.end());
            std::sort(y.begin(), y.end());
            same = x == y;
        }
        if (same)
            return true;
    }

    const int before = m_current;
    const int currentPhysical = m_current >= 0 && m_current < m_rowCount ? store.order[size_t(m_current)] : -1;
    emit aboutToReset();
    forgetRowIndex();
    ++m_version;
    store.order = std::move(order);
    m_rowCount = int(store.order.size());
    if (m_sortColumn >= 0 && m_rowCount > 1)
        store.order = sortedRows(m_sortColumn, m_sortOrder);
    int current = -1;
    if (currentPhysical >= 0) {
        const auto it = std::find(store.order.begin(), store.order.end(), currentPhysical);
        if (it != store.order.end())
            current = int(it - store.order.begin());
    }
    if (current < 0 && m_rowCount > 0)
        current = std::clamp(before, 0, m_rowCount - 1);
    m_current = current;
    m_eof = m_rowCount == 0;
    emit resetDone();
    emit currentRowChanged(m_current);
    emit refreshed(before);
    return true;
}

}  // namespace kx
