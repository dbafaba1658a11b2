// The quick search over 100,000 orders, as the user sees it: from the key to
// the grid reset over the new result, its footer totals and its visible rows
// painted — one more character typed, one deleted — and from the last key
// until the grid equals what the file holds once typing pauses, another
// station having added a matching order just before that key. Against the
// bare engine running the same statement with the same bound value and
// reading every column of every row. Then the memory of the register with
// its views, against the bare engine's rows fetched into plain strings.
//
// The same keystroke and settling over the same orders on a database server,
// and the statement the settling runs there, its result taken into the
// register, against bare libpq running it and reading every value.

#include "BenchScreen.h"
#include "BenchSupport.h"

#include "data/Schema.h"
#include "data/Statement.h"
#include "orders/OrderGrid.h"
#include "orders/OrderGridModel.h"
#include "orders/OrderRegister.h"
#include "orders/QuickSearchPanel.h"
#include "orders/SearchStatement.h"
#include "widgets/FooterRow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <sqlite3.h>
#include <vector>

using namespace kx;

namespace {

constexpr int orderCount = 100000;

// The same orders in a register on the server.
QString& serverUri()
{
    static QString uri;
    return uri;
}

// The statement the settling runs on the server for a mobile, with the row
// identity the register keeps its rows by.
const QByteArray serverMobileSearch =
    R"(select kx_row, "a","b","c","d","g","h","i","j","k","z","1","2","day1" from data where "a"<>'' and )"
    R"(cast(b as text) collate "C" ilike '%' || $1 || '%' escape '\' order by kx_row)";

std::map<QString, std::unique_ptr<bench::OrderScreen>>& screens()
{
    static std::map<QString, std::unique_ptr<bench::OrderScreen>> s;
    return s;
}

// The order screen over the 100,000 orders of a register (the file or the
// server's), every order fetched once, as after the login's show-all.
bench::OrderScreen& screen(const QString& where = schema::databaseFile)
{
    std::unique_ptr<bench::OrderScreen>& slot = screens()[where];
    if (!slot) {
        slot = std::make_unique<bench::OrderScreen>(where);
        slot->orders->showAll();
        QCoreApplication::processEvents();
    }
    return *slot;
}

void sendKey(QWidget* target, int key, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &release);
}

void typeKey(QWidget* target, char ch)
{
    sendKey(target, ch, QString(QLatin1Char(ch)));
}

// Shows the quick search of `text` in a box as if it had been typed, and
// lets the file statement that would follow go: the next key supersedes it.
void standOn(bench::OrderScreen& s, QLineEdit* box, const QString& text)
{
    for (QLineEdit* e : {s.panel->nameEdit, s.panel->mobileEdit, s.panel->addressEdit, s.panel->memberEdit,
                         s.panel->orderNumberEdit}) {
        const QSignalBlocker blocker(e);
        e->setText(e == box ? text : QString());
    }
    s.orders->quickSearch(s.panel->conditions());
    QCoreApplication::processEvents();
}

