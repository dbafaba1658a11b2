#include "data/Statement.h"

#include "core/DbError.h"
#include "data/Connection.h"
#include "data/RawText.h"

#include "data/ServerConnection.h"

#include <QList>
#include <charconv>
#include <cstdlib>
#include <libpq-fe.h>
#include <limits>
#include <sqlite3.h>
#include <vector>

namespace kx {

Statement::Statement(sqlite3* db, const QString& sql, const QVariantList& params) : m_db(db)
{
    if (!db)
        throw DbError(QStringLiteral("Operation is not allowed when the object is closed"));
    prepare(sql.toUtf8(), nullptr);
    bind(params);
}

Statement::Statement(Connection& connection, const QString& sql, const QVariantList& params)
    : Statement(connection, sql, params, Fetch::Whole)
{
}

Statement::Statement(Connection& connection, const QString& sql, const QVariantList& params, Fetch fetch)
    : m_db(connection.handle()), m_sql(sql.toUtf8())
{
    if (connection.server()) {
        m_connection = &connection;
        m_server = connection.server();
        m_serverText = connection.serverText(sql);
        if (fetch == Fetch::InParts)
            openCursor(params);
        else
            runOnServer(params);
        return;
    }
    if (!m_db)
        throw DbError(QStringLiteral("Operation is not allowed when the object is closed"));
    m_stmt = connection.takePrepared(m_sql);
    if (!m_stmt) {
        const char* tail = nullptr;
        prepare(m_sql, &tail);
        // Only a single statement is kept: sqlite3_step() would silently
        // skip whatever follows the first one.
        if (tail && *tail == '\0')
            m_keeper = &connection;
    } else {
        m_keeper = &connection;
    }
    bind(params);
}

void Statement::prepare(const QByteArray& text, const char** tail)
{
    // Preparing reads the schema, which waits for another station's write
    // like any read; it changes nothing, so it may always be tried again.
    for (int attempt = 1;; ++attempt) {
        const int rc = sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &m_stmt, tail);
        if (rc == SQLITE_OK)
            return;
        if ((rc & 0xff) != SQLITE_BUSY || attempt >= busyAttempts)
            fail();
    }
}

