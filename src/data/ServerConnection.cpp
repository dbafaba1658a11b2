#include "data/ServerConnection.h"

#include "core/DbError.h"
#include "core/OperationError.h"
#include "data/RawText.h"

#include <QByteArray>
#include <QList>
#include <QLocale>
#include <QStringList>

#include <libpq-fe.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace kx {

namespace {

QString lastError(PGconn* conn)
{
    return QString::fromUtf8(PQerrorMessage(conn)).simplified();
}

struct ResultDeleter {
    void operator()(PGresult* r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

}  // namespace

// A double goes with every digit it needs to come back as the same double;
// a text kept as its bytes goes as those bytes.
QByteArray ServerConnection::valueText(const QVariant& v)
{
    if (v.typeId() == qMetaTypeId<RawText>())
        return static_cast<const RawText*>(v.constData())->bytes;
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return QByteArray::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::Bool:
        return v.toBool() ? "1" : "0";
    default:
        return v.toString().toUtf8();
    }
}

ServerConnection::Values::Values(const QVariantList& params)
{
    texts.reserve(params.size());
    pointers.reserve(size_t(params.size()));
    lengths.reserve(size_t(params.size()));
    for (const QVariant& v : params) {
        texts.append(v.isNull() ? QByteArray() : valueText(v));
        pointers.push_back(v.isNull() ? nullptr : texts.last().constData());
        lengths.push_back(int(texts.last().size()));
    }
}

namespace {

Result runText(PGconn* conn, const QString& sql, const QVariantList& params)
{
    const ServerConnection::Values values(params);
    const QByteArray text = sql.toUtf8();
    Result r(PQexecParams(conn, text.constData(), int(values.pointers.size()), nullptr, values.pointers.data(),
                          nullptr, nullptr, 0));
    const ExecStatusType status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        throw DbError(lastError(conn));
    return r;
}

// The server asked for a password that nobody gave.
class PasswordNeeded : public OperationError {
public:
    using OperationError::OperationError;
};

}  // namespace

namespace {

QString& sessionPassword()
{
    static QString password;
    return password;
}

}  // namespace

void ServerConnection::setSessionPassword(const QString& password)
{
    sessionPassword() = password;
}

ServerConnection::ServerConnection(const QString& uri, const QString& given)
{
    const QString password = given.isEmpty() ? sessionPassword() : given;
    const QByteArray dbname = uri.toUtf8();
    QByteArray passwordText = password.toUtf8();
    // The URI's own settings come after these and take their place: a shop
    // can set its own timeout, and an unreachable server does not hang forever.
    // A password given here comes last and wins over one in the URI.
    const char* keywords[] = {"connect_timeout", "fallback_application_name", "dbname",
                              password.isEmpty() ? nullptr : "password", nullptr};
    const char* values[] = {"10", "kestrix", dbname.constData(), passwordText.constData(), nullptr};
    m_conn = PQconnectdbParams(keywords, values, 1);
    passwordText.fill('\0');
    if (!m_conn)
        throw OperationError(QStringLiteral("Cannot connect to the database server: out of memory"));
    if (PQstatus(m_conn) != CONNECTION_OK) {
        const QString message = QStringLiteral("Cannot connect to the database server: %1").arg(lastError(m_conn));
        const bool passwordNeeded = PQconnectionNeedsPassword(m_conn);
        PQfinish(m_conn);
        m_conn = nullptr;
        if (passwordNeeded)
            throw PasswordNeeded(message);
        throw OperationError(message);
    }
    if (PQsetClientEncoding(m_conn, "UTF8") != 0) {
        PQfinish(m_conn);
        m_conn = nullptr;
        throw OperationError(QStringLiteral("The database server does not take UTF-8 text."));
    }
}

ServerConnection::~ServerConnection()
{
    if (m_conn)
        PQfinish(m_conn);
}

bool ServerConnection::isServerUri(const QString& text)
{
    return text.startsWith(QLatin1String("postgresql://")) || text.startsWith(QLatin1String("postgres://"));
}

bool ServerConnection::needsPassword(const std::exception& failure)
{
    return dynamic_cast<const PasswordNeeded*>(&failure) != nullptr;
}

void ServerConnection::exec(const QString& sql, const QVariantList& params)
{
    runText(m_conn, sql, params);
}

void ServerConnection::execScript(const QString& sql)
{
    const QByteArray text = sql.toUtf8();
    Result r(PQexec(m_conn, text.constData()));
    if (!r || PQresultStatus(r.get()) != PGRES_COMMAND_OK)
        throw DbError(lastError(m_conn));
}

QStringList ServerConnection::column(const QString& sql, const QVariantList& params)
{
    const Result r = runText(m_conn, sql, params);
    QStringList list;
    for (int row = 0; row < PQntuples(r.get()); ++row)
        list << QString::fromUtf8(PQgetvalue(r.get(), row, 0));
    return list;
}

QString ServerConnection::databaseName() const
{
    return QString::fromUtf8(PQdb(m_conn));
}

void ServerConnection::send(const QByteArray& text)
{
    if (!PQsendQuery(m_conn, text.constData()))
        throw DbError(failureMessage(m_conn, nullptr));
}

PGresult* ServerConnection::collect()
{
    // Every result of the statement is taken, so that the connection is
    // free for the next; the first failure is the one reported.
    Result kept;
    Result failed;
    while (PGresult* r = PQgetResult(m_conn)) {
        const ExecStatusType status = PQresultStatus(r);
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
            if (!kept)
                kept.reset(r);
            else
                PQclear(r);
        } else if (!failed) {
            failed.reset(r);
        } else {
            PQclear(r);
        }
    }
    if (failed || !kept)
        throw DbError(failureMessage(m_conn, failed.get()));
    return kept.release();
}

