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
    openQuery(dm.scratch, QStringLiteral("select %1 from userdb where %1=?").arg(schema::userColumn::name), {name});
    return dm.scratch.rowCount() > 0;
}

}  // namespace

QStringList UserAccounts::names(Database& dm)
{
    Dataset& q = dm.scratch;
    openQuery(q, QStringLiteral("select %1 from userdb").arg(schema::userColumn::name));
    QStringList list;
    list.reserve(q.rowCount());
    const int field = q.fieldIndex(schema::userColumn::name);
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
                        QStringLiteral("insert into userdb (%1, %2) select ?, ? "
                                       "where not exists (select 1 from userdb)")
                            .arg(schema::userColumn::name, schema::userColumn::password),
                        {schema::administrator, schema::initialPassword}) > 0;
}

bool UserAccounts::resetPassword(Database& dm, const QString& name)
{
    return runStatement(dm.scratch,
                        QStringLiteral("update userdb set %1=?where %2=?")
                            .arg(schema::userColumn::password, schema::userColumn::name),
                        {schema::initialPassword, name}) > 0;
}

bool UserAccounts::remove(Database& dm, const QString& name)
{
    return runStatement(dm.scratch, QStringLiteral("delete from userdb where %1=?").arg(schema::userColumn::name),
                        {name}) > 0;
}

bool UserAccounts::changePassword(Database& dm, const QString& name, const QString& oldPassword,
                                  const QString& newPassword)
{
    // The check and the change in one transaction: the password checked is
    // the one replaced.
    Transaction t(dm.connection);
    openQuery(dm.scratch,
              QStringLiteral("select %1 from userdb where %2=? and %1=?")
                  .arg(schema::userColumn::name, schema::userColumn::password),
              {oldPassword, name});
    if (dm.scratch.rowCount() == 0)
        return false;
    runStatement(dm.scratch,
                 QStringLiteral("update userdb set %1=? where %2=?")
                     .arg(schema::userColumn::password, schema::userColumn::name),
                 {newPassword, name});
    t.commit();
    return true;
}

}  // namespace kx
