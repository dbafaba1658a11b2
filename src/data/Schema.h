#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kx::schema {

// The database file is found by its bare name in the working directory.
inline const QString databaseFile = QStringLiteral("data.mdb");
// The database password the file is encrypted with.
inline const QByteArray databaseKey = QByteArrayLiteral("kqv7rmzt2p");

// The administrator and the password every new user gets.
inline const QString administrator = QStringLiteral("超级管理员");
inline const QString initialPassword = QStringLiteral("507");

// The statements that create the five tables; only kestrix-newdb runs them.
QString createScript();

// The ledger's fixed column list, as its month query names them, with the
// affinity each must have.
struct LedgerColumn {
    QString name;
    QString type;  // "TEXT" or "REAL"
};
const QList<LedgerColumn>& ledgerColumns();

}  // namespace kx::schema
