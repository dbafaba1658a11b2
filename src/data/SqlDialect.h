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

    // A statement written the file's way ("?" values, "[x]" names, _rowid_,
    // Date(), ifnull(), quote(), LIKE, "x is ?") as this engine runs it; the file's text as it
    // stands. On the server: values become $1, $2, …; bracketed names are
    // quoted; the row identity is kx_row; Date() is today's date as given;
    // LIKE compares the operand's text with ASCII letters folded only, as on
    // the file, whatever the server's locale; "is ?" compares null-safely; a
    // "select *" of a table of orders names the table's columns, leaving out
    // the identity column; a fetch with the row identity and no order of its
    // own comes in the identity's order (the server has no stable order
    // without one); and an insert into a table with a counter or an identity
    // returns it, as the file's last insert rowid reports it.
    QString statementText(const QString& sql, const QString& today) const;

private:
    explicit SqlDialect(Engine engine) : m_engine(engine) {}
    Engine m_engine;
};

}  // namespace kx
