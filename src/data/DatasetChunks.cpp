// Dataset's writes of many rows at once: the deletion and the change of a
// selection or a whole result, in chunks that another station can come
// between, and the fetched copy brought up to what was committed.
#include "data/Dataset.h"

#include "core/DbError.h"
#include "data/Connection.h"
#include "data/DatasetStore.h"
#include "data/RowWriter.h"
#include "data/ServerConnection.h"
#include "data/Transaction.h"

#include <QElapsedTimer>
#include <algorithm>

namespace kx {

// Ends a transaction whose commit failed; a rollback that fails as well
// (the connection lost) leaves nothing more to do.
static void rollbackQuietly(Connection& connection)
{
    try {
        connection.exec(QStringLiteral("rollback"));
    } catch (...) {
    }
}

// Whether a chunk that failed meeting another station's transaction in a
// deadlock or a serialization failure is to run again; a few times, since
// the other station's work goes on meanwhile and the next attempt mostly
// finds its way free. The file never fails this way: its writers queue.
static bool mayRunAgain(const Connection& connection, int& conflicts)
{
    constexpr int attempts = 5;
    const ServerConnection* server = connection.server();
    return server && server->lastFailureWasConflict() && ++conflicts < attempts;
}

int Dataset::deleteRows(const QList<int>& rows, const std::function<void(int done)>& progress)
{
    requireWritable();
    if (!m_open || rows.isEmpty())
        return 0;
    std::vector<char> gone(m_store->physicalRows(), 0);
    std::vector<char> chosen(m_store->physicalRows(), 0);
    std::vector<int> pending;  // physical rows deleted in the open transaction
    std::vector<int> chosenInChunk;  // the physical rows the open chunk took on
    int lastRow = -1;          // the last row deleted, as the result stood before
    int done = 0;
    // Inside a caller's transaction the caller commits; otherwise the rows
    // go in chunks of about 100 ms, so that a second station waits no longer.
    const bool own = !m_connection.inTransaction();
    bool inTransaction = false;
    qsizetype chunkStart = 0;  // the open chunk's first entry of `rows`
    int conflicts = 0;
    QElapsedTimer chunk;
    auto begin = [&] {
        if (own)
            m_connection.exec(Transaction::beginStatement());
        inTransaction = true;
        chosenInChunk.clear();
        chunk.start();
    };
    auto commit = [&] {
        if (own)
            m_connection.exec(QStringLiteral("commit"));
        inTransaction = false;
        for (int p : pending)
            gone[size_t(p)] = 1;
        pending.clear();
    };
    for (;;) {
        try {
            begin();
            for (qsizetype i = chunkStart; i < rows.size(); ++i) {
                const int row = rows.at(i);
                if (row < 0 || row >= m_rowCount || chosen[size_t(m_store->order[size_t(row)])])
                    continue;
                const int physical = m_store->order[size_t(row)];
                chosen[size_t(physical)] = 1;
                chosenInChunk.push_back(physical);
                deleteFetched(row);
                pending.push_back(physical);
                lastRow = row;
                ++done;
                if (chunk.elapsed() >= 100) {
                    commit();
                    chunkStart = i + 1;
                    if (progress)
                        progress(done);
                    begin();
                }
            }
            commit();
            break;
        } catch (...) {
            // Another station's transaction crossed this chunk: the server
            // undid the chunk, which runs again from its start.
            if (own && inTransaction && mayRunAgain(m_connection, conflicts)) {
                rollbackQuietly(m_connection);
                inTransaction = false;
                for (int p : chosenInChunk)
                    chosen[size_t(p)] = 0;
                done -= int(pending.size());
                pending.clear();
                continue;
            }
            // What was deleted before the failure stays deleted.
            if (inTransaction) {
                try {
                    commit();
                } catch (...) {
                    pending.clear();
                    if (own)
                        rollbackQuietly(m_connection);
                }
            }
            removePhysicalRows(gone, lastRow);
            throw;
        }
    }
    removePhysicalRows(gone, lastRow);
    return done;
}

// The result's column of each field written, looked up once for a run of
// rows that write the same fields (a clean-up writes the same ones to every
// row); -1 for a field the result lacks.
struct Dataset::FieldColumns {
    const std::vector<int>& of(const Dataset& d, const FieldValues& values)
    {
        const bool same = std::equal(values.begin(), values.end(), names.begin(), names.end(),
                                     [](const auto& v, const QString& n) { return v.first == n; });
        if (!same) {
            names.clear();
            columns.clear();
            for (const auto& entry : values) {
                names << entry.first;
                columns.push_back(d.fieldIndex(entry.first));
            }
        }
        return columns;
    }
    QStringList names;
    std::vector<int> columns;
};

bool Dataset::holds(int row, int column, const QVariant& v) const
{
    const Store::Cell& cell = m_store->at(size_t(m_store->order[size_t(row)]), size_t(column));
    if (v.isNull())
        return cell.type == Store::Cell::Null;
    switch (v.typeId()) {
    case QMetaType::QString:
        return cell.type == Store::Cell::Text && Store::textOf(cell) == v.toString();
    case QMetaType::Double:
    case QMetaType::Float:
        return cell.type == Store::Cell::Real && cell.real == v.toDouble();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Bool:
        return cell.type == Store::Cell::Integer && cell.integer == v.toLongLong();
    default:
        return false;
    }
}

int Dataset::changeRows(const QList<int>& rows, const std::function<FieldValues(int row)>& newValues,
                        const std::function<void(int done)>& progress)
{
    requireWritable();
    if (!m_open || rows.isEmpty())
        return 0;
    Written pending;  // written in the open transaction
    std::vector<char> walked(m_store->physicalRows(), 0);
    std::vector<size_t> walkedInChunk;  // the physical rows the open chunk walked
    RowWriter writer(*this);
    FieldColumns columns;
    int done = 0;
    int reported = 0;
    int changed = 0;
    int stoppedAt = -1;
    // As deleteRows(): inside a caller's transaction the caller commits.
    const bool own = !m_connection.inTransaction();
    bool inTransaction = false;
    qsizetype chunkStart = 0;  // the open chunk's first entry of `rows`
    int doneBefore = 0;        // `done` and `changed` as the chunk began
    int changedBefore = 0;
    int conflicts = 0;
    QElapsedTimer chunk;
    auto begin = [&] {
        if (own)
            m_connection.exec(Transaction::beginStatement());
        inTransaction = true;
        walkedInChunk.clear();
        doneBefore = done;
        changedBefore = changed;
        chunk.start();
    };
    auto commit = [&] {
        if (own)
            m_connection.exec(QStringLiteral("commit"));
        inTransaction = false;
        // Only now does the fetched copy follow: a commit that fails leaves
        // the table, and so the copy, as it was.
        takeWritten(pending, columns);
        pending.clear();
    };
    auto report = [&] {
        if (progress && done > reported) {
            reported = done;
            progress(done);
        }
    };
    for (;;) {
        try {
            begin();
            for (qsizetype i = chunkStart; i < rows.size(); ++i) {
                const int row = rows.at(i);
                if (row < 0 || row >= m_rowCount || walked[size_t(m_store->order[size_t(row)])])
                    continue;
                walked[size_t(m_store->order[size_t(row)])] = 1;
                walkedInChunk.push_back(size_t(m_store->order[size_t(row)]));
                stoppedAt = row;
                FieldValues values = newValues(row);
                const std::vector<int>& of = columns.of(*this, values);
                bool same = true;
                for (size_t v = 0; v < values.size() && same; ++v)
                    same = of[v] >= 0 && holds(row, of[v], values[v].second);
                if (!same) {
                    if (!writer.write(row, values))
                        throw DbError(rowCannotBeLocated());
                    pending.emplace_back(row, std::move(values));
                    ++changed;
                }
                ++done;
                if (chunk.elapsed() >= 100) {
                    commit();
                    chunkStart = i + 1;
                    report();
                    begin();
                }
            }
            commit();
            report();
            break;
        } catch (...) {
            // As deleteRows(): a chunk the server undid for another
            // station's transaction runs again from its start.
            if (own && inTransaction && mayRunAgain(m_connection, conflicts)) {
                rollbackQuietly(m_connection);
                inTransaction = false;
                for (size_t physical : walkedInChunk)
                    walked[physical] = 0;
                pending.clear();
                done = doneBefore;
                changed = changedBefore;
                continue;
            }
            // What was written before the failure stays written.
            if (inTransaction) {
                try {
                    commit();
                } catch (...) {
                    pending.clear();
                    if (own)
                        rollbackQuietly(m_connection);
                }
            }
            if (stoppedAt >= 0)
                setCurrentRow(stoppedAt);
            throw;
        }
    }
    return changed;
}

// The committed values of a chunk go into the fetched copy. A null, and a
// text written to a column that keeps texts as given, are stored exactly as
// written; any other value the column's type may have turned into another,
// so that row is read back.
void Dataset::takeWritten(const Written& written, FieldColumns& columns)
{
    if (written.empty())
        return;
    QList<int> rows;
    rows.reserve(qsizetype(written.size()));
    for (const auto& entry : written)
        rows << entry.first;
    std::vector<int> readBack;
    Store& store = *m_store;
    emit aboutToChangeRows(rows);
    for (const auto& [row, values] : written) {
        const std::vector<int>& of = columns.of(*this, values);
        const size_t physical = size_t(store.order[size_t(row)]);
        bool exact = true;
        for (size_t i = 0; i < values.size(); ++i) {
            const int c = of[i];
            const QVariant& v = values[i].second;
            if (c < 0)
                continue;
            if (v.isNull() || (v.typeId() == QMetaType::QString && m_storesTextAsGiven[size_t(c)]))
                store.write(store.at(physical, size_t(c)), v);
            else
                exact = false;
        }
        store.rehash(physical);
        if (!exact)
            readBack.push_back(row);
    }
    ++m_version;
    emit rowsChanged(rows);
    for (int row : readBack)
        refetchRow(row, rowId(row));
}

void Dataset::removePhysicalRows(const std::vector<char>& gone, int lastGonePosition)
{
    std::vector<int>& order = m_store->order;
    if (std::none_of(order.begin(), order.end(), [&](int p) { return gone[size_t(p)] != 0; }))
        return;
    // The cursor goes to the first row after the last one deleted that is
    // still there, as one deletion after another would leave it.
    int current = -1;
    int kept = 0;
    for (int row = 0; row < int(order.size()); ++row) {
        if (gone[size_t(order[size_t(row)])])
            continue;
        if (row > lastGonePosition && current < 0)
            current = kept;
        ++kept;
    }
    emit aboutToReset();
    // The rows' values stay where they are, unused, until the result is closed.
    for (size_t p = 0; p < gone.size(); ++p)
        if (gone[p])
            m_store->gone[p] = 1;
    ++m_version;
    std::erase_if(order, [&](int p) { return gone[size_t(p)] != 0; });
    m_rowCount = int(order.size());
    forgetRowIndex();
    emit resetDone();
    if (current < 0)
        current = m_rowCount - 1;
    m_current = -2;  // force the signal: the record under the cursor changed
    setCurrentRow(current);
    m_eof = m_rowCount == 0;
}

}  // namespace kx