// No file statement left running into the next benchmark.
void stopSettling(bench::OrderScreen& s)
{
    QEventLoop loop;
    QObject::connect(s.orders.get(), &OrderRegister::settled, &loop, &QEventLoop::quit);
    QObject::connect(s.orders.get(), &OrderRegister::settleFailed, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    if (s.orders->isSettling())
        loop.exec();
}

bench::ResultCheck& foundByUs()
{
    static bench::ResultCheck c;
    return c;
}

void checkShown(bench::OrderScreen& s, const QString& mobile, int rows)
{
    Dataset& result = s.orders->result();
    if (result.rowCount() != rows || result.params() != QVariantList{mobile} ||
        s.grid->model()->rowCount() != rows || !s.orders->hasTotals() ||
        s.grid->footer()->text(QuantityColumn) != s.orders->quantityTotal().text() ||
        s.grid->footer()->text(QuantityColumn).isEmpty())
        bench::fail(QStringLiteral("the search for %1 showed %2 rows").arg(mobile).arg(result.rowCount()));
}

void search_keystroke(benchmark::State& state, const QString& where, bench::ResultCheck& found)
{
    bench::OrderScreen& s = screen(where);
    QLineEdit* mobile = s.panel->mobileEdit;
    for (auto _ : state) {
        state.PauseTiming();
        standOn(s, mobile, QStringLiteral("13"));
        state.ResumeTiming();
        typeKey(mobile, '8');
        s.settle();
    }
    checkShown(s, QStringLiteral("138"), orderCount);
    found = bench::checkOf(s.orders->result());
    stopSettling(s);
}

void search_keystroke_100k(benchmark::State& state)
{
    search_keystroke(state, schema::databaseFile, foundByUs());
}

void search_keystroke_100k_pg(benchmark::State& state)
{
    bench::ResultCheck found;
    search_keystroke(state, serverUri(), found);
}

// Runs the settling now and waits for it; false when it failed.
bool settle(bench::OrderScreen& s)
{
    bool done = false;
    QEventLoop loop;
    const auto a = QObject::connect(s.orders.get(), &OrderRegister::settled, &loop, [&] {
        done = true;
        loop.quit();
    });
    const auto b = QObject::connect(s.orders.get(), &OrderRegister::settleFailed, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    s.orders->settleNow();
    loop.exec();
    QObject::disconnect(a);
    QObject::disconnect(b);
    return done;
}

bench::ResultCheck& settledByUs()
{
    static bench::ResultCheck c;
    return c;
}

// The statement the settling runs for a mobile typed, every order found
// and compared with the register's, from the moment the typing paused to
// the register holding the result.
void search_query_100k_pg(benchmark::State& state)
{
    bench::OrderScreen& s = screen(serverUri());
    QLineEdit* mobile = s.panel->mobileEdit;
    standOn(s, mobile, QStringLiteral("138"));
    if (!settle(s))  // the settling's connection opened before the timing
        bench::fail(QStringLiteral("the search did not settle"));
    for (auto _ : state) {
        state.PauseTiming();
        standOn(s, mobile, QStringLiteral("138"));
        state.ResumeTiming();
        if (!settle(s))
            bench::fail(QStringLiteral("the search did not settle"));
    }
    checkShown(s, QStringLiteral("138"), orderCount);
    settledByUs() = bench::checkOf(s.orders->result());
}

void bare_search_query_100k_pg(benchmark::State& state)
{
    bench::BarePg bare(serverUri());
    bench::ResultCheck found;
    for (auto _ : state) {
        found = bench::readAll(bare.conn, serverMobileSearch, {"138"}, 1);  // the identity kept apart
        benchmark::DoNotOptimize(found);
    }
    if (found.rows != orderCount)
        bench::fail(QStringLiteral("bare server search read %1").arg(found.toString()));
    if (settledByUs().rows && found != settledByUs())
        bench::fail(QStringLiteral("bare server search read %1, ours settled on %2")
                        .arg(found.toString(), settledByUs().toString()));
}

void search_backspace_100k(benchmark::State& state)
{
    bench::OrderScreen& s = screen();
    QLineEdit* mobile = s.panel->mobileEdit;
    for (auto _ : state) {
        state.PauseTiming();
        standOn(s, mobile, QStringLiteral("138"));
        state.ResumeTiming();
        sendKey(mobile, Qt::Key_Backspace, QString());
        s.settle();
    }
    checkShown(s, QStringLiteral("13"), orderCount);
    stopSettling(s);
}

// Another station on the register: adds an order named 张伟 (with a mobile
// the other benchmarks do not find), and finds what the register holds for
// a search statement.
struct OtherStation {
    std::function<void()> addOrder;
    std::function<bench::ResultCheck(const SearchStatement&)> find;
};

// The name box: "张" typed, another station adds an order named 张伟, then
// "伟" is typed; timed until the grid shows what the register holds for 张伟.
void search_settled(benchmark::State& state, const QString& where, const OtherStation& other)
{
    bench::OrderScreen& s = screen(where);
    QLineEdit* name = s.panel->nameEdit;
    int added = 0;
    for (auto _ : state) {
        state.PauseTiming();
        standOn(s, name, QStringLiteral("张"));
        stopSettling(s);
        other.addOrder();
        ++added;
        bool done = false;
        QEventLoop loop;
        const auto a = QObject::connect(s.orders.get(), &OrderRegister::settled, &loop, [&] {
            done = true;
            loop.quit();
        });
        const auto b = QObject::connect(s.orders.get(), &OrderRegister::settleFailed, &loop, &QEventLoop::quit);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        state.ResumeTiming();
        sendKey(name, 0, QStringLiteral("伟"));
        loop.exec();
        s.settle();
        state.PauseTiming();
        QObject::disconnect(a);
        QObject::disconnect(b);
        if (!done)
            bench::fail(QStringLiteral("the grid did not settle"));
        state.ResumeTiming();
    }
    // The grid equals the engine's result for 张伟, the added orders included.
    SearchConditions c;
    c.name = QStringLiteral("张伟");
    const bench::ResultCheck engine = other.find(SearchStatement::build(c));
    if (engine != bench::checkOf(s.orders->result()) || engine.rows < added)
        bench::fail(QStringLiteral("the settled grid shows %1, the engine finds %2")
                        .arg(bench::checkOf(s.orders->result()).toString(), engine.toString()));
}

QList<QByteArray> valuesOf(const SearchStatement& statement)
{
    QList<QByteArray> values;
    for (const QVariant& v : statement.params)
        values << v.toString().toUtf8();
    return values;
}

void search_settled_100k(benchmark::State& state)
{
    bench::BareDb other(schema::databaseFile);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(other.db, "insert into data (a,b,c,d,g,[1],[2]) values ('张伟','15912345678','北京市','申通快递',"
                       "'未打印',1,9.9)", -1, &insert, nullptr);
    const OtherStation station{
        [&] {
            if (sqlite3_step(insert) != SQLITE_DONE)
                bench::fail(QStringLiteral("the other station's insert failed"));
            sqlite3_reset(insert);
        },
        [&](const SearchStatement& statement) {
            return bench::readAll(other.db, statement.sql.toUtf8(), valuesOf(statement));
        }};
    search_settled(state, schema::databaseFile, station);
    sqlite3_finalize(insert);
}

void search_settled_100k_pg(benchmark::State& state)
{
    bench::BarePg other(serverUri());
    const OtherStation station{
        [&] {
            other.exec(R"(insert into data ("a","b","c","d","g","1","2") values ('张伟','15912345678','北京市',)"
                       R"('申通快递','未打印',1,9.9))");
        },
        [&](const SearchStatement& statement) {
            // The name search as the server runs it.
            return bench::readAll(other.conn,
                                  R"(select "a","b","c","d","g","h","i","j","k","z","1","2","day1" from data )"
                                  R"(where "a"<>'' and cast(a as text) collate "C" ilike '%' || $1 || '%' )"
                                  R"(escape '\' order by kx_row)",
                                  valuesOf(statement));
        }};
    search_settled(state, serverUri(), station);
}

void bare_search_keystroke_100k(benchmark::State& state)
{
    screen();  // the same file
    bench::BareDb bare(schema::databaseFile);
    SearchConditions c;
    c.mobile = QStringLiteral("138");
    const SearchStatement statement = SearchStatement::build(c);
    const QByteArray sql = statement.sql.toUtf8();
    const QList<QByteArray> values = valuesOf(statement);
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

// Forgets the process's peak resident memory, so that the next peak is the
// next piece of work's own.
void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (!f.open(QIODevice::WriteOnly) || f.write("5") != 1)
        bench::fail(QStringLiteral("cannot reset the peak memory"));
}

// The register's peak while it fetches every order, shows a few quick
// searches over them and catches up with the file after one, against the
// bare engine's rows fetched into one std::string per value.
double memoryRatio()
{
    // Ours first and kept: the bare side's memory is then its own.
    auto s = std::make_unique<bench::OrderScreen>(schema::databaseFile);
    resetPeak();
    const long long oursBefore = bench::currentRss();
    s->orders->showAll();
    for (const char* text : {"1", "13", "138", "13", "1"}) {
        const QSignalBlocker blocker(s->panel->mobileEdit);
        s->panel->mobileEdit->setText(QString::fromUtf8(text));
        s->orders->quickSearch(s->panel->conditions());
    }
    s->orders->settleNow();
    stopSettling(*s);
    QCoreApplication::processEvents();
    const long long ours = bench::peakRss() - oursBefore;
    if (s->orders->result().rowCount() < orderCount)
        bench::fail(QStringLiteral("the memory run showed %1 rows").arg(s->orders->result().rowCount()));

    long long bare = 0;
    {
        bench::BareDb db(schema::databaseFile);
        resetPeak();
        const long long bareBefore = bench::currentRss();
        std::vector<std::string> values;
        long long rows = 0;
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db.db, "select * from data", -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) {
            ++rows;
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
                values.emplace_back(text ? text : "", size_t(sqlite3_column_bytes(st, c)));
            }
        }
        sqlite3_finalize(st);
        bare = bench::peakRss() - bareBefore;
        if (rows < orderCount)
            bench::fail(QStringLiteral("the bare fetch read %1 rows").arg(rows));
        benchmark::DoNotOptimize(values.data());
    }
    bench::addNote(QStringLiteral("search_memory_100k ours_peak=%1MB bare_strings_peak=%2MB")
                       .arg(double(ours) / 1048576.0, 0, 'f', 1)
                       .arg(double(bare) / 1048576.0, 0, 'f', 1));
    s.reset();
    return double(ours) / double(bare);
}

}  // namespace

