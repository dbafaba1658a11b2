// Importing a shop's order report of 20,000 orders, an Excel 97-2003
// workbook written at start by bench/make_import_report.py (xlwt): the file
// read, its worksheet turned into a table, every value converted and all
// orders inserted in one transaction through one prepared statement. Against
// the bare engine inserting the same 20,000 orders, already converted and
// held in memory, the same way. The database is opened (its key derived)
// outside the timing on both sides, each time into a fresh empty file.
//
// Then "全部记录" over the imported orders, as the import window runs it
// right after: the grid's result refilled and shown.
#include "BenchScreen.h"
#include "BenchSupport.h"

#include "data/Connection.h"
#include "data/DatabaseFactory.h"
#include "data/Schema.h"
#include "import/OrderImport.h"
#include "import/ReportFileReader.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <sqlite3.h>

#include <array>
#include <memory>
#include <vector>

using namespace kx;

namespace {

constexpr int orderCount = 20000;
constexpr int fieldCount = 13;
const QByteArray importedFields =
    "select [a], [b], [c], [d], [g], [1], [2], [h], [i], [j], [k], [day1], [z] from data order by _rowid_";

struct Files {
    QString report;    // the workbook
    QString empty;     // a new database without orders
    QString scratch;   // where each pass imports
    QString imported;  // the orders as our import stores them
};

Files& files()
{
    static Files f;
    return f;
}

// A fresh copy of the empty database to import into.
QString freshDatabase()
{
    QFile::remove(files().scratch);
    if (!QFile::copy(files().empty, files().scratch))
        bench::fail(QStringLiteral("cannot copy the empty database"));
    return files().scratch;
}

// What the imported orders of a file add up to.
bench::ResultCheck importedCheck(const QString& path)
{
    bench::BareDb db(path);
    return bench::readAll(db.db, importedFields);
}

// Fails unless the file holds exactly the orders our import stored at start.
void checkImported(const QString& path)
{
    static const bench::ResultCheck reference = importedCheck(files().imported);
    const bench::ResultCheck stored = importedCheck(path);
    if (stored.rows != orderCount || stored != reference)
        bench::fail(QStringLiteral("the database holds %1, not %2").arg(stored.toString(), reference.toString()));
}

void import_xls_20k(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = freshDatabase();
        auto connection = std::make_unique<Connection>();
        connection->open(path, schema::databaseKey);
        state.ResumeTiming();

        const ReportFileReader report = ReportFileReader::fromFile(files().report);
        const int added = OrderImport::run(*connection, report.table(), report.uses1904());

        state.PauseTiming();
        connection.reset();
        if (added != orderCount)
            bench::fail(QStringLiteral("%1 orders imported, not %2").arg(added).arg(orderCount));
        checkImported(path);
        state.ResumeTiming();
    }
}

// The orders as the bare engine holds them after converting: one copied
// engine value per field.
struct ConvertedOrders {
    std::vector<std::array<sqlite3_value*, fieldCount>> rows;

    ConvertedOrders()
    {
        bench::BareDb db(files().imported);
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db.db, importedFields.constData(), -1, &st, nullptr) != SQLITE_OK)
            bench::fail(QString::fromUtf8(sqlite3_errmsg(db.db)));
        rows.reserve(orderCount);
        while (sqlite3_step(st) == SQLITE_ROW) {
            std::array<sqlite3_value*, fieldCount> row;
            for (int f = 0; f < fieldCount; ++f)
                row[size_t(f)] = sqlite3_value_dup(sqlite3_column_value(st, f));
            rows.push_back(row);
        }
        sqlite3_finalize(st);
    }
    ~ConvertedOrders()
    {
        for (auto& row : rows)
            for (sqlite3_value* v : row)
                sqlite3_value_free(v);
    }
    ConvertedOrders(const ConvertedOrders&) = delete;
    ConvertedOrders& operator=(const ConvertedOrders&) = delete;
};

void import_xls_20k_bare(benchmark::State& state)
{
    const ConvertedOrders orders;
    const QByteArray sql = OrderImport::insertStatement().toUtf8();
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = freshDatabase();
        auto bare = std::make_unique<bench::BareDb>(path);
        // The key is derived at the first statement; ours is at opening.
        bench::readAll(bare->db, "select count(*) from sqlite_master");
        state.ResumeTiming();

        sqlite3* db = bare->db;
        sqlite3_stmt* insert = nullptr;
        if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &insert, nullptr) != SQLITE_OK)
            bench::fail(QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
        for (const auto& row : orders.rows) {
            for (int f = 0; f < fieldCount; ++f)
                sqlite3_bind_value(insert, f + 1, row[size_t(f)]);
            if (sqlite3_step(insert) != SQLITE_DONE)
                bench::fail(QString::fromUtf8(sqlite3_errmsg(db)));
            sqlite3_reset(insert);
        }
        if (sqlite3_exec(db, "commit", nullptr, nullptr, nullptr) != SQLITE_OK)
            bench::fail(QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_finalize(insert);

        state.PauseTiming();
        bare.reset();
        checkImported(path);
        state.ResumeTiming();
    }
}

void import_show_all_20k(benchmark::State& state)
{
    bench::OrderScreen screen(files().imported);
    for (auto _ : state) {
        screen.orders->showAll();
        screen.settle();
    }
    if (screen.orders->rowCount() != orderCount)
        bench::fail(QStringLiteral("the grid shows %1 orders").arg(screen.orders->rowCount()));
}

// Writes the workbook with the committed generator, and the databases.
void prepare(const QTemporaryDir& dir)
{
    Files& f = files();
    f.report = dir.filePath(QStringLiteral("tarnvale.xls"));
    f.empty = dir.filePath(QStringLiteral("empty.mdb"));
    f.scratch = dir.filePath(QStringLiteral("data.mdb"));
    f.imported = dir.filePath(QStringLiteral("imported.mdb"));

    const QString script = QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/make_import_report.py");
    QProcess python;
    python.setProcessChannelMode(QProcess::ForwardedChannels);
    python.start(QStringLiteral("/usr/bin/python3"), {script, f.report, QString::number(orderCount)});
    if (!python.waitForFinished(300000) || python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0)
        bench::fail(QStringLiteral("the report generator failed: %1").arg(script));

    createDatabase(f.empty, false);
    QFile::copy(f.empty, f.imported);
    Connection c;
    c.open(f.imported, schema::databaseKey);
    const ReportFileReader report = ReportFileReader::fromFile(f.report);
    if (OrderImport::run(c, report.table(), report.uses1904()) != orderCount)
        bench::fail(QStringLiteral("the reference import did not add every order"));
    // Every order with its order number from the formulas, its mobile from
    // a number, its payment time from a date cell and its amount.
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(c.handle(),
                       "select count(*) from data where j like '19306798581%' and length(j) = 16"
                       " and b like '13%' and length(b) = 11 and day1 like '202_-__-__ __:__:__'"
                       " and [2] > 0 and d is not null",
                       -1, &st, nullptr);
    const int complete = st && sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : -1;
    sqlite3_finalize(st);
    if (complete != orderCount)
        bench::fail(QStringLiteral("only %1 orders were imported whole").arg(complete));
}

}  // namespace

BENCHMARK(import_xls_20k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(import_xls_20k_bare)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(import_show_all_20k)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    prepare(dir);
    bench::addRatio("import_xls_20k", "import_xls_20k", "import_xls_20k_bare");
    bench::addMs("import_xls_20k", "import_xls_20k");
    bench::addMs("import_show_all_20k", "import_show_all_20k");
    return bench::runBenchmarks(argc, argv);
}