void Statement::bind(const QVariantList& params)
{
    const int expected = sqlite3_bind_parameter_count(m_stmt);
    if (expected != params.size()) {
        // The destructor does not run for a constructor that throws.
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw DbError(QStringLiteral("Statement expects %1 values, %2 given").arg(expected).arg(params.size()));
    }
    for (int i = 0; i < params.size(); ++i) {
        const QVariant& v = params.at(i);
        int rc;
        if (v.isNull()) {
            rc = sqlite3_bind_null(m_stmt, i + 1);
        } else if (v.typeId() == qMetaTypeId<RawText>()) {
            const QByteArray& b = static_cast<const RawText*>(v.constData())->bytes;
            rc = sqlite3_bind_text(m_stmt, i + 1, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        } else {
            switch (v.typeId()) {
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::UInt:
            case QMetaType::ULongLong:
            case QMetaType::Bool:
                rc = sqlite3_bind_int64(m_stmt, i + 1, v.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rc = sqlite3_bind_double(m_stmt, i + 1, v.toDouble());
                break;
            case QMetaType::QByteArray: {
                const QByteArray b = v.toByteArray();
                rc = sqlite3_bind_blob(m_stmt, i + 1, b.constData(), int(b.size()), SQLITE_TRANSIENT);
                break;
            }
            case QMetaType::QString: {
                // The text itself, without a copy of the variant's string.
                const QByteArray s = static_cast<const QString*>(v.constData())->toUtf8();
                rc = sqlite3_bind_text(m_stmt, i + 1, s.constData(), int(s.size()), SQLITE_TRANSIENT);
                break;
            }
            default: {
                const QByteArray s = v.toString().toUtf8();
                rc = sqlite3_bind_text(m_stmt, i + 1, s.constData(), int(s.size()), SQLITE_TRANSIENT);
                break;
            }
            }
        }
        if (rc != SQLITE_OK)
            fail();
    }
}

namespace {

// Rows in each part of a fetch in parts: small enough that the first part
// comes soon, large enough that the trips to the server are few.
constexpr int partRows = 2048;

}  // namespace

void Statement::openCursor(const QVariantList& params)
{
    PQclear(m_result);
    m_result = nullptr;
    // A cursor lives inside a transaction: the caller's, or one of its own
    // that only reads and ends with the fetch.
    m_ownTransaction = !m_server->inTransaction();
    static int opened = 0;
    const QByteArray cursor = "kx_fetch" + QByteArray::number(++opened);
    try {
        if (m_ownTransaction)
            PQclear(m_server->run("begin", {}, {}));
        const QByteArray text = m_serverText;
        m_serverText = "declare " + cursor + " no scroll cursor for " + text;
        runOnServer(params);
        m_serverText = text;
        m_cursor = cursor;
        PQclear(m_result);
        m_result = m_server->run("fetch " + QByteArray::number(partRows) + " from " + m_cursor, {}, {});
        m_rows = PQntuples(m_result);
        m_row = -1;
        if (m_rows == partRows) {
            m_server->send("fetch " + QByteArray::number(partRows) + " from " + m_cursor);
            m_partAsked = true;
        }
    } catch (...) {
        closeCursor();
        throw;
    }
}

// The next part, asked for already; false when the fetch has ended.
bool Statement::nextPart()
{
    if (!m_partAsked) {
        closeCursor();
        return false;
    }
    m_partAsked = false;
    PQclear(m_result);
    m_result = nullptr;
    try {
        m_result = m_server->collect();
    } catch (...) {
        closeCursor();
        throw;
    }
    m_rows = PQntuples(m_result);
    m_row = -1;
    if (m_rows == partRows) {
        m_server->send("fetch " + QByteArray::number(partRows) + " from " + m_cursor);
        m_partAsked = true;
    }
    return m_rows > 0;
}

void Statement::closeCursor() noexcept
{
    try {
        if (m_partAsked) {
            m_partAsked = false;
            PQclear(m_server->collect());
        }
    } catch (...) {
    }
    try {
        if (!m_cursor.isEmpty() && !m_ownTransaction)
            PQclear(m_server->run("close " + m_cursor, {}, {}));
    } catch (...) {
    }
    try {
        if (m_ownTransaction)
            PQclear(m_server->run(m_cursor.isEmpty() ? "rollback" : "commit", {}, {}));
    } catch (...) {
    }
    m_cursor.clear();
    m_ownTransaction = false;
}

void Statement::runOnServer(const QVariantList& params)
{
    PQclear(m_result);
    m_result = nullptr;
    const ServerConnection::Values values(params);
    m_result = m_server->run(m_serverText, values.pointers, values.lengths);
    m_rows = PQntuples(m_result);
    m_row = -1;
    // An insert returns the number it gave its row (see
    // SqlDialect::statementText()), which the connection reports as the
    // file reports its last insert rowid. An update may return its row's
    // values, which are no identity.
    if (m_rows > 0 && PQnfields(m_result) == 1 && m_serverText.contains(" returning ") &&
        m_serverText.trimmed().left(6).toLower() == "insert")
        m_connection->setLastInsertRowId(QByteArray(PQgetvalue(m_result, 0, 0)).toLongLong());
}

void Statement::rebind(const QVariantList& params)
{
    if (m_server) {
        runOnServer(params);
        return;
    }
    if (!m_stmt)
        throw DbError(QStringLiteral("Operation is not allowed when the object is closed"));
    sqlite3_reset(m_stmt);
    m_gaveRows = false;
    bind(params);
}

Statement::~Statement()
{
    if (!m_cursor.isEmpty() || m_ownTransaction)
        closeCursor();
    PQclear(m_result);
    if (m_keeper && m_stmt)
        m_keeper->keepPrepared(m_sql, m_stmt);
    else
        sqlite3_finalize(m_stmt);
}

QString Statement::engineMessage(sqlite3* db)
{
    const QString engine = QString::fromUtf8(sqlite3_errmsg(db));
    // The two failures a user can act on are said in their words, the
    // engine's own text kept in brackets for whoever looks into it: a damaged
    // page is met only by the statement that reads it, long after the start,
    // and another station's write outlasts the busy wait.
    switch (sqlite3_extended_errcode(db) & 0xff) {
    case SQLITE_CORRUPT:
        return QStringLiteral("数据库文件已损坏（%1），请用备份恢复数据库。").arg(engine);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("另一台电脑正在写入数据库文件，请稍后再试（%1）。").arg(engine);
    default:
        return engine;
    }
}

void Statement::fail()
{
    const QString message = engineMessage(m_db);
    if (m_stmt) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
    throw DbError(message);
}

bool Statement::step()
{
    if (m_server) {
        if (++m_row < m_rows)
            return true;
        if (m_cursor.isEmpty())
            return false;
        // The part asked for before this one's rows were read.
        while (nextPart())
            if (++m_row < m_rows)
                return true;
        return false;
    }
    for (int attempt = 1;; ++attempt) {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW) {
            m_gaveRows = true;
            return true;
        }
        if (rc == SQLITE_DONE) {
            m_gaveRows = false;
            return false;
        }
        if (!mayRetryBusy(rc, attempt))
            fail();
        // The bound values stay; the busy handler has already waited the
        // connection's timeout, so the next attempt starts at once.
        sqlite3_reset(m_stmt);
    }
}

// The busy handler waits for another station's lock, but it gives up after
// the timeout (a long write, a reader that keeps the file while this
// station commits) and is not called at all where waiting could deadlock.
// Running the statement again is sound only where the failed attempt left
// nothing half done:
// - no row of it was handed out yet;
// - either the statement runs as its own transaction (autocommit: a single
//   write, a read, "begin immediate" itself), which the engine rolled back,
//   or it changes nothing: a read inside a transaction, or a "commit" that
//   found readers still on the file, which leaves the transaction open to
//   be committed again.
// A write inside a transaction is not retried: the transaction holds what
// it did so far, and a busy there means it cannot go on (a deferred
// transaction meeting another writer), so it fails and is rolled back.
bool Statement::mayRetryBusy(int rc, int attempt) const
{
    if ((rc & 0xff) != SQLITE_BUSY || attempt >= busyAttempts || m_gaveRows)
        return false;
    return sqlite3_get_autocommit(m_db) != 0 || sqlite3_stmt_readonly(m_stmt) != 0;
}

int Statement::columnCount() const
{
    return m_server ? PQnfields(m_result) : sqlite3_column_count(m_stmt);
}

QString Statement::columnName(int column) const
{
    return QString::fromUtf8(m_server ? PQfname(m_result, column) : sqlite3_column_name(m_stmt, column));
}

namespace {

// The server's type numbers (pg_type's oids) of the kinds the program reads.
enum ServerType : Oid {
    boolType = 16, byteaType = 17, int8Type = 20, int2Type = 21, int4Type = 23, textType = 25, oidType = 26,
    float4Type = 700, float8Type = 701, bpcharType = 1042, varcharType = 1043, numericType = 1700,
};

}  // namespace

Statement::Kind Statement::kind(int column) const
{
    if (m_server) {
        if (PQgetisnull(m_result, m_row, column))
            return Kind::Null;
        switch (PQftype(m_result, column)) {
        case boolType:
        case int8Type:
        case int2Type:
        case int4Type:
        case oidType:
            return Kind::Integer;
        case float4Type:
        case float8Type:
        case numericType:
            return Kind::Real;
        case byteaType:
            return Kind::Blob;
        default:
            return Kind::Text;
        }
    }
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_NULL:
        return Kind::Null;
    case SQLITE_INTEGER:
        return Kind::Integer;
    case SQLITE_FLOAT:
        return Kind::Real;
    case SQLITE_BLOB:
        return Kind::Blob;
    default:
        return Kind::Text;
    }
}

