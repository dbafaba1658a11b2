#include "data/UserAccounts.h"

#include "core/TextValue.h"
#include "data/DataOps.h"
#include "data/LoginJournal.h"
#include "data/Schema.h"
#include "data/Database.h"
#include "data/Transaction.h"

namespace kx {

namespace {

bool exists(Database& dm, const QString& name)
{
    openQuery(dm.scratch, QStringLiteral("select username from userdb where username=?"), {name});
    return dm.scratch.rowCount() > 0;
}

}  // namespace

QStringList UserAccounts::names(Database& dm)
{
    Dataset& q = dm.scratch;
    openQuery(q, QStringLiteral("select username from userdb"));
    QStringList list;
    list.reserve(q.rowCount());
    const int field = q.fieldIndex(QStringLiteral("username"));
    for (int row = 0; row < q.rowCount(); ++row)
        list.append(textOf(q.value(row, field)));
    return list;
}

bool UserAccounts::isAdministratorPassword(Database& dm, const QString& password)
{
    return LoginJournal::passwordMatches(dm, schema::administrator, password);
}

bool UserAccounts::add(Database& dm, const QString& name)
{
    // The look and the insert in one transaction: no other station can add
    // the same name in between.
    Transaction t(dm.connection);
    if (exists(dm, name))
        return false;
    runStatement(dm.scratch, QStringLiteral("Insert into userdb values (?,?)"),
                 {name, schema::initialPassword});
    t.commit();
    return true;
}

bool UserAccounts::restoreAdministratorIfNoUsers(Database& dm)
{
    // One statement: the check and the insert cannot be split by another
    // station doing the same.
    return runStatement(dm.scratch,
                        QStringLiteral("insert into userdb (username, passwd) select ?, ? "
                                       "where not exists (select 1 from userdb)"),
                        {schema::administrator, schema::initialPassword}) > 0;
}

bool UserAccounts::resetPassword(Database& dm, const QString& name)
{
    return runStatement(dm.scratch, QStringLiteral("update userdb set passwd=?where username=?"),
                        {schema::initialPassword, name}) > 0;
}

bool UserAccounts::remove(Database& dm, const QString& name)
{
    return runStatement(dm.scratch, QStringLiteral("delete from userdb where username=?"), {name}) > 0;
}

bool UserAccounts::changePassword(Database& dm, const QString& name, const QString& oldPassword,
                                  const QString& newPassword)
{
    // The check and the change in one transaction: the password checked is
    // the one replaced.
    Transaction t(dm.connection);
    openQuery(dm.scratch, QStringLiteral("select username from userdb where passwd=? and username=?"),
              {oldPassword, name});
    if (dm.scratch.rowCount() == 0)
        return false;
    runStatement(dm.scratch, QStringLiteral("update userdb set passwd=? where username=?"), {newPassword, name});
    t.commit();
    return true;
}

}  // namespace kx
