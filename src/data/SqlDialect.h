#pragma once

#include <QString>

namespace kx {

// What a column holds, as the schema describes it for either engine.
enum class ColumnType {
    Text,
    Real,
    Integer,
    Counter,  // numbered by the engine as rows are added (the journal's id, the ledger's ID)
};

// The statement text that the register's two engines write differently: the
// encrypted file (SQLite) and a database server (PostgreSQL). Everything else
// is written once, in the part of SQL both understand.
class SqlDialect {
public:
    enum class Engine { File, Server };

    static const SqlDialect& file();
    static const SqlDialect& server();

    Engine engine() const { return m_engine; }

    // A column name as a statement names it.
    QString quote(const QString& column) const;
    // A column in CREATE TABLE: its quoted name and its type.
    QString columnDefinition(const QString& column, ColumnType type) const;
    // The column a table of orders gets for its row identity, where the file
    // has its own rowid; empty on the file.
    QString rowIdentityDefinition() const;
    // The name of that column on the server.
    static QString rowIdentityColumn() { return QStringLiteral("kx_row"); }
    // The value placeholders of a statement with `count` values: "?,?,?" on
    // the file, "$1,$2,$3" on the server.
    QString parameters(int count) const;

private:
    explicit SqlDialect(Engine engine) : m_engine(engine) {}
    Engine m_engine;
};

}  // namespace kx