BENCHMARK(search_keystroke_100k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(bare_search_keystroke_100k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(search_backspace_100k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(search_settled_100k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(search_keystroke_100k_pg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(search_query_100k_pg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(bare_search_query_100k_pg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(search_settled_100k_pg)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::makeOrdersDatabase(schema::databaseFile, orderCount);
    const double memory = memoryRatio();
    serverUri() = bench::serverRegister(QStringLiteral("search"), schema::databaseFile);
    bench::addRatio("search_keystroke_100k", "search_keystroke_100k", "bare_search_keystroke_100k");
    bench::addMs("search_keystroke_100k", "search_keystroke_100k");
    bench::addMs("search_backspace_100k", "search_backspace_100k");
    bench::addMs("search_settled_100k", "search_settled_100k");
    bench::addRatio("search_query_100k_pg", "search_query_100k_pg", "bare_search_query_100k_pg");
    bench::addMs("search_query_100k_pg", "search_query_100k_pg");
    bench::addMs("search_keystroke_100k_pg", "search_keystroke_100k_pg");
    bench::addMs("search_settled_100k_pg", "search_settled_100k_pg");
    // The keystroke and its bare statement alternate, so that a busy machine
    // weighs on both alike.
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    if (std::none_of(args.begin(), args.end(),
                     [](const char* a) { return std::string(a).rfind("--benchmark_enable_random", 0) == 0; }))
        args.push_back(interleave.data());
    const int status = bench::runBenchmarks(int(args.size()), args.data());
    // After the time ratios, in the same form.
    std::printf("ratio search_memory_100k %.3f\n", memory);
    std::fflush(stdout);
    screens().clear();  // while the application object still exists
    return status;
}
