#include "orders/OrderRegister.h"

#include "core/DbError.h"
#include "data/DataOps.h"
#include "data/Statement.h"
#include "data/Database.h"
#include "data/LikeContains.h"
#include "data/ResultRefresher.h"
#include "data/Schema.h"
#include "orders/SearchStatement.h"
#include "orders/SelectionSource.h"

#include <deque>

namespace kx {

OrderRegister::OrderRegister(Database& dm, QObject* parent)
    : QObject(parent), m_dm(dm), m_result(&dm.gridResult), m_refresher(dm.createRefresher(this))
{
    setObjectName(QStringLiteral("OrderRegister"));
    m_settleTimer.setSingleShot(true);
    m_settleTimer.setInterval(settleDelayMs);
    connect(&m_settleTimer, &QTimer::timeout, this, &OrderRegister::settleNow);
    connect(m_refresher, &ResultRefresher::finished, this, &OrderRegister::takeFresh);
    connect(m_refresher, &ResultRefresher::failed, this, [this](const QString& message) {
        m_settling = false;
        emit settleFailed(message);
    });
    // A restore replaces the file: the second connection lets go of it too.
    connect(&dm, &Database::closed, this, [this] {
        m_settleTimer.stop();
        m_settling = false;
        m_refresher->release();
    });
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
    supersedeSettle();
    emit courierListChanged({});
    const QStringList couriers = columnValues(m_dm.scratch, schema::orderColumn::courier, QStringLiteral("data"));
    emit courierListChanged(couriers);
    openQuery(*m_result, QStringLiteral("select * from data"));
    m_everyOrderFetch = m_result->fetchNumber();
    m_result->last();
    m_rowCountText = QStringLiteral("共%1条记录").arg(m_result->rowCount());
    emit rowCountTextChanged(m_rowCountText);
}

void OrderRegister::search(const QString& sql, const QVariantList& params)
{
    supersedeSettle();
    openQuery(*m_result, sql, params);
}

bool OrderRegister::holdsEveryOrder() const
{
    return m_result && m_result->isOpen() && m_everyOrderFetch != 0 && m_result->fetchNumber() == m_everyOrderFetch;
}

void OrderRegister::fetchEveryOrder()
{
    openQuery(*m_result, QStringLiteral("select * from data"));
    m_everyOrderFetch = m_result->fetchNumber();
}

bool OrderRegister::showsQuickSearch() const
{
    return m_result && m_result->isOpen() && m_quickSearchFetch != 0 && m_result->fetchNumber() == m_quickSearchFetch;
}

void OrderRegister::quickSearch(const SearchConditions& conditions)
{
    supersedeSettle();
    m_quickSearchFetch = 0;
    const SearchStatement statement = SearchStatement::build(conditions);
    std::vector<int> rows;
    try {
        // The statement must still run on the file: a table or a column
        // gone fails now, as the search always has. Asking for no row costs
        // the engine a look at the schema, not a scan.
        Statement check(m_dm.connection, statement.sql + QStringLiteral(" limit 0"), statement.params);
        check.step();
        // Before the first show-all (or after another statement replaced
        // the grid's fetch) every order is fetched once.
        if (!holdsEveryOrder())
            fetchEveryOrder();
        const Dataset& d = *m_result;
        std::deque<LikeContains> patterns;
        std::vector<Dataset::CellTest> tests;
        tests.push_back({d.fieldIndex(schema::orderColumn::recipientName), nullptr});
        for (const auto& [field, text] : statement.terms) {
            patterns.emplace_back(text);
            tests.push_back({d.fieldIndex(field), &patterns.back()});
        }
        for (const Dataset::CellTest& t : tests)
            if (t.column < 0)
                throw DbError(QStringLiteral("%1: a condition's field is missing").arg(d.objectName()));
        rows = d.fetchedRowsWhere(tests);
    } catch (...) {
        // As the statement failing in the file would: the grid is empty.
        m_result->close();
        throw;
    }
    m_result->showFetchedRows(std::move(rows), statement.sql, statement.params);
    m_quickSearchFetch = m_result->fetchNumber();
    m_settleTimer.start();
}

void OrderRegister::settleNow()
{
    m_settleTimer.stop();
    if (!showsQuickSearch())
        return;
    m_settling = true;
    m_refresher->start(m_result->sql(), m_result->params(), m_result->known());
}

bool OrderRegister::isSettling() const
{
    return m_settleTimer.isActive() || m_settling;
}

void OrderRegister::supersedeSettle()
{
    if (!m_settling && !m_settleTimer.isActive())
        return;
    m_settling = false;
    m_refresher->cancel();
    m_settleTimer.start();  // runs only while the quick search is still shown
}

void OrderRegister::takeFresh(const std::shared_ptr<Dataset::Fresh>& fresh)
{
    m_settling = false;
    if (!showsQuickSearch())
        return;
    if (m_result->takeFresh(*fresh))
        emit settled();
    else
        m_settleTimer.start();  // the orders changed meanwhile: ask again
}

QList<int> OrderRegister::selectedRows() const
{
    return m_selection ? m_selection->selectedRows() : QList<int>();
}

qint64 OrderRegister::appendOrder(const FieldValues& values)
{
    supersedeSettle();
    // One insert statement: the database takes the whole row or none of it.
    const qint64 id = m_dm.orderAppender.append(values);
    // The grid's fetch keeps it for the next quick search; the grid itself
    // shows it after the next show-all, as always.
    if (holdsEveryOrder())
        m_result->fetchRow(id);
    return id;
}

bool OrderRegister::orderExists(qint64 rowId) const
{
    Statement exists(m_dm.connection, QStringLiteral("select 1 from data where _rowid_=?"), {rowId});
    return exists.step();
}

void OrderRegister::changeOrder(qint64 rowId, const FieldValues& values)
{
    supersedeSettle();
    const int row = m_result->isOpen() ? m_result->rowOfId(rowId) : -1;
    if (row >= 0) {
        m_result->updateRow(row, values);  // keeps the grid's copy of the row in step
    } else {
        Dataset::updateById(m_dm.connection, QStringLiteral("data"), rowId, values);
        if (holdsEveryOrder())
            m_result->fetchRow(rowId);  // the copy a later quick search shows
    }
}

void OrderRegister::changeLoadedOrder(qint64 rowId, const FieldValues& loaded, const FieldValues& values)
{
    supersedeSettle();
    if (!Dataset::updateFetched(m_dm.connection, QStringLiteral("data"), rowId, loaded, values))
        throw DbError(Dataset::rowCannotBeLocated());
    const int row = m_result->isOpen() ? m_result->rowOfId(rowId) : -1;
    if (row >= 0)
        m_result->refreshRow(row);
    else if (holdsEveryOrder())
        m_result->fetchRow(rowId);  // the copy a later quick search shows
}

int OrderRegister::deleteRows(const QList<int>& rows, const std::function<void(int done)>& progress)
{
    supersedeSettle();
    return m_result->deleteRows(rows, progress);
}

int OrderRegister::changeRows(const QList<int>& rows, const std::function<FieldValues(int row)>& newValues,
                              const std::function<void(int done)>& progress)
{
    supersedeSettle();
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
    if (hasTotals()) {
        const Dataset& d = *m_result;
        auto add = [&d](ExactTotal& total, int field, int row, const double* number) {
            if (number)
                total.addUnits(ExactTotal::unitsOfNumber(*number));
            else if (field >= 0 && !d.isNull(row, field))
                total.addUnits(ExactTotal::unitsOf(d.cell(row, field)));
        };
        d.visitNumbers(m_quantityField, m_amountField, [&](int row, const double* quantity, const double* amount) {
            add(m_quantity, m_quantityField, row, quantity);
            add(m_amount, m_amountField, row, amount);
        });
    }
    emit totalsChanged();
}

}  // namespace kx
