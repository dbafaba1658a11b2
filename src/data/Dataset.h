#pragma once

#include <QObject>
#include <atomic>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVariant>
#include <QVariantList>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace kx {

class Connection;
class LikeContains;
class Statement;

using FieldValues = std::vector<std::pair<QString, QVariant>>;

// A client-side static cursor: open() fetches the whole result into memory,
// together with each row's storage identity (rowid) when the dataset writes
// through to a table. The row count is exact, sorting happens on the fetched
// rows, and a null stays distinct from an empty text.
//
// The fetched values are kept compact: every text of the result in one
// UTF-16 buffer, one small cell per value pointing into it or holding the
// number, and the rows' order as a permutation over them, so that sorting
// and deleting move row numbers, not values.
class Dataset : public QObject {
    Q_OBJECT
public:
    // `table` names the table that edits, appends and deletes write to; empty
    // for a read-only dataset.
    Dataset(Connection& connection, const QString& name, const QString& sql,
            const QString& table = QString(), QObject* parent = nullptr);
    ~Dataset() override;

    Connection& connection() const { return m_connection; }
    const QString& table() const { return m_table; }

    // The statement and the values bound to its `?` placeholders.
    void setSql(const QString& sql, const QVariantList& params = {});
    const QString& sql() const { return m_sql; }
    const QVariantList& params() const { return m_params; }

    void open();
    // Opens a table dataset for appending only: the statement is checked and
    // the fields are known, but no row is fetched.
    void openForAppend();
    void close();
    bool isOpen() const { return m_open; }
    // Runs the statement as a command that returns no rows; stays closed.
    // Returns how many rows it changed.
    int execSql();

    int rowCount() const { return m_rowCount; }
    int fieldCount() const { return int(m_fields.size()); }
    const QStringList& fieldNames() const { return m_fields; }
    int fieldIndex(const QString& name) const;  // -1 when missing
    // The value as a new QVariant. Nothing is kept per row, so a walk over
    // every row costs no memory; a walk that only looks at the values is
    // cheaper still with isNull() and text().
    QVariant value(int row, int column) const;
    QVariant cell(int row, int column) const;
    // The value a where clause finds this cell by: a text that is not
    // well-formed UTF-8 comes as its stored bytes, not as it reads.
    QVariant matchValue(int row, int column) const;
    bool isNull(int row, int column) const;
    // A text value in place; empty for a null or a number. Valid until the
    // dataset next changes (open, close, append, edit).
    QStringView text(int row, int column) const;
    // A value stored as a number, without making a QVariant of it; nothing
    // for a null, a text or a blob.
    std::optional<double> number(int row, int column) const;
    // Walks every row of the result in its order with the values of two
    // columns stored as numbers (null for any other value), reading the
    // cells ahead of their use: totals over a large result wait on memory,
    // not on arithmetic.
    void visitNumbers(int first, int second,
                      const std::function<void(int row, const double* a, const double* b)>& visit) const;
    // A value stored as an integer (a count, an identity), which number()
    // gives as a double too; nothing for any other value.
    std::optional<qint64> integer(int row, int column) const;
    qint64 rowId(int row) const;
    int rowOfId(qint64 rowId) const;  // -1 when not in the result

    // The current row's value of a field; throws DbError for an unknown field
    // or a closed dataset. An empty result gives a null.
    QVariant field(const QString& name) const;

    int currentRow() const { return m_current; }
    void setCurrentRow(int row);
    void first() { setCurrentRow(m_rowCount > 0 ? 0 : -1); }
    void last() { setCurrentRow(m_rowCount - 1); }
    void next();
    bool eof() const { return m_eof; }

    // Stable in-memory sort of the fetched rows by one column; the current
    // row stays on the same record. Nulls sort before every value.
    void sortBy(int column, Qt::SortOrder order);

