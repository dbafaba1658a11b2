#include "data/Database.h"

#include "core/DbError.h"
#include "data/FileResultRefresher.h"
#include "data/Schema.h"
#include "data/Statement.h"

#include <QDir>
#include <QFileInfo>

namespace kx {

namespace {

QString& chosenRegister()
{
    static QString chosen;
    return chosen;
}

}  // namespace

void Database::setDefaultRegister(const QString& pathOrUri)
{
    chosenRegister() = pathOrUri;
}

QString Database::defaultRegister()
{
    return chosenRegister().isEmpty() ? schema::databaseFile : chosenRegister();
}

Database::Database(QObject* parent) : Database(defaultRegister(), parent) {}

Database::Database(const QString& path, QObject* parent)
    : QObject(parent),
      gridResult(connection, QStringLiteral("ADOQuery15"), QStringLiteral("select * from data"),
                 QStringLiteral("data"), this),
      orderAppender(connection, QStringLiteral("ADOTable5"), QStringLiteral("select * from data"),
                QStringLiteral("data"), this),
      senderReader(connection, QStringLiteral("ADOQuery7"), QStringLiteral("select * from post"), QString(),
                this),
      senderWriter(connection, QStringLiteral("ADOTable6"), QStringLiteral("select * from post"),
                QStringLiteral("post"), this),
      scratch(connection, QStringLiteral("ADOQuery1"), QStringLiteral("select * from data1"), QString(),
                this),
      ledgerTable(connection, QStringLiteral("ADOTable2"), QStringLiteral("select * from data1"),
                QStringLiteral("data1"), this),
      ledgerMonth(connection, QStringLiteral("ADOQuery13"), QStringLiteral("SELECT * from data1"),
                 QStringLiteral("data1"), this),
      m_path(path)
{
    setObjectName(QStringLiteral("Tdmfm"));
    openFile();
}

void Database::openFile()
{
    connection.open(m_path, schema::databaseKey);
    try {
        // A file that holds none of the program's tables (what a failed copy
        // or an interrupted creation leaves) is no order register at all; a
        // file lacking only some of them fails where they are used.
        const QString catalogue =
            connection.server()
                ? QStringLiteral("select count(*) from information_schema.tables where "
                                 "table_schema=current_schema() and lower(table_name) in ")
                : QStringLiteral("select count(*) from sqlite_master where type='table' and lower(name) in ");
        Statement tables(connection, catalogue + QStringLiteral("('data','post','userdb','rz','data1')"));
        if (!tables.step() || tables.value(0).toInt() == 0)
            throw DbError(QStringLiteral("file is encrypted or is not a database."));
        // Refused at once rather than at the login's first write, which the
        // user could then never get past.
        if (!connection.isWritable())
            throw OperationError(QStringLiteral("数据库文件无法写入：%1。请检查文件和所在文件夹的权限。")
                              .arg(QDir::toNativeSeparators(QFileInfo(m_path).absoluteFilePath())));
    } catch (...) {
        connection.close();
        throw;
    }
}

ResultRefresher* Database::createRefresher(QObject* parent) const
{
    return new FileResultRefresher(m_path, schema::databaseKey, parent);
}

void Database::disconnect()
{
    for (Dataset* d : {&gridResult, &orderAppender, &senderReader, &senderWriter, &scratch, &ledgerTable, &ledgerMonth})
        d->close();
    connection.close();
    emit closed();
}

void Database::reconnect()
{
    disconnect();
    openFile();
    // As at start-up: ready for appending, without fetching a single row.
    orderAppender.openForAppend();
    ledgerTable.openForAppend();
}

}  // namespace kx
