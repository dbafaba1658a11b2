#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A PostgreSQL server of the test's own: a new cluster in a temporary folder,
// listening on a Unix socket there and on a free loopback port, stopped and
// removed again by the destructor. Never the machine's own cluster.
//
// Run as root, the server runs as "nobody" (the server refuses root); the
// test connects through the socket as the cluster's superuser, trusted.
class PgTestServer {
public:
    PgTestServer() = default;
    ~PgTestServer();
    PgTestServer(const PgTestServer&) = delete;
    PgTestServer& operator=(const PgTestServer&) = delete;

    // The folder of the server's programs (initdb, pg_ctl, psql), or empty
    // when they are not installed.
    static QString binDir();

    // Makes the cluster and starts the server; false with error() on failure.
    bool start();
    QString error() const { return m_error; }

    // Makes a new, empty database and gives its libpq URI
    // ("postgresql:///NAME?host=SOCKETDIR&port=PORT&user=…"); empty on failure.
    QString createDatabase(const QString& name);
    QString uri(const QString& database) const;
    QString socketDir() const { return m_dir.path(); }
    int port() const { return m_port; }

    // Runs psql, the server's own client, over the database: unaligned rows,
    // fields separated by "|", no headers. False (with error()) when psql
    // fails or a statement does.
    bool psql(const QString& database, const QString& sql, QString* output = nullptr);

private:
    bool run(const QString& program, const QStringList& args, bool asServerUser, QString* output = nullptr);

    QTemporaryDir m_dir{QStringLiteral("/tmp/kxpg-XXXXXX")};
    int m_port = 0;
    bool m_started = false;
    QString m_error;
};