qint64 Statement::integer(int column) const
{
    if (!m_server)
        return sqlite3_column_int64(m_stmt, column);
    const char* text = PQgetvalue(m_result, m_row, column);
    if (PQftype(m_result, column) == boolType)
        return text[0] == 't' ? 1 : 0;
    return std::strtoll(text, nullptr, 10);
}

double Statement::real(int column) const
{
    if (!m_server)
        return sqlite3_column_double(m_stmt, column);
    // The server writes a double with every digit it needs ("Infinity" and
    // "NaN" as words), always with a point, whatever the locale.
    const char* text = PQgetvalue(m_result, m_row, column);
    double value = 0;
    const char* end = text + PQgetlength(m_result, m_row, column);
    if (std::from_chars(text, end, value).ec == std::errc())
        return value;
    const QByteArrayView word(text, end - text);
    if (word == "NaN")
        return std::numeric_limits<double>::quiet_NaN();
    if (word == "Infinity")
        return std::numeric_limits<double>::infinity();
    if (word == "-Infinity")
        return -std::numeric_limits<double>::infinity();
    return 0;
}

QByteArrayView Statement::text(int column) const
{
    if (m_server)
        return {PQgetvalue(m_result, m_row, column), PQgetlength(m_result, m_row, column)};
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    return {bytes, sqlite3_column_bytes(m_stmt, column)};
}

