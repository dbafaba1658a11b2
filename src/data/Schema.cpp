#include "data/Schema.h"

#include "data/SqlText.h"

namespace kx::schema {

QString createScript()
{
    QStringList ledger;
    for (const LedgerColumn& c : ledgerColumns()) {
        if (c.name == QLatin1String("ID"))
            ledger << QStringLiteral("[ID] INTEGER PRIMARY KEY AUTOINCREMENT");
        else
            ledger << quoteIdentifier(c.name) + QLatin1Char(' ') + c.type;
    }
    return QStringLiteral(
               "CREATE TABLE data ([a] TEXT, [b] TEXT, [c] TEXT, [d] TEXT, [g] TEXT, [h] TEXT, [i] TEXT,"
               " [j] TEXT, [k] TEXT, [z] TEXT, [1] REAL, [2] REAL, [day1] TEXT);\n"
               "CREATE TABLE post ([a] TEXT, [b] TEXT, [c] TEXT, [d] TEXT);\n"
               "CREATE TABLE userdb ([username] TEXT, [passwd] TEXT);\n"
               "CREATE TABLE rz ([id] INTEGER PRIMARY KEY AUTOINCREMENT, [username] TEXT, [btime] TEXT,"
               " [jtime] TEXT);\n"
               "CREATE TABLE data1 (%1);\n")
        .arg(ledger.join(QStringLiteral(", ")));
}

const QList<LedgerColumn>& ledgerColumns()
{
    static const QList<LedgerColumn> columns = [] {
        QList<LedgerColumn> list;
        list.append({QStringLiteral("ID"), QStringLiteral("INTEGER")});
        list.append({QStringLiteral("a"), QStringLiteral("TEXT")});
        list.append({QStringLiteral("b"), QStringLiteral("TEXT")});
        list.append({QStringLiteral("c"), QStringLiteral("TEXT")});  // long text
        for (char l = 'd'; l <= 'z'; ++l)
            list.append({QString(QLatin1Char(l)), QStringLiteral("TEXT")});
        for (const char* n : {"1", "2", "3", "4", "a5", "6", "7", "8", "9"})
            list.append({QString::fromLatin1(n), QStringLiteral("REAL")});
        for (int d = 1; d <= 6; ++d)
            list.append({QStringLiteral("day%1").arg(d), QStringLiteral("TEXT")});
        return list;
    }();
    return columns;
}

}  // namespace kx::schema
