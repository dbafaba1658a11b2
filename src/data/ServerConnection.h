#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <vector>

#include <exception>

struct pg_conn;
struct pg_result;

namespace kx {

// One connection to a register on a database server (PostgreSQL), named by a
// libpq connection URI ("postgresql://user@host:port/dbname?…"). Values go to
// the server as statement parameters ($1, $2, …), never inside the text.
// Closing the connection ends a transaction left open, undoing it.
class ServerConnection {
public:
    // Throws OperationError when the server cannot be reached or refuses.
    // A password typed by the user goes to libpq as a setting of its own,
    // never into the URI, which may be shown or saved.
    explicit ServerConnection(const QString& uri, const QString& password = QString());

    // The password typed at the start for this run, used by every later
    // connection that is given none (the data module's own, the search's,
    // the one after a restore). Kept in memory only: never in a URI, a
    // setting, a file or the environment, which programs the program
    // starts would inherit.
    static void setSessionPassword(const QString& password);
    ~ServerConnection();
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    // Whether the text names a register on a server rather than a file.
    static bool isServerUri(const QString& text);
    // Whether a failure of the constructor was only for want of a password
    // (none in the call, the URI or ~/.pgpass): the user may be asked for one.
    static bool needsPassword(const std::exception& failure);

    // Runs one statement; a null value goes as NULL. Throws DbError.
    void exec(const QString& sql, const QVariantList& params = {});
    // Runs statements without values, separated by ";".
    void execScript(const QString& sql);
    // The first column of each row the statement returns, as text.
    QStringList column(const QString& sql, const QVariantList& params = {});

    // The database's name, for messages (the URI may hold a password).
    QString databaseName() const;

    // Runs a statement written for the server with the values as text (a
    // null pointer for NULL) and hands over its result. A statement the
    // program runs again and again is prepared once: the server plans it once
    // and only the values travel. A statement that meets another station's
    // transaction in a deadlock or a serialization failure is run again when
    // it is a transaction of its own; inside a longer transaction the whole
    // transaction has failed, and the caller's rollback follows. Throws
    // DbError with the reason as the user is shown it.
    pg_result* run(const QByteArray& text, const std::vector<const char*>& values, const std::vector<int>& lengths);
    // A value as the text the server reads for it.
    static QByteArray valueText(const QVariant& v);
    // Statement values as libpq takes them: each one's text (a null pointer
    // for NULL) and its length, valid while the object lives.
    struct Values {
        explicit Values(const QVariantList& params);
        QList<QByteArray> texts;
        std::vector<const char*> pointers;
        std::vector<int> lengths;
    };
    // Sends a statement without values and returns at once; collect() waits
    // for its result. The server works on it while the caller goes on.
    void send(const QByteArray& text);
    pg_result* collect();
    // Whether a transaction is open on the connection.
    bool inTransaction() const;
    // Whether the last statement run failed meeting another station's
    // transaction (a deadlock, a serialization failure): the transaction
    // it ended may be rolled back and run again as a whole.
    bool lastFailureWasConflict() const { return m_lastFailureWasConflict; }

    // The message shown for the failed result (or the connection's failure
    // when there is none): another station's lock and a lost connection said
    // in the user's words, the server's text in brackets.
    static QString failureMessage(pg_conn* conn, const pg_result* result);

private:
    QByteArray preparedName(const QByteArray& text, int values);

    pg_conn* m_conn = nullptr;
    QHash<QByteArray, QByteArray> m_prepared;  // statement text -> prepared name
    int m_preparedCount = 0;
    bool m_lastFailureWasConflict = false;

public:
    // The client library's connection, for the bulk copies of a whole
    // register (COPY) that go past the statements above.
    pg_conn* handle() const { return m_conn; }
};

}  // namespace kx