    // Write-through edits of exactly the row that was fetched: its storage
    // identity and every fetched value must still match, or nothing is
    // written and rowCannotBeLocated() is thrown.
    void updateRow(int row, const FieldValues& values);
    // Inserts a row into the table and, when open, appends it to the result.
    qint64 append(const FieldValues& values);
    void deleteRow(int row);
    // Deletes the given rows (in that order) in a few transactions, each
    // committed after about 100 ms, calling `progress` with the count done
    // between them. A row that no longer matches ends it: the rows deleted
    // before it stay deleted and leave the result, and rowCannotBeLocated()
    // is thrown. The cursor ends on the row after the last one deleted.
    int deleteRows(const QList<int>& rows, const std::function<void(int done)>& progress = {});
    // Writes new values into the given rows, in that order, each row once:
    // `newValues(row)` gives the row's values, which are written as
    // updateRow() writes them — matched by the row's storage identity and
    // every fetched value — but in a few transactions, each committed after
    // about 100 ms, with `progress` told the count of rows walked after each
    // (the last report is the whole count). A row whose values would not
    // change is not written. The fetched copy takes the values as the table
    // now holds them, chunk by chunk as they are committed, so the rows shown
    // between chunks are never stale. An error, from `newValues` or from the
    // table (rowCannotBeLocated() for a row changed since), ends it there:
    // the rows before stay written, that row and the rest stay as they were,
    // the cursor goes to that row and the error is rethrown. Returns how many
    // rows were written.
    int changeRows(const QList<int>& rows, const std::function<FieldValues(int row)>& newValues,
                   const std::function<void(int done)>& progress = {});
    static QString rowCannotBeLocated();
    // The statement behind updateRow(): one row of `table`, by storage identity.
    static void updateById(Connection& connection, const QString& table, qint64 rowId, const FieldValues& values);
    // Writes the values into the row of `table` with that storage identity
    // only while it still holds every one of the `fetched` values (a copy of
    // the row taken when it was read); true when it did. For a copy kept
    // apart from any result, as the order editor keeps the order it loaded.
    static bool updateFetched(Connection& connection, const QString& table, qint64 rowId,
                              const FieldValues& fetched, const FieldValues& values);
    // Reads the row again from the table, when it is still there.
    void refreshRow(int row) { refetchRow(row, rowId(row)); }

    // The fetch and its views. The rows fetched by open(), and those added
    // to the fetch since, stay in memory whether the result shows them or
    // not, each once: a view shows some of them, in some order, and an edit
    // changes the one copy of a row whatever view shows it.

    // One term of a where clause tested on fetched values: the column holds
    // `contains`'s text (see LikeContains), or, without one, is not the empty
    // text (a null is neither).
    struct CellTest {
        int column;
        const LikeContains* contains = nullptr;
    };
    // The fetched rows still in the table, as far as this copy knows, that
    // pass every test, in storage-identity order: the rows and the order
    // "select * from <table> where <tests>" gives, without reading the file.
    // The tests are tried in turn, as the engine tries a where clause's terms,
    // so a pattern the engine refuses throws its error exactly when the
    // engine would.
    std::vector<int> fetchedRowsWhere(const std::vector<CellTest>& tests) const;
    // Shows those fetched rows, in that order, as the result of the statement
    // (which sql() and params() then give): one reset, the cursor on the
    // first row, any sort dropped.
    void showFetchedRows(std::vector<int> rows, const QString& sql, const QVariantList& params);
    // Reads a row of the table into the fetch without showing it, as when it
    // was added after the fetch (by its storage identity).
    void fetchRow(qint64 rowId);
    // Counts the fetches: open(), openForAppend() and close() each start a new one.
    quint64 fetchNumber() const { return m_fetchNumber; }

