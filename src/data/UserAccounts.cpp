#include "data/UserAccounts.h"

#include "core/TextValue.h"
#include "data/DataOps.h"
#include "data/LoginJournal.h"
#include "data/PasswordHash.h"
#include "data/Schema.h"
#include "data/Database.h"
#include "data/Transaction.h"

#include <vector>

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
    // Hashed before the file is locked: the hash takes a while.
    const QString initial = PasswordHash::make(schema::initialPassword);
    // The look and the insert in one transaction: no other station can add
    // the same name in between.
    Transaction t(dm.connection);
    if (exists(dm, name))
        return false;
    runStatement(dm.scratch, QStringLiteral("Insert into userdb values (?,?)"), {name, initial});
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
                        {schema::administrator, PasswordHash::make(schema::initialPassword)}) > 0;
}

bool UserAccounts::resetPassword(Database& dm, const QString& name)
{
    return runStatement(dm.scratch,
                        QStringLiteral("update userdb set %1=?where %2=?")
                            .arg(schema::userColumn::password, schema::userColumn::name),
                        {PasswordHash::make(schema::initialPassword), name}) > 0;
}

bool UserAccounts::remove(Database& dm, const QString& name)
{
    return runStatement(dm.scratch, QStringLiteral("delete from userdb where %1=?").arg(schema::userColumn::name),
                        {name}) > 0;
}

bool UserAccounts::changePassword(Database& dm, const QString& name, const QString& oldPassword,
                                  const QString& newPassword)
{
    const QString hash = PasswordHash::make(newPassword);
    // The check and the change in one transaction: the password checked is
    // the one replaced. Any row of the name that takes the old password
    // will do, and every row of the name gets the new one.
    Transaction t(dm.connection);
    Dataset& q = dm.scratch;
    openQuery(q, QStringLiteral("select %1 from userdb where %2=?").arg(schema::userColumn::password, schema::userColumn::name),
              {name});
    bool known = false;
    for (int row = 0; row < q.rowCount() && !known; ++row) {
        const QVariant stored = q.value(row, 0);
        known = !stored.isNull() && PasswordHash::matches(stored.toString(), oldPassword);
    }
    if (!known)
        return false;
    runStatement(q,
                 QStringLiteral("update userdb set %1=? where %2=?")
                     .arg(schema::userColumn::password, schema::userColumn::name),
                 {hash, name});
    t.commit();
    return true;
}

int UserAccounts::hashClearPasswords(Database& dm)
{
    struct ClearRow {
        QString name;
        QString password;
        QString hash;
    };
    Dataset& q = dm.scratch;
    // The rows are found again by name and the clear password: userdb has
    // no row identity on a server, and a row changed meanwhile keeps what
    // was written there.
    openQuery(q, QStringLiteral("select %1, %2 from userdb").arg(schema::userColumn::name, schema::userColumn::password));
    std::vector<ClearRow> rows;
    for (int row = 0; row < q.rowCount(); ++row) {
        const QVariant stored = q.value(row, 1);
        if (!stored.isNull() && !PasswordHash::isHash(stored.toString()))
            rows.push_back({q.value(row, 0).toString(), stored.toString(), QString()});
    }
    if (rows.empty())
        return 0;
    // The hashes take a while; they are made before the file is locked. A
    // row changed meanwhile at another station keeps what that station wrote.
    for (ClearRow& r : rows)
        r.hash = PasswordHash::make(r.password);
    // All rows or none: a register never holds some passwords hashed and
    // others not because the program stopped half-way.
    Transaction t(dm.connection);
    for (const ClearRow& r : rows)
        runStatement(q,
                     QStringLiteral("update userdb set %1=? where %2 is ? and %1=?")
                         .arg(schema::userColumn::password, schema::userColumn::name),
                     {r.hash, r.name, r.password});
    t.commit();
    return int(rows.size());
}

}  // namespace kx
