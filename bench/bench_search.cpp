// One keystroke in the quick search's mobile box over 100,000 orders, as the
// user sees it: from the key to the grid reset over the new result, its
// footer totals and its visible rows painted. Against the bare engine running
// the same statement with the same bound value and reading every column of
// every row.

#include "BenchScreen.h"
#include "BenchSupport.h"

#include "data/Schema.h"
#include "orders/OrderGrid.h"
#include "orders/OrderGridModel.h"
#include "orders/OrderRegister.h"
#include "orders/QuickSearchPanel.h"
#include "orders/SearchStatement.h"
#include "widgets/FooterRow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <algorithm>
#include <memory>
#include <string>
#include <sqlite3.h>
#include <vector>

using namespace kx;

namespace {

constexpr int orderCount = 100000;

std::unique_ptr<bench::OrderScreen>& screenSlot()
{
    static std::unique_ptr<bench::OrderScreen> s;
    return s;
}

bench::OrderScreen& screen()
{
    if (!screenSlot()) {
        bench::makeOrdersDatabase(schema::databaseFile, orderCount);
        screenSlot() = std::make_unique<bench::OrderScreen>(schema::databaseFile);
    }
    return *screenSlot();
}

void typeKey(QWidget* target, char ch)
{
    QKeyEvent press(QEvent::KeyPress, ch, Qt::NoModifier, QString(QLatin1Char(ch)));
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, ch, Qt::NoModifier, QString(QLatin1Char(ch)));
    QCoreApplication::sendEvent(target, &release);
}

bench::ResultCheck& foundByUs()
{
    static bench::ResultCheck c;
    return c;
}

void search_keystroke_100k(benchmark::State& state)
{
    bench::OrderScreen& s = screen();
    QLineEdit* mobile = s.panel->mobileEdit;
    Dataset& result = s.orders->result();
    for (auto _ : state) {
        state.PauseTiming();
        {
            // "13" already typed; setting it runs no search here.
            const QSignalBlocker blocker(mobile);
            mobile->setText(QStringLiteral("13"));
        }
        result.close();
        QCoreApplication::processEvents();  // the emptied grid painted
        state.ResumeTiming();
        typeKey(mobile, '8');
        s.settle();
    }
    if (result.rowCount() != orderCount || result.params() != QVariantList{QStringLiteral("138")} ||
        s.grid->model()->rowCount() != orderCount || !s.orders->hasTotals() ||
        s.grid->footer()->text(QuantityColumn) != s.orders->quantityTotal().text() ||
        s.grid->footer()->text(QuantityColumn).isEmpty())
        bench::fail(QStringLiteral("the keystroke showed %1 rows").arg(result.rowCount()));
    foundByUs() = bench::checkOf(result);
}

void bare_search_keystroke_100k(benchmark::State& state)
{
    screen();  // the same file
    bench::BareDb bare(schema::databaseFile);
    SearchConditions c;
    c.mobile = QStringLiteral("138");
    const SearchStatement statement = SearchStatement::build(c);
    const QByteArray sql = statement.sql.toUtf8();
    QList<QByteArray> values;
    for (const QVariant& v : statement.params)
        values << v.toString().toUtf8();
    bench::ResultCheck found;
    for (auto _ : state) {
        found = bench::readAll(bare.db, sql, values);
        benchmark::DoNotOptimize(found);
    }
    if (found.rows != orderCount)
        bench::fail(QStringLiteral("bare search read %1").arg(found.toString()));
    if (foundByUs().rows && found != foundByUs())
        bench::fail(QStringLiteral("bare search read %1, ours showed %2")
                        .arg(found.toString(), foundByUs().toString()));
}

}  // namespace

BENCHMARK(search_keystroke_100k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(bare_search_keystroke_100k)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::addRatio("search_keystroke_100k", "search_keystroke_100k", "bare_search_keystroke_100k");
    bench::addMs("search_keystroke_100k", "search_keystroke_100k");
    // The two sides alternate, so that a busy machine weighs on both alike.
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    if (std::none_of(args.begin(), args.end(),
                     [](const char* a) { return std::string(a).rfind("--benchmark_enable_random", 0) == 0; }))
        args.push_back(interleave.data());
    const int status = bench::runBenchmarks(int(args.size()), args.data());
    screenSlot().reset();  // while the application object still exists
    return status;
}
