#include "data/Ledger.h"

#include "core/DateText.h"
#include "core/DbError.h"
#include "core/TextValue.h"
#include "data/DataOps.h"
#include "data/Schema.h"
#include "data/SqlText.h"
#include "data/Database.h"

#include <QHash>

namespace kx {

void Ledger::openMonth(Database& dm, const QDate& today)
{
    // The ledger's month query names every column of its fixed list, so a
    // data1 that lacks one stops here; the engine would accept a column of
    // another type, so the declared types are compared as well.
    // A server register's tables are made by the program itself, with the
    // server's own type names: only a file's are compared.
    QHash<QString, QString> declared;
    if (dm.connection.handle()) {
        openQuery(dm.scratch, QStringLiteral("PRAGMA table_info(data1)"));
        for (int r = 0; r < dm.scratch.rowCount(); ++r)
            declared.insert(displayText(dm.scratch.value(r, 1)).toLower(),
                            displayText(dm.scratch.value(r, 2)).toUpper());
        dm.scratch.close();
    }
    QStringList columns;
    for (const schema::LedgerColumn& c : schema::ledgerColumns()) {
        const auto it = declared.constFind(c.name.toLower());
        if (it != declared.constEnd() && *it != c.type)
            throw DbError(QStringLiteral("Type mismatch in field '%1'").arg(c.name));
        columns << quoteIdentifier(c.name);
    }
    const QDate first(today.year(), today.month(), 1);
    openQuery(dm.ledgerMonth,
              QStringLiteral("SELECT %1 from data1 where %2>=? and %2<?").arg(columns.join(u','), schema::ledgerDay),
              {dateText(first), dateText(first.addMonths(1))});
}

}  // namespace kx
