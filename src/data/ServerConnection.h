#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <exception>

struct pg_conn;

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

private:
    pg_conn* m_conn = nullptr;
};

}  // namespace kx
