#include "data/DataOps.h"

#include "core/TextValue.h"
#include "data/Dataset.h"
#include "data/SqlText.h"

namespace kx {

void openQuery(Dataset& dataset, const QString& sql, const QVariantList& params)
{
    dataset.close();
    dataset.setSql(sql, params);
    dataset.open();
}

int runStatement(Dataset& dataset, const QString& sql, const QVariantList& params)
{
    dataset.close();
    dataset.setSql(sql, params);
    return dataset.execSql();
}

QStringList columnValues(Dataset& dataset, const QString& column, const QString& table)
{
    openQuery(dataset, QStringLiteral("select %1 from %2 group by %1 order by %1")
                           .arg(quoteIdentifier(column), quoteIdentifier(table)));
    QStringList items;
    items.reserve(dataset.rowCount());
    const int field = dataset.fieldIndex(column);
    for (int row = 0; row < dataset.rowCount(); ++row)
        items.append(textOf(dataset.value(row, field)));
    dataset.last();
    return items;
}

}  // namespace kx
