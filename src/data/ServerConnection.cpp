#include "data/ServerConnection.h"

#include "core/DbError.h"
#include "core/OperationError.h"

#include <QByteArray>
#include <QList>
#include <QLocale>
#include <QStringList>

#include <libpq-fe.h>

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

// A value as the text the server reads for it; a double with every digit
// it needs to come back as the same double.
QByteArray parameterText(const QVariant& v)
{
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

Result run(PGconn* conn, const QString& sql, const QVariantList& params)
{
    QList<QByteArray> texts;
    texts.reserve(params.size());
    std::vector<const char*> values;
    for (const QVariant& v : params) {
        if (v.isNull()) {
            texts.append(QByteArray());
            values.push_back(nullptr);
        } else {
            texts.append(parameterText(v));
            values.push_back(texts.last().constData());
        }
    }
    const QByteArray text = sql.toUtf8();
    Result r(PQexecParams(conn, text.constData(), int(values.size()), nullptr, values.data(), nullptr, nullptr, 0));
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

ServerConnection::ServerConnection(const QString& uri, const QString& password)
{
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
    run(m_conn, sql, params);
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
    const Result r = run(m_conn, sql, params);
    QStringList list;
    for (int row = 0; row < PQntuples(r.get()); ++row)
        list << QString::fromUtf8(PQgetvalue(r.get(), row, 0));
    return list;
}

QString ServerConnection::databaseName() const
{
    return QString::fromUtf8(PQdb(m_conn));
}

}  // namespace kx
