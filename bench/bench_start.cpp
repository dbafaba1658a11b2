// The check the program makes of data.mdb at start, over 100,000 orders:
// DatabaseChecker::checkSchema as the program runs it — kestrix-check started
// as a process of its own, the file opened read-only with the key, its
// schema read and compared with a new register's. Against the bare engine
// opening the same file with the key and reading sqlite_master in-process,
// which is what the program did before the check and what the check costs
// beyond that is measured against.

#include "BenchSupport.h"

#include "core/OperationError.h"
#include "data/Connection.h"
#include "data/DatabaseChecker.h"
#include "data/DatabaseFactory.h"
#include "data/Schema.h"

#include <QCoreApplication>
#include <QFile>
#include <sqlite3.h>

using namespace kx;

namespace {

constexpr int orderCount = 100000;
// The rows of a new register's sqlite_master: five tables and sqlite_sequence.
constexpr int schemaRows = 6;

void prepare()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    bench::makeOrdersDatabase(schema::databaseFile, orderCount);
    // The checker measured is one that refuses: a trigger makes it say so.
    const QString hostile = QStringLiteral("trigger.mdb");
    QFile::remove(hostile);
    createDatabase(hostile, false);
    {
        Connection c;
        c.open(hostile, schema::databaseKey);
        c.execScript(QStringLiteral("create trigger t after insert on rz begin delete from data; end"));
    }
    try {
        DatabaseChecker().checkSchema(hostile);
        bench::fail(QStringLiteral("the check let a register with a trigger through"));
    } catch (const OperationError&) {
    }
}

void start_check_100k(benchmark::State& state)
{
    prepare();
    const DatabaseChecker checker;
    try {
        for (auto _ : state)
            checker.checkSchema(schema::databaseFile);
    } catch (const OperationError& e) {
        bench::fail(e.message());
    }
}

void bare_start_check_100k(benchmark::State& state)
{
    prepare();
    for (auto _ : state) {
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(schema::databaseFile.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
            sqlite3_key(db, schema::databaseKey.constData(), int(schema::databaseKey.size())) != SQLITE_OK)
            bench::fail(QStringLiteral("bare engine could not open the register"));
        const bench::ResultCheck rows = bench::readAll(db, "select type, name, tbl_name, sql from sqlite_master");
        sqlite3_close(db);
        if (rows.rows != schemaRows)
            bench::fail(QStringLiteral("bare engine read %1").arg(rows.toString()));
    }
}

}  // namespace

BENCHMARK(start_check_100k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(bare_start_check_100k)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The program finds the checker beside itself; the benchmarks run from
    // a folder of their own.
    DatabaseChecker::setProgram(QStringLiteral(KX_CHECKER_PATH));
    bench::addRatio("start_check_100k", "start_check_100k", "bare_start_check_100k");
    bench::addMs("start_check_100k", "start_check_100k");
    return bench::runBenchmarks(argc, argv);
}
