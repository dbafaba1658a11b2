// One keystroke in the quick search's mobile box over 100,000 orders: from
// the key to the grid's dataset fetched and ready, against the bare engine
// running the same statement with the same bound value and reading every
// column of every row.

#include "BenchSupport.h"

#include "data/Schema.h"
#include "data/Tdmfm.h"
#include "orders/OrderRegister.h"
#include "orders/QuickSearchPanel.h"
#include "orders/SearchStatement.h"
#include "platform/Platform.h"
#include "platform/QtDialogs.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sqlite3.h>
#include <vector>

using namespace kx;

namespace {

constexpr int orderCount = 100000;

// A message box in a benchmark means the search failed: stop at once rather
// than wait for a click that never comes.
class FailingDialogs : public QtDialogs {
public:
    QMessageBox::StandardButton message(QWidget*, const QString& caption, const QString& text, Icon,
                                        QMessageBox::StandardButtons, QMessageBox::StandardButton) override
    {
        std::fprintf(stderr, "unexpected message %s: %s\n", qPrintable(caption), qPrintable(text));
        std::exit(1);
    }
};

struct World {
    FailingDialogs dialogs;
    QtShell shell;
    QtSettingsStore settings;
    SystemClock clock;
    Platform platform{dialogs, shell, settings, clock};
    std::unique_ptr<Tdmfm> dm;
    std::unique_ptr<OrderRegister> orders;
    std::unique_ptr<QuickSearchPanel> panel;

    World()
    {
        bench::makeOrdersDatabase(schema::databaseFile, orderCount);
        dm = std::make_unique<Tdmfm>();
        orders = std::make_unique<OrderRegister>(*dm);
        panel = std::make_unique<QuickSearchPanel>(*orders, platform);
    }
};

std::unique_ptr<World>& worldSlot()
{
    static std::unique_ptr<World> w;
    return w;
}

World& world()
{
    if (!worldSlot())
        worldSlot() = std::make_unique<World>();
    return *worldSlot();
}

void typeKey(QWidget* target, char ch)
{
    QKeyEvent press(QEvent::KeyPress, ch, Qt::NoModifier, QString(QLatin1Char(ch)));
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, ch, Qt::NoModifier, QString(QLatin1Char(ch)));
    QCoreApplication::sendEvent(target, &release);
}

std::vector<double>& keystrokeMillis()
{
    static std::vector<double> v;
    return v;
}

void search_keystroke_100k(benchmark::State& state)
{
    World& w = world();
    QLineEdit* mobile = w.panel->Edit50;
    Dataset& grid = w.dm->ADOQuery15;
    for (auto _ : state) {
        state.PauseTiming();
        {
            // "13" already typed; setting it runs no search here.
            const QSignalBlocker blocker(mobile);
            mobile->setText(QStringLiteral("13"));
        }
        grid.close();
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        typeKey(mobile, '8');
        const auto end = std::chrono::steady_clock::now();
        keystrokeMillis().push_back(std::chrono::duration<double, std::milli>(end - start).count());
        benchmark::DoNotOptimize(grid.rowCount());
    }
    if (grid.rowCount() != orderCount || grid.params() != QVariantList{QStringLiteral("138")}) {
        std::fprintf(stderr, "unexpected result: %d rows\n", grid.rowCount());
        std::exit(1);
    }
    state.counters["rows"] = grid.rowCount();
}

void bare_search_keystroke_100k(benchmark::State& state)
{
    world();  // the same file
    bench::BareDb bare(schema::databaseFile);
    sqlite3* db = bare.db;
    SearchConditions c;
    c.mobile = QStringLiteral("138");
    const QByteArray sql = SearchStatement::build(QStringLiteral("where [a]<>''"), c).sql.toUtf8();
    const QByteArray value = c.mobile.toUtf8();
    int rows = 0;
    for (auto _ : state) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &st, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
            std::exit(1);
        }
        sqlite3_bind_text(st, 1, value.constData(), int(value.size()), SQLITE_TRANSIENT);
        const int columns = sqlite3_column_count(st);
        rows = 0;
        size_t bytes = 0;
        double sum = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            ++rows;
            for (int col = 0; col < columns; ++col) {
                switch (sqlite3_column_type(st, col)) {
                case SQLITE_FLOAT:
                case SQLITE_INTEGER:
                    sum += sqlite3_column_double(st, col);
                    break;
                case SQLITE_NULL:
                    break;
                default:
                    benchmark::DoNotOptimize(sqlite3_column_text(st, col));
                    bytes += size_t(sqlite3_column_bytes(st, col));
                }
            }
        }
        sqlite3_finalize(st);
        benchmark::DoNotOptimize(bytes);
        benchmark::DoNotOptimize(sum);
    }
    if (rows != orderCount) {
        std::fprintf(stderr, "unexpected bare result: %d rows\n", rows);
        std::exit(1);
    }
}

QString keystrokeNote()
{
    std::vector<double> v = keystrokeMillis();
    if (v.empty())
        return QStringLiteral("search_keystroke_100k did not run");
    std::sort(v.begin(), v.end());
    return QStringLiteral("search_keystroke_100k median %1 ms over %2 keystrokes (%3 rows fetched)")
        .arg(v[v.size() / 2], 0, 'f', 1)
        .arg(v.size())
        .arg(orderCount);
}

}  // namespace

BENCHMARK(search_keystroke_100k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(bare_search_keystroke_100k)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    bench::addRatio("search_keystroke_100k", "search_keystroke_100k", "bare_search_keystroke_100k");
    bench::addNote(keystrokeNote);
    // The two sides alternate, so that a busy machine weighs on both alike.
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    if (std::none_of(args.begin(), args.end(),
                     [](const char* a) { return std::string(a).rfind("--benchmark_enable_random", 0) == 0; }))
        args.push_back(interleave.data());
    const int status = bench::runBenchmarks(int(args.size()), args.data());
    worldSlot().reset();  // while the application object still exists
    return status;
}
