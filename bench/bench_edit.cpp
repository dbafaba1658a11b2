// Editing every order of a 100,000-order result through the order register
// with the grid shown: each row's print status written, the grid's copy of
// the row refreshed, the footer totals kept and the visible rows repainted.
// Against the bare engine running the same update statement, addressed the
// same way (the storage identity and every fetched value), for every order.
// And deleting 30,000 selected orders the same way.
//
// Both sides run in one transaction: the register edits one order per
// statement and leaves grouping them to the caller.
//
// The same edit of the same orders on a database server, against bare libpq
// running the update the server runs, prepared once, addressed by the row
// identity column and every fetched value.
#include "BenchScreen.h"
#include "BenchSupport.h"

#include "data/Transaction.h"
#include "orders/OrderGrid.h"
#include "orders/OrderGridModel.h"
#include "orders/OrderRegister.h"
#include "orders/PrintStatus.h"
#include "widgets/FooterRow.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <functional>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <string>
#include <vector>

using namespace kx;

namespace {

constexpr int orderCount = 100000;

QString& databasePath()
{
    static QString path;
    return path;
}

// The same orders in a register on the server.
QString& serverUri()
{
    static QString uri;
    return uri;
}

// The fields of an order as the server names them, in the order our side
// fetches them.
constexpr int fieldCount = 13;
const std::array<const char*, fieldCount> serverFields = {R"("a")", R"("b")", R"("c")", R"("d")", R"("g")",
                                                          R"("h")", R"("i")", R"("j")", R"("k")", R"("z")",
                                                          R"("1")", R"("2")", R"("day1")"};

// Each pass writes the other status, so every update changes the row.
const QString& statusOfPass(long long pass)
{
    return pass % 2 ? notPrintedStatus : printedStatus;
}

// Fails unless the statuses read hold `status` as every order's print status.
void checkStatuses(const bench::ResultCheck& written, const QString& status)
{
    const bench::ResultCheck expected = bench::checkOf(QStringList(orderCount, status));
    if (written != expected)
        bench::fail(QStringLiteral("the table holds %1, not %2").arg(written.toString(), expected.toString()));
}

void checkTable(sqlite3* db, const QString& status)
{
    checkStatuses(bench::readAll(db, "select g from data"), status);
}

void checkServerTable(pg_conn* db, const QString& status)
{
    checkStatuses(bench::readAll(db, R"(select "g" from data)"), status);
}

// The edit of every order of the register `where` (the file or the
// server's URI); `statuses` reads every print status the table holds.
void edit_rows(benchmark::State& state, const QString& where, const std::function<bench::ResultCheck()>& statuses)
{
    bench::OrderScreen screen(where);
    OrderRegister& orders = *screen.orders;
    orders.showAll();
    screen.settle();
    const Dataset& result = orders.result();
    long long pass = 0;
    for (auto _ : state) {
        const FieldValues values{{QStringLiteral("g"), statusOfPass(pass++)}};
        Transaction tx(screen.dm->connection);
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
    checkStatuses(statuses(), last);
}

void edit_rows_100k(benchmark::State& state)
{
    edit_rows(state, databasePath(), [] {
        bench::BareDb check(databasePath());
        return bench::readAll(check.db, "select g from data");
    });
}

void edit_rows_100k_pg(benchmark::State& state)
{
    edit_rows(state, serverUri(), [] {
        bench::BarePg check(serverUri());
        return bench::readAll(check.conn, R"(select "g" from data)");
    });
}

void edit_rows_100k_pg_bare(benchmark::State& state)
{
    bench::BarePg bare(serverUri());
    pg_conn* db = bare.conn;
    // The orders in the order of the result our side edits, as fetched,
    // with their identity first.
    std::string columns, where = "kx_row=$2";
    for (int f = 0; f < fieldCount; ++f) {
        columns += std::string(",") + serverFields[size_t(f)];
        where += std::string(" and ") + serverFields[size_t(f)] + " is not distinct from $" + std::to_string(f + 3);
    }
    PGresult* rows = PQexec(db, ("select kx_row" + columns + " from data order by kx_row").c_str());
    if (PQresultStatus(rows) != PGRES_TUPLES_OK)
        bench::fail(QString::fromUtf8(PQerrorMessage(db)));
    const int g = 4;  // "g" among the fields
    const std::string sql = R"(update "data" set "g"=$1 where )" + where;
    PGresult* prepared = PQprepare(db, "update", sql.c_str(), fieldCount + 2, nullptr);
    if (PQresultStatus(prepared) != PGRES_COMMAND_OK)
        bench::fail(QString::fromUtf8(PQerrorMessage(db)));
    PQclear(prepared);
    long long pass = 0;
    long long changed = 0;
    std::array<const char*, fieldCount + 2> values;
    std::array<int, fieldCount + 2> lengths;
    for (auto _ : state) {
        // What each row holds now: as fetched, or the previous pass's status.
        const QByteArray before = pass > 0 ? statusOfPass(pass - 1).toUtf8() : QByteArray();
        const QByteArray status = statusOfPass(pass++).toUtf8();
        changed = 0;
        bare.exec("begin");
        for (int r = 0; r < PQntuples(rows); ++r) {
            values[0] = status.constData();
            lengths[0] = int(status.size());
            for (int c = 0; c <= fieldCount; ++c) {
                values[size_t(c + 1)] = PQgetisnull(rows, r, c) ? nullptr : PQgetvalue(rows, r, c);
                lengths[size_t(c + 1)] = PQgetlength(rows, r, c);
            }
            if (!before.isNull()) {
                values[size_t(g + 2)] = before.constData();
                lengths[size_t(g + 2)] = int(before.size());
            }
            PGresult* result = PQexecPrepared(db, "update", fieldCount + 2, values.data(), lengths.data(), nullptr, 0);
            if (PQresultStatus(result) != PGRES_COMMAND_OK)
                bench::fail(QString::fromUtf8(PQerrorMessage(db)));
            changed += std::atoi(PQcmdTuples(result));
            PQclear(result);
        }
        bare.exec("commit");
    }
    PQclear(rows);
    if (changed != orderCount)
        bench::fail(QStringLiteral("the bare updates changed %1 orders").arg(changed));
    checkServerTable(db, statusOfPass(pass - 1));
}

void edit_rows_100k_bare(benchmark::State& state)
{
    bench::BareDb bare(databasePath());
    // The orders in the order of the result our side edits, as fetched.
    bench::FetchedRows rows(bare.db);
    const int g = rows.column("g");
    sqlite3_stmt* update = nullptr;
    const std::string sql = "update [data] set [g]=? where " + rows.where();
    if (sqlite3_prepare_v2(bare.db, sql.c_str(), -1, &update, nullptr) != SQLITE_OK)
        bench::fail(QString::fromUtf8(sqlite3_errmsg(bare.db)));
    long long pass = 0;
    long long changed = 0;
    for (auto _ : state) {
        // What each row holds now: as fetched, or the previous pass's status.
        const QByteArray before = pass > 0 ? statusOfPass(pass - 1).toUtf8() : QByteArray();
        const QByteArray status = statusOfPass(pass++).toUtf8();
        changed = 0;
        sqlite3_exec(bare.db, "begin", nullptr, nullptr, nullptr);
        for (size_t r = 0; r < rows.ids.size(); ++r) {
            sqlite3_bind_text(update, 1, status.constData(), int(status.size()), SQLITE_STATIC);
            rows.bind(update, 2, r);
            if (!before.isNull())
                sqlite3_bind_text(update, 3 + g, before.constData(), int(before.size()), SQLITE_STATIC);
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

// A fresh copy of the full table for each deletion.
QString freshCopy()
{
    const QString copy = databasePath() + QStringLiteral(".delete");
    QFile::remove(copy);
    if (!QFile::copy(databasePath(), copy))
        bench::fail(QStringLiteral("cannot copy the database"));
    return copy;
}

// Every third order of the first 90,000: 30,000 selected rows, spread out.
QList<int> chosenRows()
{
    QList<int> rows;
    for (int row = 0; row < 90000; row += 3)
        rows << row;
    return rows;
}

void delete_rows_30k(benchmark::State& state)
{
    int left = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto screen = std::make_unique<bench::OrderScreen>(freshCopy());
        screen->orders->showAll();
        screen->settle();
        const QList<int> rows = chosenRows();
        state.ResumeTiming();
        screen->orders->deleteRows(rows, [](int) {});
        screen->settle();
        state.PauseTiming();
        left = screen->orders->rowCount();
        if (screen->grid->model()->rowCount() != left)
            bench::fail(QStringLiteral("the grid still shows deleted orders"));
        screen.reset();
        state.ResumeTiming();
    }
    if (left != orderCount - 30000)
        bench::fail(QStringLiteral("%1 orders left, not %2").arg(left).arg(orderCount - 30000));
}

void delete_rows_30k_bare(benchmark::State& state)
{
    long long deleted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto bare = std::make_unique<bench::BareDb>(freshCopy());
        auto rows = std::make_unique<bench::FetchedRows>(bare->db);
        const std::string sql = "delete from [data] where " + rows->where();
        state.ResumeTiming();
        sqlite3_stmt* del = nullptr;
        if (sqlite3_prepare_v2(bare->db, sql.c_str(), -1, &del, nullptr) != SQLITE_OK)
            bench::fail(QString::fromUtf8(sqlite3_errmsg(bare->db)));
        deleted = 0;
        sqlite3_exec(bare->db, "begin", nullptr, nullptr, nullptr);
        for (int row : chosenRows()) {
            rows->bind(del, 1, size_t(row));
            if (sqlite3_step(del) != SQLITE_DONE)
                bench::fail(QString::fromUtf8(sqlite3_errmsg(bare->db)));
            deleted += sqlite3_changes(bare->db);
            sqlite3_reset(del);
        }
        if (sqlite3_exec(bare->db, "commit", nullptr, nullptr, nullptr) != SQLITE_OK)
            bench::fail(QString::fromUtf8(sqlite3_errmsg(bare->db)));
        sqlite3_finalize(del);
        state.PauseTiming();
        rows.reset();
        bare.reset();
        state.ResumeTiming();
    }
    if (deleted != 30000)
        bench::fail(QStringLiteral("the bare deletes removed %1 orders").arg(deleted));
}

}  // namespace

BENCHMARK(edit_rows_100k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(edit_rows_100k_bare)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(edit_rows_100k_pg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(edit_rows_100k_pg_bare)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(delete_rows_30k)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(delete_rows_30k_bare)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    databasePath() = dir.filePath(QStringLiteral("data.mdb"));
    bench::makeOrdersDatabase(databasePath(), orderCount);
    serverUri() = bench::serverRegister(QStringLiteral("edit"), databasePath());
    bench::addRatio("edit_rows_100k", "edit_rows_100k", "edit_rows_100k_bare");
    bench::addMs("edit_rows_100k", "edit_rows_100k");
    bench::addRatio("edit_rows_100k_pg", "edit_rows_100k_pg", "edit_rows_100k_pg_bare");
    bench::addMs("edit_rows_100k_pg", "edit_rows_100k_pg");
    bench::addRatio("delete_rows_30k", "delete_rows_30k", "delete_rows_30k_bare");
    bench::addMs("delete_rows_30k", "delete_rows_30k");
    // Ours and the bare side alternate, so that a busy machine (and the
    // server sharing it) weighs on both alike.
    return bench::runBenchmarksInterleaved(argc, argv);
}
