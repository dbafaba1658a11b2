#include "data/Connection.h"

#include "core/DateText.h"
#include "core/DbError.h"
#include "core/OwnerOnly.h"
#include "data/ServerConnection.h"
#include "data/SqlDialect.h"
#include "data/Statement.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace kx {

namespace {

std::function<QString()>& todayProvider()
{
    static std::function<QString()> provider;
    return provider;
}

// Jet's Date(): the local date. SQLite's own date() with no argument is UTC,
// which is a different day for eight hours of every Chinese day.
void jetDate(sqlite3_context* ctx, int, sqlite3_value**)
{
    const QByteArray text = Connection::today().toUtf8();
    sqlite3_result_text(ctx, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

}  // namespace

void Connection::setTodayProvider(std::function<QString()> provider)
{
    todayProvider() = std::move(provider);
}

QString Connection::today()
{
    return todayProvider() ? todayProvider()() : dateText(QDate::currentDate());
}

const SqlDialect& Connection::dialect() const
{
    return m_server ? SqlDialect::server() : SqlDialect::file();
}

bool Connection::inTransaction() const
{
    if (m_server)
        return m_server->inTransaction();
    return m_db && sqlite3_get_autocommit(m_db) == 0;
}

QByteArray Connection::serverText(const QString& sql)
{
    const auto found = m_serverTexts.constFind(sql);
    if (found != m_serverTexts.constEnd())
        return *found;
    const QByteArray text = SqlDialect::server().statementText(sql, today()).toUtf8();
    // Date() is today's date written into the text, which changes at
    // midnight; such a text is turned anew each time.
    if (!sql.contains(QLatin1String("ate("), Qt::CaseInsensitive)) {
        if (m_serverTexts.size() >= 256)
            m_serverTexts.clear();
        m_serverTexts.insert(sql, text);
    }
    return text;
}

Connection::Connection() = default;

Connection::~Connection()
{
    close();
}

void Connection::open(const QString& path, const QByteArray& key)
{
    if (ServerConnection::isServerUri(path)) {
        close();
        m_server = std::make_unique<ServerConnection>(path);
        m_path = path;
        return;
    }
    if (!QFileInfo::exists(path))
        throw DbError(QStringLiteral("Could not find file '%1'.").arg(QFileInfo(path).absoluteFilePath()));
    // The engine would only say that it cannot open the file.
    if (QFileInfo(path).isDir())
        throw DbError(QStringLiteral("数据库文件 %1 是一个文件夹，不是数据库文件。")
                          .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())));
    openWith(path, key, SQLITE_OPEN_READWRITE);
}

void Connection::create(const QString& path, const QByteArray& key)
{
    if (QFileInfo::exists(path))
        throw DbError(QStringLiteral("File '%1' already exists.").arg(path));
    // Made empty and owner-only before the engine writes its first page.
    try {
        OwnerOnly::createFile(path);
    } catch (const OperationError& e) {
        throw DbError(e.message());
    }
    try {
        openWith(path, key, SQLITE_OPEN_READWRITE);
    } catch (...) {
        QFile::remove(path);
        throw;
    }
}

void Connection::openWith(const QString& path, const QByteArray& key, int flags)
{
    close();
    sqlite3* db = nullptr;
    const QByteArray name = path.toUtf8();
    if (sqlite3_open_v2(name.constData(), &db, flags, nullptr) != SQLITE_OK) {
        const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db))
                                   : QStringLiteral("out of memory");
        sqlite3_close(db);
        throw DbError(message);
    }
    m_db = db;
    m_path = path;
    // First of all: a station writing at this moment makes every statement
    // below wait its turn instead of failing with "database is locked".
    sqlite3_busy_timeout(db, 2000);
    try {
        if (sqlite3_key(db, key.constData(), int(key.size())) != SQLITE_OK)
            throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
        Statement check(db, QStringLiteral("select count(*) from sqlite_master"));
        check.step();
    } catch (...) {
        close();
        throw;
    }
    sqlite3_create_function(db, "date", 0, SQLITE_UTF8, nullptr, jetDate, nullptr, nullptr);
}

bool Connection::isWritable()
{
    // The server's own accounts decide; a refusal shows at the write.
    if (m_server)
        return true;
    if (!m_db)
        return false;
    if (sqlite3_db_readonly(m_db, "main") == 1)
        return false;
    // A write-protected file or a folder where the rollback journal cannot be
    // made only fails at the first write: write the header's user version
    // back unchanged inside a transaction that is rolled back.
    auto refused = [](int rc) {
        const int primary = rc & 0xff;
        return primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN || primary == SQLITE_IOERR ||
               primary == SQLITE_PERM || primary == SQLITE_AUTH;
    };
    int rc = sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        return !refused(rc);  // busy: another station is writing, which is no refusal
    int version = 0;
    {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db, "PRAGMA user_version", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            version = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
    }
    const QByteArray write = "PRAGMA user_version = " + QByteArray::number(version);
    rc = sqlite3_exec(m_db, write.constData(), nullptr, nullptr, nullptr);
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    return !refused(rc);
}

void Connection::close()
{
    m_server.reset();
    m_serverTexts.clear();
    finalizeKept();
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

int Connection::exec(const QString& sql, const QVariantList& params)
{
    Statement st(*this, sql, params);
    while (st.step()) {
    }
    return st.changes();
}

sqlite3_stmt* Connection::takePrepared(const QByteArray& sql)
{
    return m_kept.take(sql);
}

void Connection::keepPrepared(const QByteArray& sql, sqlite3_stmt* st)
{
    // A statement prepared on a connection since closed, or one kept
    // meanwhile by a nested use of the same text, is not kept.
    if (!m_db || sqlite3_db_handle(st) != m_db || m_kept.contains(sql)) {
        sqlite3_finalize(st);
        return;
    }
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    // The texts a program runs repeatedly are few; a program that builds
    // many different ones starts the keeping afresh now and then.
    constexpr int keptAtMost = 64;
    if (m_kept.size() >= keptAtMost)
        finalizeKept();
    m_kept.insert(sql, st);
}

void Connection::finalizeKept()
{
    for (sqlite3_stmt* st : std::as_const(m_kept))
        sqlite3_finalize(st);
    m_kept.clear();
}

void Connection::execScript(const QString& sql)
{
    if (m_server) {
        m_server->execScript(SqlDialect::server().statementText(sql, today()));
        return;
    }
    if (!m_db)
        throw DbError(QStringLiteral("Operation is not allowed when the object is closed"));
    char* err = nullptr;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const QString message = QString::fromUtf8(err ? err : sqlite3_errmsg(m_db));
        sqlite3_free(err);
        throw DbError(message);
    }
}

qint64 Connection::lastInsertRowId() const
{
    if (m_server)
        return m_lastInsertRowId;
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

}  // namespace kx
