#include "data/LoginJournal.h"

#include "core/DateText.h"
#include "data/DataOps.h"
#include "data/Database.h"
#include "data/PasswordHash.h"
#include "data/Schema.h"
#include "data/Transaction.h"

namespace kx {

bool LoginJournal::passwordMatches(Database& dm, const QString& user, const QString& password)
{
    // A hash cannot be compared in SQL: the rows of the name are fetched and
    // each one's password checked here. Exactly one must take it, so that a
    // name held twice with the same password still opens nothing.
    Dataset& q = dm.scratch;
    openQuery(q, QStringLiteral("select %1 from userdb where %2=?").arg(schema::userColumn::password, schema::userColumn::name),
              {user});
    int matching = 0;
    for (int row = 0; row < q.rowCount() && matching < 2; ++row) {
        // A null password (a row written elsewhere) opens nothing.
        const QVariant stored = q.value(row, 0);
        if (!stored.isNull() && PasswordHash::matches(stored.toString(), password))
            ++matching;
    }
    return matching == 1;
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