bool ServerConnection::inTransaction() const
{
    return PQtransactionStatus(m_conn) != PQTRANS_IDLE;
}

QString ServerConnection::failureMessage(PGconn* conn, const PGresult* result)
{
    const QString server =
        QString::fromUtf8(result ? PQresultErrorMessage(result) : PQerrorMessage(conn)).simplified();
    if (PQstatus(conn) != CONNECTION_OK)
        return QStringLiteral("与数据库服务器的连接已断开，请检查网络和服务器后重新启动程序（%1）。").arg(server);
    const QByteArray state = result ? QByteArray(PQresultErrorField(result, PG_DIAG_SQLSTATE)) : QByteArray();
    // Serialization failures and deadlocks (class 40) and a lock not to be
    // had (55P03) are another station's work meeting this one's.
    if (state.startsWith("40") || state == "55P03")
        return QStringLiteral("另一台电脑正在写入数据库，请稍后再试（%1）。").arg(server);
    return server;
}

QByteArray ServerConnection::preparedName(const QByteArray& text, int values)
{
    const auto found = m_prepared.constFind(text);
    if (found != m_prepared.constEnd())
        return *found;
    // A program that builds many different texts starts the keeping afresh
    // now and then; the server keeps each prepared statement until then.
    constexpr int keptAtMost = 200;
    if (m_prepared.size() >= keptAtMost && !inTransaction()) {
        Result(PQexec(m_conn, "DEALLOCATE ALL"));
        m_prepared.clear();
    }
    const QByteArray name = "kx" + QByteArray::number(++m_preparedCount);
    Result r(PQprepare(m_conn, name.constData(), text.constData(), values, nullptr));
    if (!r || PQresultStatus(r.get()) != PGRES_COMMAND_OK)
        throw DbError(failureMessage(m_conn, r.get()));
    m_prepared.insert(text, name);
    return name;
}

PGresult* ServerConnection::run(const QByteArray& text, const std::vector<const char*>& values,
                                const std::vector<int>& lengths)
{
    // Statements that change no rows (begin, commit, set …) are not
    // prepared: the server prepares only what reads or writes rows.
    static const QList<QByteArray> preparable{"select", "insert", "update", "delete", "with", "values"};
    const QByteArray first = text.trimmed().left(6).toLower();
    const bool prepare = std::any_of(preparable.begin(), preparable.end(),
                                     [&](const QByteArray& word) { return first.startsWith(word); });
    const bool ownTransaction = !inTransaction();
    m_lastFailureWasConflict = false;
    constexpr int attempts = 5;
    for (int attempt = 1;; ++attempt) {
        Result r;
        if (prepare) {
            const QByteArray name = preparedName(text, int(values.size()));
            r.reset(PQexecPrepared(m_conn, name.constData(), int(values.size()), values.data(), lengths.data(),
                                   nullptr, 0));
        } else {
            r.reset(PQexecParams(m_conn, text.constData(), int(values.size()), nullptr, values.data(),
                                 lengths.data(), nullptr, 0));
        }
        const ExecStatusType status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
            // The server ends a transaction in which a statement failed with
            // a rollback, even when asked to commit it, and says so only in
            // the command's tag. The file keeps what such a transaction wrote
            // before its failure; here it is gone, and the caller must know.
            if (qstrcmp(PQcmdStatus(r.get()), "ROLLBACK") == 0 && first.startsWith("commit"))
                throw DbError(QStringLiteral("The transaction was rolled back: a statement in it had failed."));
            return r.release();
        }
        const QByteArray state = r ? QByteArray(PQresultErrorField(r.get(), PG_DIAG_SQLSTATE)) : QByteArray();
        m_lastFailureWasConflict = state == "40001" || state == "40P01";
        const bool retry = ownTransaction && attempt < attempts && m_lastFailureWasConflict;
        if (!retry)
            throw DbError(failureMessage(m_conn, r.get()));
    }
}

}  // namespace kx
