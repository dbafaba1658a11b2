// The copies of the database over 65,000 orders. The exit backup, which the
// user waits for as the program closes: a copy through the engine's backup
// interface into a file beside the day's copy, the copy opened again and
// checked, renamed into place, the old days counted. And "恢复数据库": the
// backup file checked, the database's content kept beside it, the backup
// written into the database file and checked. Each against the bare engine
// doing the same copies and checks, with none of our code around them.

#include "BenchSupport.h"

#include "data/Connection.h"
#include "data/DatabaseCopier.h"
#include "data/Schema.h"
#include "maintenance/ExitBackup.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <sqlite3.h>

using namespace kx;

namespace {

constexpr int orderCount = 65000;
const QString source = QStringLiteral("beifen.mdb");  // the backup a restore reads
const QString target = QStringLiteral("restored.mdb");
const QDateTime closing(QDate(2026, 12, 10), QTime(18, 0));

void prepare()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    bench::makeOrdersDatabase(schema::databaseFile, orderCount);
    QFile::remove(source);
    QFile::remove(target);
    DatabaseCopier().backup(schema::databaseFile, source);
    DatabaseCopier().backup(schema::databaseFile, target);
}

int ordersIn(const QString& path)
{
    bench::BareDb db(path);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db.db, "select count(*) from data", -1, &st, nullptr);
    const int n = st && sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : -1;
    sqlite3_finalize(st);
    return n;
}

void removeKeptCopies()
{
    for (const QString& name : QDir().entryList({target + QStringLiteral(".*.bak")}, QDir::Files))
        QFile::remove(name);
}

// The bare engine's side of both: a keyed connection, the backup interface
// in one step, quick_check.
sqlite3* openKeyed(const QString& path, int flags)
{
    sqlite3* db = nullptr;
    const QByteArray name = path.toUtf8();
    if (sqlite3_open_v2(name.constData(), &db, flags, nullptr) != SQLITE_OK ||
        sqlite3_key(db, schema::databaseKey.constData(), int(schema::databaseKey.size())) != SQLITE_OK)
        bench::fail(QStringLiteral("bare engine could not open %1").arg(path));
    return db;
}

void copy(sqlite3* from, sqlite3* to)
{
    sqlite3_backup* b = sqlite3_backup_init(to, "main", from, "main");
    if (!b || sqlite3_backup_step(b, -1) != SQLITE_DONE || sqlite3_backup_finish(b) != SQLITE_OK)
        bench::fail(QStringLiteral("bare backup: %1").arg(QString::fromUtf8(sqlite3_errmsg(to))));
}

void quickCheck(sqlite3* db)
{
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &st, nullptr);
    const bool ok = sqlite3_step(st) == SQLITE_ROW &&
                    QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) == "ok";
    sqlite3_finalize(st);
    if (!ok)
        bench::fail(QStringLiteral("bare quick_check failed"));
}

// A checked copy into a file beside the target, renamed over it.
void bareCopyToFile(sqlite3* from, const QString& to)
{
    const QString temp = to + QStringLiteral(".tmp");
    QFile::remove(temp);
    sqlite3* t = openKeyed(temp, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    copy(from, t);
    sqlite3_close(t);
    sqlite3* check = openKeyed(temp, SQLITE_OPEN_READONLY);
    quickCheck(check);
    sqlite3_close(check);
    if (std::rename(temp.toUtf8().constData(), to.toUtf8().constData()) != 0)
        bench::fail(QStringLiteral("bare rename failed"));
}

void exit_backup_65k(benchmark::State& state)
{
    prepare();
    Connection live;
    live.open(schema::databaseFile, schema::databaseKey);
    for (auto _ : state)
        if (!ExitBackup::run(live, closing))
            bench::fail(QStringLiteral("the exit backup failed"));
    const QString copy = QDir(ExitBackup::folderFor(schema::databaseFile)).filePath(ExitBackup::copyName(closing.date()));
    if (ordersIn(copy) != orderCount)
        bench::fail(QStringLiteral("the exit backup holds %1 orders").arg(ordersIn(copy)));
}

void bare_exit_backup_65k(benchmark::State& state)
{
    prepare();
    QDir().mkpath(QStringLiteral("bare"));
    const QString copy = QStringLiteral("bare/data-2026-12-10.mdb");
    sqlite3* live = openKeyed(schema::databaseFile, SQLITE_OPEN_READWRITE);
    for (auto _ : state) {
        bareCopyToFile(live, copy);
        benchmark::DoNotOptimize(QDir(QStringLiteral("bare")).entryList(QDir::Files).size());
    }
    sqlite3_close(live);
    if (ordersIn(copy) != orderCount)
        bench::fail(QStringLiteral("the bare backup holds %1 orders").arg(ordersIn(copy)));
}

void restore_65k(benchmark::State& state)
{
    prepare();
    const DatabaseCopier copier;
    for (auto _ : state) {
        copier.restore(source, target, closing);
        state.PauseTiming();
        removeKeptCopies();
        state.ResumeTiming();
    }
    if (ordersIn(target) != orderCount)
        bench::fail(QStringLiteral("the restored file holds %1 orders").arg(ordersIn(target)));
}

void bare_restore_65k(benchmark::State& state)
{
    prepare();
    const QString kept = target + QStringLiteral(".20261210-180000.bak");
    for (auto _ : state) {
        sqlite3* from = openKeyed(source, SQLITE_OPEN_READONLY);
        benchmark::DoNotOptimize(bench::readAll(from, "select lower(name) from sqlite_master where type='table'"));
        quickCheck(from);
        sqlite3* into = openKeyed(target, SQLITE_OPEN_READWRITE);
        bareCopyToFile(into, kept);
        copy(from, into);
        quickCheck(into);
        sqlite3_close(into);
        sqlite3_close(from);
        state.PauseTiming();
        removeKeptCopies();
        state.ResumeTiming();
    }
    if (ordersIn(target) != orderCount)
        bench::fail(QStringLiteral("the bare restore holds %1 orders").arg(ordersIn(target)));
}

}  // namespace

BENCHMARK(exit_backup_65k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(bare_exit_backup_65k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(restore_65k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(bare_restore_65k)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    bench::addRatio("exit_backup_65k", "exit_backup_65k", "bare_exit_backup_65k");
    bench::addMs("exit_backup_65k", "exit_backup_65k");
    bench::addRatio("restore_65k", "restore_65k", "bare_restore_65k");
    bench::addMs("restore_65k", "restore_65k");
    return bench::runBenchmarks(argc, argv);
}
