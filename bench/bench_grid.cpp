// The order grid's two hot paths against the bare engine doing the same work:
// the show-all action over 100,000 orders as the user sees it (courier box
// refilled, every order fetched, the grid reset with its footer and its
// visible rows painted), and a title-click sort of the fetched rows by a
// text column. The show-all also over the same orders on a database server,
// against bare libpq running the same two statements.
#include "BenchScreen.h"
#include "BenchSupport.h"

#include "data/DataOps.h"
#include "data/Schema.h"
#include "data/Database.h"
#include "orders/OrderGrid.h"
#include "orders/OrderGridModel.h"
#include "orders/OrderRegister.h"
#include "orders/QuickSearchPanel.h"

#include <QApplication>
#include <QComboBox>
#include <QTemporaryDir>
#include <algorithm>
#include <sqlite3.h>
#include <vector>

using namespace kx;

namespace {

constexpr int orderCount = 100000;
const QByteArray courierSql = "select d from data group by d order by d";
const QByteArray allSql = "select * from data";

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

// What the server runs for the show-all: the same two statements, the
// orders with their row identity in its order.
const QByteArray serverCourierSql = R"(select "d" from "data" group by "d" order by "d")";
const QByteArray serverAllSql =
    R"(select kx_row, "a","b","c","d","g","h","i","j","k","z","1","2","day1" from data order by kx_row)";

QStringList comboItems(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

// What the show-all showed, for the bare side to be checked against.
struct Shown {
    bench::ResultCheck couriers, orders;
};
Shown& shown()
{
    static Shown s;
    return s;
}
Shown& shownFromServer()
{
    static Shown s;
    return s;
}

// The show-all over the register `where` (the file or the server's URI).
void show_all(benchmark::State& state, const QString& where, Shown& shown)
{
    bench::OrderScreen screen(where);
    for (auto _ : state) {
        screen.orders->showAll();
        screen.settle();
    }
    const QString countText = QStringLiteral("共%1条记录").arg(orderCount);
    if (screen.orders->rowCount() != orderCount || screen.grid->model()->rowCount() != orderCount ||
        screen.grid->rowCountText() != countText || screen.orders->currentRow() != orderCount - 1)
        bench::fail(QStringLiteral("show-all did not show every order"));
    shown.couriers = bench::checkOf(comboItems(screen.panel->courierBox));
    shown.orders = bench::checkOf(screen.orders->result());
}

void show_all_100k(benchmark::State& state)
{
    show_all(state, databasePath(), shown());
}

void show_all_100k_pg(benchmark::State& state)
{
    show_all(state, serverUri(), shownFromServer());
}

void show_all_100k_bare(benchmark::State& state)
{
    bench::BareDb bare(databasePath());
    bench::ResultCheck couriers, orders;
    for (auto _ : state) {
        couriers = bench::readAll(bare.db, courierSql);
        orders = bench::readAll(bare.db, allSql);
        benchmark::DoNotOptimize(couriers);
        benchmark::DoNotOptimize(orders);
    }
    if (orders.rows != orderCount || couriers.rows == 0)
        bench::fail(QStringLiteral("bare show-all read %1").arg(orders.toString()));
    if (shown().orders.rows && (couriers != shown().couriers || orders != shown().orders))
        bench::fail(QStringLiteral("bare show-all read couriers %1 and orders %2, ours showed %3 and %4")
                        .arg(couriers.toString(), orders.toString(), shown().couriers.toString(),
                             shown().orders.toString()));
}

void show_all_100k_pg_bare(benchmark::State& state)
{
    bench::BarePg bare(serverUri());
    bench::ResultCheck couriers, orders;
    for (auto _ : state) {
        couriers = bench::readAll(bare.conn, serverCourierSql);
        orders = bench::readAll(bare.conn, serverAllSql, {}, 1);  // the identity kept apart
        benchmark::DoNotOptimize(couriers);
        benchmark::DoNotOptimize(orders);
    }
    const Shown& ours = shownFromServer();
    if (orders.rows != orderCount || couriers.rows == 0)
        bench::fail(QStringLiteral("bare server show-all read %1").arg(orders.toString()));
    if (ours.orders.rows && (couriers != ours.couriers || orders != ours.orders))
        bench::fail(QStringLiteral("bare server show-all read couriers %1 and orders %2, ours showed %3 and %4")
                        .arg(couriers.toString(), orders.toString(), ours.couriers.toString(),
                             ours.orders.toString()));
}

// Whether the rows' texts in a column are in order (either way).
bool sortedEitherWay(const std::vector<QString>& texts)
{
    return std::is_sorted(texts.begin(), texts.end()) ||
           std::is_sorted(texts.begin(), texts.end(), [](const QString& a, const QString& b) { return b < a; });
}

std::vector<QString> addressesOf(const Dataset& d)
{
    const int column = d.fieldIndex(QStringLiteral("c"));
    std::vector<QString> texts;
    texts.reserve(size_t(d.rowCount()));
    for (int r = 0; r < d.rowCount(); ++r)
        texts.push_back(d.text(r, column).toString());
    return texts;
}

bench::ResultCheck checkOf(const std::vector<QString>& texts)
{
    return bench::checkOf(QStringList(texts.begin(), texts.end()));
}

bench::ResultCheck& sortedByUs()
{
    static bench::ResultCheck c;
    return c;
}

// The grid's own title click on 地址: descending, ascending, descending …
// each sort starting from the previous one's order.
void sort_text_100k(benchmark::State& state)
{
    kx::Database dm(databasePath(), nullptr);
    kx::OrderRegister orders(dm);
    kx::OrderGrid grid(orders);
    orders.showAll();
    for (auto _ : state)
        grid.sortByTitle(2, false);
    const std::vector<QString> texts = addressesOf(orders.result());
    if (texts.size() != size_t(orderCount) || !sortedEitherWay(texts))
        bench::fail(QStringLiteral("the title click did not sort the orders by address"));
    sortedByUs() = checkOf(texts);
}

// The same strings, copied once into a vector, sorted the same way in the
// same alternation with the same comparison.
void sort_text_100k_bare(benchmark::State& state)
{
    kx::Database dm(databasePath(), nullptr);
    kx::openQuery(dm.gridResult, QStringLiteral("select * from data"));
    std::vector<QString> texts = addressesOf(dm.gridResult);
    dm.gridResult.close();
    bool ascending = false;
    for (auto _ : state) {
        if (ascending)
            std::stable_sort(texts.begin(), texts.end(),
                             [](const QString& a, const QString& b) { return QString::compare(a, b) < 0; });
        else
            std::stable_sort(texts.begin(), texts.end(),
                             [](const QString& a, const QString& b) { return QString::compare(b, a) < 0; });
        ascending = !ascending;
    }
    // The same addresses as our sort left, in order; the direction depends
    // on how many sorts each side ran.
    if (!sortedEitherWay(texts) || (sortedByUs().rows && checkOf(texts) != sortedByUs()))
        bench::fail(QStringLiteral("the bare sort's addresses differ from ours"));
}

// Memory of the fetched rows: resident growth while fetching them, next to
// the size of their texts as the engine stores them.
void noteMemory()
{
    long long textBytes = 0;
    {
        kx::bench::BareDb bare(databasePath());
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(bare.db, "select * from data", -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW)
            for (int c = 0; c < sqlite3_column_count(st); ++c)
                if (sqlite3_column_type(st, c) == SQLITE_TEXT)
                    textBytes += sqlite3_column_bytes(st, c);
        sqlite3_finalize(st);
    }
    kx::Database dm(databasePath(), nullptr);
    const long long peakBefore = kx::bench::peakRss();
    const long long before = kx::bench::currentRss();
    kx::openQuery(dm.gridResult, QStringLiteral("select * from data"));
    const long long peakGrowth = kx::bench::peakRss() - peakBefore;
    const long long held = kx::bench::currentRss() - before;
    kx::bench::addNote(QStringLiteral("fetched_rows_100k peak_rss_growth=%1MB resident=%2MB utf8_text=%3MB")
                           .arg(double(peakGrowth) / 1048576.0, 0, 'f', 1)
                           .arg(double(held) / 1048576.0, 0, 'f', 1)
                           .arg(double(textBytes) / 1048576.0, 0, 'f', 1));
}

}  // namespace

// Ours first: the bare side is checked against what ours showed.
BENCHMARK(show_all_100k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(show_all_100k_bare)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(sort_text_100k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(sort_text_100k_bare)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(show_all_100k_pg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(show_all_100k_pg_bare)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    databasePath() = dir.filePath(QStringLiteral("data.mdb"));
    kx::bench::makeOrdersDatabase(databasePath(), orderCount);
    noteMemory();
    serverUri() = kx::bench::serverRegister(QStringLiteral("grid"), databasePath());
    kx::bench::addRatio("show_all_100k", "show_all_100k", "show_all_100k_bare");
    kx::bench::addRatio("sort_text_100k", "sort_text_100k", "sort_text_100k_bare");
    kx::bench::addMs("show_all_100k", "show_all_100k");
    kx::bench::addRatio("show_all_100k_pg", "show_all_100k_pg", "show_all_100k_pg_bare");
    kx::bench::addMs("show_all_100k_pg", "show_all_100k_pg");
    kx::bench::addMs("sort_text_100k", "sort_text_100k");
    // Ours and the bare side alternate, so that a busy machine (and the
    // server sharing it) weighs on both alike.
    return kx::bench::runBenchmarksInterleaved(argc, argv);
}
