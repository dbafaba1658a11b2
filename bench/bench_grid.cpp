// The order grid's two hot paths against the bare engine doing the same work:
// the show-all action over 100,000 orders, and a title-click sort of the
// fetched rows by a text column.
#include "BenchSupport.h"

#include "data/DataOps.h"
#include "data/Schema.h"
#include "data/Tdmfm.h"
#include "orders/OrderGrid.h"
#include "orders/OrderGridModel.h"
#include "orders/OrderRegister.h"
#include "widgets/ControlOps.h"

#include <QApplication>
#include <QComboBox>
#include <QTemporaryDir>
#include <algorithm>
#include <sqlite3.h>
#include <vector>

namespace {

constexpr int orderCount = 100000;

QString& databasePath()
{
    static QString path;
    return path;
}

// Steps through a statement reading every column of every row.
unsigned long long readAll(sqlite3* db, const char* sql)
{
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    unsigned long long sum = 0;
    const int columns = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_NULL:
                break;
            case SQLITE_FLOAT:
            case SQLITE_INTEGER:
                sum += static_cast<unsigned long long>(sqlite3_column_double(st, c));
                break;
            default: {
                const unsigned char* text = sqlite3_column_text(st, c);
                const int bytes = sqlite3_column_bytes(st, c);
                sum += static_cast<unsigned long long>(bytes) + (bytes ? text[0] : 0);
            }
            }
        }
    }
    sqlite3_finalize(st);
    return sum;
}

void show_all_100k(benchmark::State& state)
{
    kx::Tdmfm dm(databasePath(), nullptr);
    kx::OrderGridModel model(dm.ADOQuery15);
    QComboBox couriers;
    for (auto _ : state) {
        kx::fillColumnList(dm.ADOQuery1, QStringLiteral("d"), QStringLiteral("data"), &couriers);
        kx::openQuery(dm.ADOQuery15, QStringLiteral("select * from data"));
        dm.ADOQuery15.last();
        benchmark::DoNotOptimize(model.rowCount());
    }
    if (model.rowCount() != orderCount || couriers.count() == 0)
        state.SkipWithError("show-all did not fetch every order");
}

void show_all_100k_bare(benchmark::State& state)
{
    kx::bench::BareDb bare(databasePath());
    for (auto _ : state) {
        benchmark::DoNotOptimize(readAll(bare.db, "select d from data group by d order by d"));
        benchmark::DoNotOptimize(readAll(bare.db, "select * from data"));
    }
}

// The grid's own title click on 地址: descending, ascending, descending …
// each sort starting from the previous one's order.
void sort_text_100k(benchmark::State& state)
{
    kx::Tdmfm dm(databasePath(), nullptr);
    kx::OrderRegister orders(dm);
    kx::OrderGrid grid(orders);
    orders.showAll();
    for (auto _ : state)
        grid.sortByTitle(2, false);
    benchmark::DoNotOptimize(dm.ADOQuery15.value(0, 0));
}

// The same strings, copied once into a vector, sorted the same way in the
// same alternation with the same comparison.
void sort_text_100k_bare(benchmark::State& state)
{
    kx::Tdmfm dm(databasePath(), nullptr);
    kx::openQuery(dm.ADOQuery15, QStringLiteral("select * from data"));
    const int column = dm.ADOQuery15.fieldIndex(QStringLiteral("c"));
    std::vector<QString> texts;
    texts.reserve(size_t(dm.ADOQuery15.rowCount()));
    for (int r = 0; r < dm.ADOQuery15.rowCount(); ++r)
        texts.push_back(dm.ADOQuery15.value(r, column).toString());
    dm.ADOQuery15.close();
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
    benchmark::DoNotOptimize(texts.front());
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
    kx::Tdmfm dm(databasePath(), nullptr);
    const long long peakBefore = kx::bench::peakRss();
    const long long before = kx::bench::currentRss();
    kx::openQuery(dm.ADOQuery15, QStringLiteral("select * from data"));
    const long long peakGrowth = kx::bench::peakRss() - peakBefore;
    const long long held = kx::bench::currentRss() - before;
    kx::bench::addNote(QStringLiteral("fetched_rows_100k peak_rss_growth=%1MB resident=%2MB utf8_text=%3MB")
                           .arg(double(peakGrowth) / 1048576.0, 0, 'f', 1)
                           .arg(double(held) / 1048576.0, 0, 'f', 1)
                           .arg(double(textBytes) / 1048576.0, 0, 'f', 1));
}

}  // namespace

BENCHMARK(show_all_100k)->Unit(benchmark::kMillisecond);
BENCHMARK(show_all_100k_bare)->Unit(benchmark::kMillisecond);
BENCHMARK(sort_text_100k)->Unit(benchmark::kMillisecond);
BENCHMARK(sort_text_100k_bare)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    databasePath() = dir.filePath(QStringLiteral("data.mdb"));
    kx::bench::makeOrdersDatabase(databasePath(), orderCount);
    noteMemory();
    kx::bench::addRatio("show_all_100k", "show_all_100k", "show_all_100k_bare");
    kx::bench::addRatio("sort_text_100k", "sort_text_100k", "sort_text_100k_bare");
    return kx::bench::runBenchmarks(argc, argv);
}
