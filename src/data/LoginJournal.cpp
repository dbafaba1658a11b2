#include "data/LoginJournal.h"

#include "core/DateText.h"
#include "data/DataOps.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "data/Transaction.h"

namespace kx {

bool LoginJournal::passwordMatches(Database& dm, const QString& user, const QString& password)
{
    openQuery(dm.scratch,
              QStringLiteral("select %1 from userdb where %2=? and %1=?")
                  .arg(schema::userColumn::name, schema::userColumn::password),
              {password, user});
    return dm.scratch.rowCount() == 1;
}

int LoginJournal::writeLogin(Database& dm, const QString& user, const QDateTime& when)
{
    // The number is that of the row this insert made, as the connection
    // reports it: another station logging in at the same time adds a row of
    // its own, so the newest row of the journal need not be this login's.
    Transaction tx(dm.connection);
    dm.connection.exec(QStringLiteral("Insert into rz (%1,%2) values (?,?)")
                           .arg(schema::journalColumn::user, schema::journalColumn::loginTime),
                       {user, dateTimeText(when)});
    const qint64 number = dm.connection.lastInsertRowId();
    tx.commit();
    return int(number);
}

void LoginJournal::writeExit(Database& dm, int number, const QDateTime& when)
{
    runStatement(dm.scratch,
                 QStringLiteral("update rz set %1=?where %2=?")
                     .arg(schema::journalColumn::exitTime, schema::journalColumn::id),
                 {dateTimeText(when), number});
}

}  // namespace kx
