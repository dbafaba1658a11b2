#include "data/Schema.h"

namespace kx::schema {

const QList<Table>& tables()
{
    static const QList<Table> list = [] {
        const auto text = [](const QString& name) { return TableColumn{name, ColumnType::Text}; };
        const auto real = [](const QString& name) { return TableColumn{name, ColumnType::Real}; };
        QList<TableColumn> ledger;
        for (const LedgerColumn& c : ledgerColumns()) {
            const ColumnType type = c.name == QLatin1String("ID")   ? ColumnType::Counter
                                    : c.type == QLatin1String("REAL") ? ColumnType::Real
                                                                      : ColumnType::Text;
            ledger.append({c.name, type});
        }
        namespace order = orderColumn;
        namespace sender = senderColumn;
        namespace journal = journalColumn;
        return QList<Table>{
            {QStringLiteral("data"),
             {text(order::recipientName), text(order::recipientMobile), text(order::recipientAddress),
              text(order::courier), text(order::printStatus), text(order::itemName), text(order::memberName),
              text(order::orderNumber), text(order::buyerMessage), text(order::remark), real(order::quantity),
              real(order::amount), text(order::payDate)}},
            {QStringLiteral("post"),
             {text(sender::name), text(sender::mobile), text(sender::address), text(sender::courier)}},
            {QStringLiteral("userdb"), {text(userColumn::name), text(userColumn::password)}},
            {QStringLiteral("rz"),
             {{journal::id, ColumnType::Counter}, text(journal::user), text(journal::loginTime),
              text(journal::exitTime)}},
            {QStringLiteral("data1"), ledger},
        };
    }();
    return list;
}

QString createScript(const SqlDialect& dialect)
{
    QString script;
    for (const Table& table : tables()) {
        QStringList columns;
        for (const TableColumn& c : table.columns)
            columns << dialect.columnDefinition(c.name, c.type);
        if (!dialect.rowIdentityDefinition().isEmpty())
            columns << dialect.rowIdentityDefinition();
        script += QStringLiteral("CREATE TABLE %1 (%2);\n").arg(table.name, columns.join(QStringLiteral(", ")));
    }
    return script;
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
