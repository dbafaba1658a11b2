#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "data/SqlDialect.h"

namespace kx::schema {

// The database file is found by its bare name in the working directory.
inline const QString databaseFile = QStringLiteral("data.mdb");
// The database password the file is encrypted with.
inline const QByteArray databaseKey = QByteArrayLiteral("kqv7rmzt2p");

// The administrator and the password every new user gets.
inline const QString administrator = QStringLiteral("超级管理员");
inline const QString initialPassword = QStringLiteral("507");

// The columns of the tables by what they hold. Their short names are the
// file's own and cannot change; outside the create script below, the code
// names a column only through these.

// `data`, the order register.
namespace orderColumn {
inline const QString recipientName = QStringLiteral("a");
inline const QString recipientMobile = QStringLiteral("b");
inline const QString recipientAddress = QStringLiteral("c");
inline const QString courier = QStringLiteral("d");
inline const QString printStatus = QStringLiteral("g");
inline const QString itemName = QStringLiteral("h");
inline const QString memberName = QStringLiteral("i");  // the buyer's member name at the shop
inline const QString orderNumber = QStringLiteral("j");
inline const QString buyerMessage = QStringLiteral("k");
inline const QString remark = QStringLiteral("z");
inline const QString quantity = QStringLiteral("1");  // REAL
inline const QString amount = QStringLiteral("2");    // REAL
inline const QString payDate = QStringLiteral("day1");
}  // namespace orderColumn

// `post`, the sender profile: a single row.
namespace senderColumn {
inline const QString name = QStringLiteral("a");
inline const QString mobile = QStringLiteral("b");
inline const QString address = QStringLiteral("c");
inline const QString courier = QStringLiteral("d");  // the default courier
}  // namespace senderColumn

// `userdb`, the user accounts.
namespace userColumn {
inline const QString name = QStringLiteral("username");
inline const QString password = QStringLiteral("passwd");
}  // namespace userColumn

// `rz`, the login journal: one row per session.
namespace journalColumn {
inline const QString id = QStringLiteral("id");
inline const QString user = QStringLiteral("username");
inline const QString loginTime = QStringLiteral("btime");
inline const QString exitTime = QStringLiteral("jtime");
}  // namespace journalColumn

// `data1`, the ledger: the column its month query selects the entries by.
inline const QString ledgerDay = QStringLiteral("day1");

// The five tables as both engines make them: each column's name and type,
// in order. On the server each table also gets a row identity column of its
// own (SqlDialect::rowIdentityDefinition()), where the file has its rowid.
struct TableColumn {
    QString name;
    ColumnType type;
};
struct Table {
    QString name;
    QList<TableColumn> columns;
};
const QList<Table>& tables();

// The statements that create the five tables in the dialect's engine; only
// kestrix-newdb runs them.
QString createScript(const SqlDialect& dialect = SqlDialect::file());

// The ledger's fixed column list, as its month query names them, with the
// affinity each must have.
struct LedgerColumn {
    QString name;
    QString type;  // "TEXT" or "REAL"
};
const QList<LedgerColumn>& ledgerColumns();

}  // namespace kx::schema
