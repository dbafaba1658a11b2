#include "orders/OrderRegister.h"

#include "core/DbError.h"
#include "data/DataOps.h"
#include "data/Statement.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "orders/SelectionSource.h"

namespace kx {

OrderRegister::OrderRegister(Database& dm, QObject* parent) : QObject(parent), m_dm(dm), m_result(&dm.gridResult)
{
    setObjectName(QStringLiteral("OrderRegister"));
    Dataset* d = m_result;
    connect(d, &Dataset::resetDone, this, &OrderRegister::recomputeTotals);
    // A sort keeps the rows and so their totals. An edited or deleted row
    // changes the totals by its own values only, so an edit of every row of a
    // large result stays linear.
    connect(d, &Dataset::aboutToChangeRow, this, [this](int row) { addRow(row, -1); });
    connect(d, &Dataset::rowChanged, this, [this](int row) {
        addRow(row, +1);
        emit totalsChanged();
    });
    connect(d, &Dataset::aboutToChangeRows, this, [this](const QList<int>& rows) {
        for (int row : rows)
            addRow(row, -1);
    });
    connect(d, &Dataset::rowsChanged, this, [this](const QList<int>& rows) {
        for (int row : rows)
            addRow(row, +1);
        emit totalsChanged();
    });
    connect(d, &Dataset::aboutToRemoveRow, this, [this](int row) { addRow(row, -1); });
    connect(d, &Dataset::rowRemoved, this, &OrderRegister::totalsChanged);
    recomputeTotals();
}

void OrderRegister::showAll()
{
    emit courierListChanged({});
    const QStringList couriers = columnValues(m_dm.scratch, schema::orderColumn::courier, QStringLiteral("data"));
    emit courierListChanged(couriers);
    openQuery(*m_result, QStringLiteral("select * from data"));
    m_result->last();
    m_rowCountText = QStringLiteral("共%1条记录").arg(m_result->rowCount());
    emit rowCountTextChanged(m_rowCountText);
}

void OrderRegister::search(const QString& sql, const QVariantList& params)
{
    openQuery(*m_result, sql, params);
}

QList<int> OrderRegister::selectedRows() const
{
    return m_selection ? m_selection->selectedRows() : QList<int>();
}

qint64 OrderRegister::appendOrder(const FieldValues& values)
{
    // One insert statement: the database takes the whole row or none of it.
    return m_dm.orderAppender.append(values);
}

bool OrderRegister::orderExists(qint64 rowId) const
{
    Statement exists(m_dm.connection.handle(), QStringLiteral("select 1 from data where _rowid_=?"), {rowId});
    return exists.step();
}

void OrderRegister::changeOrder(qint64 rowId, const FieldValues& values)
{
    const int row = m_result->isOpen() ? m_result->rowOfId(rowId) : -1;
    if (row >= 0)
        m_result->updateRow(row, values);  // keeps the grid's copy of the row in step
    else
        Dataset::updateById(m_dm.connection, QStringLiteral("data"), rowId, values);
}

void OrderRegister::changeLoadedOrder(qint64 rowId, const FieldValues& loaded, const FieldValues& values)
{
    if (!Dataset::updateFetched(m_dm.connection, QStringLiteral("data"), rowId, loaded, values))
        throw DbError(Dataset::rowCannotBeLocated());
    const int row = m_result->isOpen() ? m_result->rowOfId(rowId) : -1;
    if (row >= 0)
        m_result->refreshRow(row);
}

int OrderRegister::deleteRows(const QList<int>& rows, const std::function<void(int done)>& progress)
{
    return m_result->deleteRows(rows, progress);
}

int OrderRegister::changeRows(const QList<int>& rows, const std::function<FieldValues(int row)>& newValues,
                              const std::function<void(int done)>& progress)
{
    return m_result->changeRows(rows, newValues, progress);
}

void OrderRegister::addRow(int row, int sign)
{
    if (!hasTotals() || row < 0 || row >= m_result->rowCount())
        return;
    const Dataset& d = *m_result;
    // A show-all sums every row: numbers, as the columns normally hold, are
    // read without making a QVariant of each.
    auto units = [&d, row](int field) {
        if (const std::optional<double> n = d.number(row, field))
            return ExactTotal::unitsOfNumber(*n);
        return ExactTotal::unitsOf(d.cell(row, field));
    };
    if (m_quantityField >= 0)
        m_quantity.addUnits(sign * units(m_quantityField));
    if (m_amountField >= 0)
        m_amount.addUnits(sign * units(m_amountField));
}

void OrderRegister::recomputeTotals()
{
    m_quantity.clear();
    m_amount.clear();
    m_quantityField = hasTotals() ? m_result->fieldIndex(schema::orderColumn::quantity) : -1;
    m_amountField = hasTotals() ? m_result->fieldIndex(schema::orderColumn::amount) : -1;
    for (int row = 0; row < rowCount(); ++row)
        addRow(row, +1);
    emit totalsChanged();
}

}  // namespace kx
