#include "data/LoginJournal.h"

#include "core/DateText.h"
#include "data/DataOps.h"
#include "data/Database.h"
#include "data/Schema.h"

namespace kx {

bool LoginJournal::passwordMatches(Database& dm, const QString& user, const QString& password)
{
    openQuery(dm.scratch,
              QStringLiteral("select %1 from userdb where %2=? and %1=?")
                  .arg(schema::userColumn::name, schema::userColumn::password),
              {password, user});
    return dm.scratch.rowCount() == 1;
}

void LoginJournal::writeLogin(Database& dm, const QString& user, const QDateTime& when)
{
    runStatement(dm.scratch,
                 QStringLiteral("Insert into rz (%1,%2) values (?,?)")
                     .arg(schema::journalColumn::user, schema::journalColumn::loginTime),
                 {user, dateTimeText(when)});
}

int LoginJournal::newestNumber(Database& dm)
{
    openQuery(dm.scratch, QStringLiteral("select max(%1) as maxid from rz").arg(schema::journalColumn::id));
    return dm.scratch.field(QStringLiteral("maxid")).toInt();
}

void LoginJournal::writeExit(Database& dm, int number, const QDateTime& when)
{
    runStatement(dm.scratch,
                 QStringLiteral("update rz set %1=?where %2=?")
                     .arg(schema::journalColumn::exitTime, schema::journalColumn::id),
                 {dateTimeText(when), number});
}

}  // namespace kx
