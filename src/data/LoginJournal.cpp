#include "data/LoginJournal.h"

#include "core/DateText.h"
#include "data/DataOps.h"
#include "data/Database.h"

namespace kx {

bool LoginJournal::passwordMatches(Database& dm, const QString& user, const QString& password)
{
    openQuery(dm.scratch, QStringLiteral("select username from userdb where passwd=? and username=?"),
              {password, user});
    return dm.scratch.rowCount() == 1;
}

void LoginJournal::writeLogin(Database& dm, const QString& user, const QDateTime& when)
{
    runStatement(dm.scratch, QStringLiteral("Insert into rz (username,btime) values (?,?)"),
                 {user, dateTimeText(when)});
}

int LoginJournal::newestNumber(Database& dm)
{
    openQuery(dm.scratch, QStringLiteral("select max(id) as maxid from rz"));
    return dm.scratch.field(QStringLiteral("maxid")).toInt();
}

void LoginJournal::writeExit(Database& dm, int number, const QDateTime& when)
{
    runStatement(dm.scratch, QStringLiteral("update rz set jtime=?where id=?"), {dateTimeText(when), number});
}

}  // namespace kx