QByteArray Statement::blob(int column) const
{
    if (m_server) {
        size_t length = 0;
        unsigned char* bytes =
            PQunescapeBytea(reinterpret_cast<const unsigned char*>(PQgetvalue(m_result, m_row, column)), &length);
        const QByteArray copy(reinterpret_cast<const char*>(bytes), qsizetype(length));
        PQfreemem(bytes);
        return copy;
    }
    return QByteArray(static_cast<const char*>(sqlite3_column_blob(m_stmt, column)),
                      sqlite3_column_bytes(m_stmt, column));
}

// The file's rule for a column's declared type: a type naming INT holds
// numbers, one naming CHAR, CLOB or TEXT keeps a text as it was given. A
// result column that is no table column has no declared type. On the
// server a text column keeps every text as it is given.
bool Statement::keepsTextAsGiven(int column) const
{
    if (m_server) {
        const Oid type = PQftype(m_result, column);
        return type == textType || type == varcharType || type == bpcharType;
    }
    const char* declared = sqlite3_column_decltype(m_stmt, column);
    if (!declared)
        return false;
    const QByteArray type = QByteArray(declared).toUpper();
    return !type.contains("INT") && (type.contains("CHAR") || type.contains("CLOB") || type.contains("TEXT"));
}

int Statement::changes() const
{
    if (m_server)
        return std::atoi(PQcmdTuples(m_result));
    return sqlite3_changes(m_db);
}

QVariant Statement::value(int column) const
{
    if (m_server) {
        switch (kind(column)) {
        case Kind::Null:
            return QVariant();
        case Kind::Integer:
            return QVariant(qlonglong(integer(column)));
        case Kind::Real:
            return QVariant(real(column));
        case Kind::Blob:
            return QVariant(blob(column));
        case Kind::Text: {
            const QByteArrayView bytes = text(column);
            return QVariant(QString::fromUtf8(bytes.data(), bytes.size()));
        }
        }
    }
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_NULL:
        return QVariant();
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(m_stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, column));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(m_stmt, column)),
                                   sqlite3_column_bytes(m_stmt, column)));
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(m_stmt, column)));
    }
    }
}

}  // namespace kx
