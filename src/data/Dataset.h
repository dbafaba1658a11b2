#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <string>
#include <utility>
#include <vector>

namespace kx {

class Connection;

using FieldValues = std::vector<std::pair<QString, QVariant>>;

// A client-side static cursor: open() fetches the whole result into memory,
// together with each row's storage identity (rowid) when the dataset writes
// through to a table. The row count is exact, sorting happens on the fetched
// rows, and a null stays distinct from an empty text.
class Dataset : public QObject {
    Q_OBJECT
public:
    // `table` names the table that edits, appends and deletes write to; empty
    // for a read-only dataset.
    Dataset(Connection& connection, const QString& name, const QString& sql,
            const QString& table = QString(), QObject* parent = nullptr);

    Connection& connection() const { return m_connection; }
    const QString& table() const { return m_table; }

    // The statement and the values bound to its `?` placeholders.
    void setSql(const QString& sql, const QVariantList& params = {});
    const QString& sql() const { return m_sql; }
    const QVariantList& params() const { return m_params; }

    void open();
    void close();
    bool isOpen() const { return m_open; }
    // Runs the statement as a command that returns no rows; stays closed.
    void execSql();

    int rowCount() const { return m_rowCount; }
    int fieldCount() const { return int(m_fields.size()); }
    const QStringList& fieldNames() const { return m_fields; }
    int fieldIndex(const QString& name) const;  // -1 when missing
    const QVariant& value(int row, int column) const
    {
        QVariant& cell = m_cells[size_t(row) * m_fields.size() + column];
        if (cell.metaType().iface() == QMetaType::fromType<PendingText>().iface())
            decode(cell);
        return cell;
    }
    qint64 rowId(int row) const { return m_rowIds[size_t(row)]; }
    int rowOfId(qint64 rowId) const;  // -1 when not in the result

    // The current row's value of a field; throws DbError for an unknown field
    // and when there is no current row (empty or closed result).
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

    // Write-through edits, addressed by storage identity.
    void updateRow(int row, const FieldValues& values);
    // Inserts a row into the table and, when open, appends it to the result.
    qint64 append(const FieldValues& values);
    void deleteRow(int row);

signals:
    void aboutToReset();
    void resetDone();
    void aboutToRemoveRow(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    void currentRowChanged(int row);

private:
    // A fetched text cell that has not been read yet: its UTF-8 bytes in
    // m_text. A large result is ready as soon as the engine has delivered
    // it, and only the cells that are read (the grid's visible rows, the
    // column being sorted) are turned into QString.
    struct PendingText {
        size_t offset;
        size_t size;
    };
    void decode(QVariant& cell) const;

    QString fetchSql() const;
    void refetchRow(int row, qint64 rowId);

    Connection& m_connection;
    QString m_table;
    QString m_sql;
    QVariantList m_params;
    bool m_open = false;
    bool m_eof = true;
    int m_current = -1;
    int m_rowCount = 0;
    QStringList m_fields;
    mutable std::vector<QVariant> m_cells;
    std::string m_text;
    std::vector<qint64> m_rowIds;
    size_t m_sizeHint = 0;       // rows of the last fetch
    size_t m_textHint = 0;       // text bytes of the last fetch
};

}  // namespace kx
