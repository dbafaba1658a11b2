#pragma once

// Dataset's writer of fetched rows; only the dataset's own source files
// include it.

#include "data/Dataset.h"

#include <QStringEncoder>
#include <QStringList>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace kx {

// The update behind changeRows(): "update [t] set [x]=?,… where" the row's
// storage identity and every fetched value, as updateRow() matches it. It is
// prepared once for the fields written and bound straight from the fetched
// cells, texts through one scratch buffer: a clean-up writes every order of
// a large result, and a list of values made for each row would cost more
// than the engine's work.
struct Dataset::RowWriter {
    explicit RowWriter(Dataset& dataset);
    ~RowWriter();
    RowWriter(const RowWriter&) = delete;
    RowWriter& operator=(const RowWriter&) = delete;

    // Writes the values into the row as fetched; false when no row matched.
    // Throws DbError when the engine refuses the statement.
    bool write(int row, const FieldValues& values);

private:
    void prepare(const FieldValues& values);
    // Room for every text of the row in UTF-8, so that no bound text moves.
    void reserveText(int row, const FieldValues& values);
    void bindText(int p, QStringView text);
    void bindValue(int p, const QVariant& v);  // as Statement binds a value
    void bindCell(int p, size_t physical, int column);  // a fetched value

    Dataset& d;
    sqlite3* db;
    sqlite3_stmt* st = nullptr;
    QStringList names;  // the fields the statement sets
    std::vector<char> scratch;
    char* free = nullptr;
    QStringEncoder encoder{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
};

}  // namespace kx
