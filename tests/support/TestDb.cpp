#include "TestDb.h"

#include "PgTestServer.h"
#include "data/Connection.h"
#include "data/Database.h"
#include "data/DatabaseFactory.h"
#include "data/PasswordHash.h"
#include "data/Schema.h"
#include "data/SqlDialect.h"
#include "data/Statement.h"

#include <QDir>
#include <QProcess>
#include <QVariantMap>
#include <stdexcept>

namespace kx::test {

TestDb::TestDb(bool demo) : m_previous(QDir::currentPath())
{
    if (!m_dir.isValid())
        throw std::runtime_error("no temporary directory");
    QDir::setCurrent(m_dir.path());
    // At the program's cost each hash takes a quarter second on a busy test
    // machine, and the tests make and check hundreds of them; what they test
    // does not depend on the cost. The child programs keep the program's.
    PasswordHash::setCost(PasswordHash::Cost::Lightest);
    if (onServer()) {
        static std::unique_ptr<PgTestServer> server;
        static int made = 0;
        if (!server) {
            server = std::make_unique<PgTestServer>();
            if (!server->start())
                throw std::runtime_error(qPrintable(server->error()));
        }
        m_uri = server->createDatabase(QStringLiteral("register%1").arg(++made));
        if (m_uri.isEmpty())
            throw std::runtime_error(qPrintable(server->error()));
        createServerRegister(m_uri, demo);
        Database::setDefaultRegister(m_uri);
    } else {
        createDatabase(path(), demo);
    }
    // The tests make the sender profile they need; a plain new file's empty
    // one would stand in their way.
    if (!demo)
        exec(QStringLiteral("delete from post"));
}

TestDb::~TestDb()
{
    // Before the temporary directory goes.
    closeConnection();
    if (!m_uri.isEmpty())
        Database::setDefaultRegister(QString());
    QDir::setCurrent(m_previous);
}

bool TestDb::onServer()
{
    return qgetenv("KX_TEST_ENGINE") == "server";
}

Connection& TestDb::connection() const
{
    if (!m_connection) {
        auto c = std::make_unique<Connection>();
        c->open(path(), schema::databaseKey);
        m_connection = std::move(c);
    }
    return *m_connection;
}

void TestDb::closeConnection() const
{
    m_connection.reset();
}

QString TestDb::path() const
{
    if (!m_uri.isEmpty())
        return m_uri;
    return m_dir.filePath(schema::databaseFile);
}

void TestDb::exec(const QString& sql, const QVariantList& params) const
{
    connection().exec(sql, params);
}

QVariant TestDb::scalar(const QString& sql, const QVariantList& params) const
{
    Statement st(connection(), sql, params);
    return st.step() ? st.value(0) : QVariant();
}

void TestDb::addOrder(const QVariantMap& columns) const
{
    QStringList names, marks;
    QVariantList values;
    for (auto it = columns.begin(); it != columns.end(); ++it) {
        names << QLatin1Char('[') + it.key() + QLatin1Char(']');
        marks << QStringLiteral("?");
        values << it.value();
    }
    exec(QStringLiteral("insert into data (%1) values (%2)").arg(names.join(u','), marks.join(u',')), values);
}

QStringList TestDb::cli(const QString& sql) const
{
    if (!m_uri.isEmpty()) {
        // The server's own client, over the statement as the server takes it.
        QProcess psql;
        psql.start(PgTestServer::binDir() + QStringLiteral("/psql"),
                   {QStringLiteral("-X"), QStringLiteral("-A"), QStringLiteral("-t"), QStringLiteral("-q"),
                    QStringLiteral("-d"), m_uri, QStringLiteral("-c"),
                    SqlDialect::server().statementText(sql, Connection::today())});
        psql.waitForFinished(30000);
        return QString::fromUtf8(psql.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    QProcess p;
    p.start(QStringLiteral("sqlcipher"), {path()});
    p.write("PRAGMA key='" + schema::databaseKey + "';\n");
    p.write(sql.toUtf8() + ";\n");
    p.closeWriteChannel();
    p.waitForFinished(30000);
    QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // Newer builds echo "ok" for the key pragma.
    lines.removeAll(QStringLiteral("ok"));
    return lines;
}

QList<QVariantList> storedImportedOrders(const QString& databasePath)
{
    Connection c;
    c.open(databasePath, schema::databaseKey);
    Statement st(c, QStringLiteral("select [a], [b], [c], [d], [g], [1], [2], [h], [i], [j], [k], [day1], [z]"
                                            " from data order by _rowid_"));
    QList<QVariantList> rows;
    while (st.step()) {
        QVariantList row;
        for (int column = 0; column < st.columnCount(); ++column)
            row << st.value(column);
        rows << row;
    }
    return rows;
}

}  // namespace kx::test
