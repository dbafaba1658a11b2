#include "data/LoginJournal.h"

#include "core/DateText.h"
#include "data/DataOps.h"
#include "data/Tdmfm.h"

namespace kx {

bool LoginJournal::passwordMatches(Tdmfm& dm, const QString& user, const QString& password)
{
    openQuery(dm.ADOQuery1, QStringLiteral("select username from userdb where passwd=? and username=?"),
              {password, user});
    return dm.ADOQuery1.rowCount() == 1;
}

void LoginJournal::writeLogin(Tdmfm& dm, const QString& user, const QDateTime& when)
{
    runStatement(dm.ADOQuery1, QStringLiteral("Insert into rz (username,btime) values (?,?)"),
                 {user, dateTimeText(when)});
}

int LoginJournal::newestNumber(Tdmfm& dm)
{
    openQuery(dm.ADOQuery1, QStringLiteral("select max(id) as maxid from rz"));
    return dm.ADOQuery1.field(QStringLiteral("maxid")).toInt();
}

void LoginJournal::writeExit(Tdmfm& dm, int number, const QDateTime& when)
{
    runStatement(dm.ADOQuery1, QStringLiteral("update rz set jtime=?where id=?"), {dateTimeText(when), number});
}

}  // namespace kx
