// Editing every order of a 100,000-order result through the order register
// with the grid shown: each row's print status written, the grid's copy of
// the row refreshed, the footer totals kept and the visible rows repainted.
// Against the bare engine running the same update statement, addressed the
// same way, for every order.
//
// Both sides run in one transaction: the register edits one order per
// statement and leaves grouping them to the caller.
#include "BenchScreen.h"
#include "BenchSupport.h"

#include "data/Transaction.h"
#include "orders/OrderGrid.h"
#include "orders/OrderGridModel.h"
#include "orders/OrderRegister.h"
#include "orders/PrintStatus.h"
#include "widgets/FooterRow.h"

#include <QApplication>
#include <QTemporaryDir>
#include <sqlite3.h>
#include <vector>

using namespace kx;

namespace {

constexpr int orderCount = 100000;

QString& databasePath()
{
    static QString path;
    return path;
}

// Each pass writes the other status, so every update changes the row.
const QString& statusOfPass(long long pass)
{
    return pass % 2 ? notPrintedStatus : printedStatus;
}

// Fails unless the table holds `status` as every order's print status.
void checkTable(sqlite3* db, const QString& status)
{
    const bench::ResultCheck written = bench::readAll(db, "select g from data");
    const bench::ResultCheck expected = bench::checkOf(QStringList(orderCount, status));
    if (written != expected)
        bench::fail(QStringLiteral("the table holds %1, not %2").arg(written.toString(), expected.toString()));
}

void edit_rows_100k(benchmark::State& state)
{
    bench::OrderScreen screen(databasePath());
    OrderRegister& orders = *screen.orders;
    orders.showAll();
    screen.settle();
    const Dataset& result = orders.result();
    long long pass = 0;
    for (auto _ : state) {
        const FieldValues values{{QStringLiteral("g"), statusOfPass(pass++)}};
        Transaction tx(screen.dm->ADOConnection1);
        for (int row = 0; row < result.rowCount(); ++row)
            orders.changeOrder(result.rowId(row), values);
        tx.commit();
        screen.settle();
    }
    // The grid's copy and the table both hold the last pass's status.
    const QString& last = statusOfPass(pass - 1);
    const int g = result.fieldIndex(QStringLiteral("g"));
    for (int row = 0; row < result.rowCount(); ++row)
        if (result.text(row, g) != last)
            bench::fail(QStringLiteral("row %1 was not edited").arg(row));
    if (result.rowCount() != orderCount || screen.grid->model()->isPrinted(0) != (last == printedStatus) ||
        screen.grid->footer()->text(QuantityColumn) != orders.quantityTotal().text())
        bench::fail(QStringLiteral("the grid does not show the edits"));
    bench::BareDb check(databasePath());
    checkTable(check.db, last);
}

void edit_rows_100k_bare(benchmark::State& state)
{
    bench::BareDb bare(databasePath());
    // The orders in the order of the result our side edits.
    std::vector<sqlite3_int64> ids;
    {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(bare.db, "select _rowid_ from data", -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW)
            ids.push_back(sqlite3_column_int64(st, 0));
        sqlite3_finalize(st);
    }
    sqlite3_stmt* update = nullptr;
    if (sqlite3_prepare_v2(bare.db, "update [data] set [g]=? where _rowid_=?", -1, &update, nullptr) != SQLITE_OK)
        bench::fail(QString::fromUtf8(sqlite3_errmsg(bare.db)));
    long long pass = 0;
    long long changed = 0;
    for (auto _ : state) {
        const QByteArray status = statusOfPass(pass++).toUtf8();
        changed = 0;
        sqlite3_exec(bare.db, "begin", nullptr, nullptr, nullptr);
        for (sqlite3_int64 id : ids) {
            sqlite3_bind_text(update, 1, status.constData(), int(status.size()), SQLITE_STATIC);
            sqlite3_bind_int64(update, 2, id);
            if (sqlite3_step(update) != SQLITE_DONE)
                bench::fail(QString::fromUtf8(sqlite3_errmsg(bare.db)));
            changed += sqlite3_changes(bare.db);
            sqlite3_reset(update);
        }
        if (sqlite3_exec(bare.db, "commit", nullptr, nullptr, nullptr) != SQLITE_OK)
            bench::fail(QString::fromUtf8(sqlite3_errmsg(bare.db)));
    }
    sqlite3_finalize(update);
    if (changed != orderCount)
        bench::fail(QStringLiteral("the bare updates changed %1 orders").arg(changed));
    checkTable(bare.db, statusOfPass(pass - 1));
}

}  // namespace

BENCHMARK(edit_rows_100k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(edit_rows_100k_bare)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    databasePath() = dir.filePath(QStringLiteral("data.mdb"));
    bench::makeOrdersDatabase(databasePath(), orderCount);
    bench::addRatio("edit_rows_100k", "edit_rows_100k", "edit_rows_100k_bare");
    bench::addMs("edit_rows_100k", "edit_rows_100k");
    return bench::runBenchmarks(argc, argv);
}
