#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

#include <QByteArrayView>

struct sqlite3;
struct sqlite3_stmt;
struct pg_result;

namespace kx {

class Connection;
class ServerConnection;

// One prepared statement with its bound values. Throws DbError with the
// engine's message (see engineMessage()) when preparing, binding or stepping
// fails.
class Statement {
public:
    Statement(sqlite3* db, const QString& sql, const QVariantList& params = {});
    // The same on either engine, reusing the connection's prepared statement
    // for the text when it keeps one, and handing it back to be kept when
    // done. The text is written the file's way; see SqlDialect::statementText().
    Statement(Connection& connection, const QString& sql, const QVariantList& params = {});
    // A fetch of a whole table's worth of rows (the grid's). On the server
    // it comes in parts through a cursor, the next part asked for before
    // the rows of this one are read: the server makes it meanwhile. On the
    // file it is the statement above. Nothing else may run on the
    // connection until the statement has stepped to its end or is gone.
    enum class Fetch { Whole, InParts };
    Statement(Connection& connection, const QString& sql, const QVariantList& params, Fetch fetch);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Steps once; true while a row is available. Another station's lock
    // that outlasts the connection's busy timeout is waited out again, a few
    // times at most, where running the statement again is sound (see
    // mayRetryBusy()); past that the engine's "database is locked" is thrown.
    bool step();
    // How many times a statement meets the busy timeout before it gives up.
    static constexpr int busyAttempts = 5;
    // Resets the statement and binds new values, to run it again without
    // preparing it again: an import runs one insert per order.
    void rebind(const QVariantList& params);
    int columnCount() const;
    QString columnName(int column) const;
    QVariant value(int column) const;
    // A file statement's own handle; null on the server.
    sqlite3_stmt* handle() const { return m_stmt; }

    // The current row's value in a column, read without a variant: what
    // kind it is, and the value of that kind. A text's bytes are UTF-8 as
    // stored and stay valid until the next step.
    enum class Kind { Null, Integer, Real, Text, Blob };
    Kind kind(int column) const;
    qint64 integer(int column) const;
    double real(int column) const;
    QByteArrayView text(int column) const;
    QByteArray blob(int column) const;
    // Whether the column, as the table declares it, keeps a text exactly as
    // it is given (no number made of it).
    bool keepsTextAsGiven(int column) const;
    // How many rows the statement changed once it ran.
    int changes() const;

    // The message of the connection's last failure as the user is shown it:
    // the engine's, said in Chinese for a damaged file and for a write of
    // another station that outlasted the wait.
    static QString engineMessage(sqlite3* db);

private:
    void bind(const QVariantList& params);
    void prepare(const QByteArray& text, const char** tail);
    bool mayRetryBusy(int rc, int attempt) const;
    [[noreturn]] void fail();
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
    Connection* m_keeper = nullptr;  // set when the statement is to be kept
    QByteArray m_sql;                // its text, the keeping's key
    bool m_gaveRows = false;         // a row came since the last (re)start

    // On the server: the statement's text as the server takes it, and the
    // whole result of its last run, walked row by row.
    void runOnServer(const QVariantList& params);
    void openCursor(const QVariantList& params);
    bool nextPart();
    void closeCursor() noexcept;
    QByteArray m_cursor;          // the cursor of a fetch in parts, while open
    bool m_partAsked = false;     // the next part is asked for
    bool m_ownTransaction = false;
    Connection* m_connection = nullptr;
    ServerConnection* m_server = nullptr;
    QByteArray m_serverText;
    pg_result* m_result = nullptr;
    int m_row = -1;
    int m_rows = 0;

};

}  // namespace kx
