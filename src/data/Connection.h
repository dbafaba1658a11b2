#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVariantList>
#include <functional>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace kx {

class ServerConnection;
class SqlDialect;

// The one connection to the register: the encrypted database file, or a
// database server named by a connection URI ("postgresql://…"). Opening a
// file checks the key at once with a real statement (a wrong key would
// otherwise only fail at the first query) and registers the Jet functions
// the statements use. The statements are written once, the file's way; on
// a server each is turned into the server's text (SqlDialect).
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens an existing file read-write; never creates one. A connection
    // URI opens the register on that server (the key is the file's only).
    // Throws DbError, or OperationError when a server cannot be reached.
    void open(const QString& path, const QByteArray& key);
    // Creates a new file (refusing an existing one) encrypted with the key,
    // readable by its owner only (see OwnerOnly).
    void create(const QString& path, const QByteArray& key);
    void close();
    // Whether a write would be accepted: false for a write-protected file or
    // one whose folder refuses the journal; another station writing at the
    // moment does not count as a refusal.
    bool isWritable();
    bool isOpen() const { return m_db != nullptr || m_server != nullptr; }
    // The file's engine handle; null for a server register.
    sqlite3* handle() const { return m_db; }
    // The server connection; null for a file.
    ServerConnection* server() const { return m_server.get(); }
    const SqlDialect& dialect() const;
    // The file's path or the server's URI, as opened.
    QString path() const { return m_path; }
    // Whether a transaction is open.
    bool inTransaction() const;

    // Runs a statement that returns no rows. The prepared statement is kept
    // for the next call with the same text: an edit of many orders runs the
    // same update once per order, and preparing it costs more than running it.
    // Returns how many rows it changed.
    int exec(const QString& sql, const QVariantList& params = {});
    // Runs several statements in one text (schema scripts); no parameters.
    void execScript(const QString& sql);
    qint64 lastInsertRowId() const;
    void setLastInsertRowId(qint64 id) { m_lastInsertRowId = id; }
    // A statement's text as the server runs it, turned once per text.
    QByteArray serverText(const QString& sql);

    // The local date that Date() returns; tests may pin it.
    static void setTodayProvider(std::function<QString()> provider);
    static QString today();

    // The statement kept for this text, taken out of the keeping (so that a
    // nested use of the same text prepares its own), or null when none is
    // kept; see Statement's reusing constructor.
    sqlite3_stmt* takePrepared(const QByteArray& sql);
    // Keeps a statement that ran to its end or was abandoned for the next
    // use of its text; it is reset first.
    void keepPrepared(const QByteArray& sql, sqlite3_stmt* st);

private:
    void finalizeKept();
    void openWith(const QString& path, const QByteArray& key, int flags);
    sqlite3* m_db = nullptr;
    std::unique_ptr<ServerConnection> m_server;
    QHash<QString, QByteArray> m_serverTexts;
    qint64 m_lastInsertRowId = 0;
    QString m_path;
    QHash<QByteArray, sqlite3_stmt*> m_kept;
};

}  // namespace kx