    // Catching up with the file without holding up the window: known() is
    // what the fetch holds, taken on the window's thread; readFresh() runs
    // the statement on another connection (on any thread) and keeps only what
    // the fetch lacks; takeFresh() brings the fetch and the view in line
    // with it, back on the window's thread.
    struct Known;
    struct Fresh;
    std::shared_ptr<const Known> known() const;
    // Throws DbError; stops early, returning nothing, once `stop` is set.
    static std::shared_ptr<Fresh> readFresh(Connection& connection, const QString& sql, const QVariantList& params,
                                            const Known& known, const std::atomic<bool>& stop);
    // The view becomes the fresh result in the engine's order, rows another
    // station changed take their new values, added rows join the fetch and
    // deleted ones leave it; a sort made since the view was set is made
    // again. The cursor stays on its order when that is still shown. Returns
    // false, doing nothing, when the dataset changed since known() (an edit,
    // another result) or the statement now gives other columns.
    bool takeFresh(const Fresh& fresh);

signals:
    void aboutToReset();
    void resetDone();
    // A sort: the same rows in another order.
    void aboutToReorder();
    void reordered();
    void aboutToRemoveRow(int row);
    void rowRemoved(int row);
    // A row's values are about to be replaced by what the table now holds.
    void aboutToChangeRow(int row);
    void rowChanged(int row);
    // The same for the rows of one chunk of changeRows().
    void aboutToChangeRows(const QList<int>& rows);
    void rowsChanged(const QList<int>& rows);
    void currentRowChanged(int row);
    // takeFresh() changed the view; the cursor's order was on `rowBefore`.
    void refreshed(int rowBefore);

private:
    struct Store;      // the fetched values
    struct RowWriter;  // changeRows()'s prepared update

    QString fetchSql() const;
    // "select * from t ..." as "select _rowid_ as _kx_rowid_, * from t ...".
    static QString selectWithRowId(const QString& sql);
    // Throws for a dataset that names no table to write to.
    void requireWritable() const;
    std::vector<int> sortedRows(int column, Qt::SortOrder order) const;
    QString matchClause(int row, QVariantList& params) const;
    QString matchPattern() const;
    QString rowUpdateSql(const FieldValues& values) const;
    // Whether the row's fetched value of the column equals the value.
    bool holds(int row, int column, const QVariant& value) const;
    struct FieldColumns;
    using Written = std::vector<std::pair<int, FieldValues>>;
    void takeWritten(const Written& written, FieldColumns& columns);
    static QString setList(const FieldValues& values, QVariantList& params);
    // Deletes exactly the fetched row from the table, or throws.
    void deleteFetched(int row);
    void removePhysicalRows(const std::vector<char>& gone, int lastGonePosition);
    void refetchRow(int row, qint64 rowId);
    // Puts the statement's current row into the row's fetched copy: column c
    // of the statement into field fieldOf[c] (-1: none).
    void storeRow(int row, const Statement& st, const std::vector<int>& fieldOf);
    // The rows' order changed (open, sort, append, delete): the lookup of a
    // row by its storage identity is built afresh when next needed.
    void forgetRowIndex();

    // Where each storage identity's row is, for rowOfId(): an edit of every
    // row of a large result looks each one up. Built on first use.
    struct RowIndex {
        std::vector<std::pair<qint64, int>> physicalOfId;  // sorted by identity
        std::vector<int> rowOfPhysical;                    // -1: not in the result
        bool built = false;
    };
    mutable RowIndex m_rowIndex;
    // The result's column of each column of the refetch statement (-1: none),
    // known once per result.
    std::vector<int> m_refetchColumns;
    // Per field: whether the column it comes from stores a text exactly as
    // given (text affinity), so that a written text can go straight into
    // the fetched copy. Known when the result is opened.
    std::vector<char> m_storesTextAsGiven;

    Connection& m_connection;
    QString m_table;
    QString m_sql;
    QVariantList m_params;
    quint64 m_fetchNumber = 0;
    quint64 m_version = 0;  // any change of the fetched values or of the view's rows
    int m_sortColumn = -1;  // the sort made since the view was set
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    bool m_open = false;
    bool m_eof = true;
    int m_current = -1;
    int m_rowCount = 0;
    QStringList m_fields;
    std::unique_ptr<Store> m_store;
    std::unique_ptr<Store> m_spare;  // the last result's memory, for the next one
};

}  // namespace kx
