// Importing a shop's order report of 20,000 orders, an Excel 97-2003
// workbook written at start by bench/make_import_report.py (xlwt): the file
// read, its worksheet turned into a table, every value converted and all
// orders inserted in one transaction through one prepared statement. Against
// the bare engine inserting the same 20,000 orders, already converted and
// held in memory, the same way. The database is opened (its key derived)
// outside the timing on both sides, each time into a fresh empty file.
//
// The same import into an empty register on a database server, against bare
// libpq inserting the same orders, held as the texts the server reads, the
// same way: one prepared insert, one transaction.
//
// Then "全部记录" over the imported orders, as the import window runs it
// right after: the grid's result refilled and shown.
//
// And the same report into a register of 100,000 orders that holds every
// other order of it already, the question answered "leave them out": the
// report's numbers looked up for the question and again inside the
// transaction, the 10,000 new orders inserted. Against the bare engine
// finding the held numbers in one pass over the register and inserting
// the others, already converted.
#include "BenchScreen.h"
#include "BenchSupport.h"

#include "data/Connection.h"
#include "data/DatabaseFactory.h"
#include "data/Schema.h"
#include "import/OrderImport.h"
#include "import/RepeatedOrders.h"
#include "import/ReportFileReader.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QLocale>
#include <QTemporaryDir>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

using namespace kx;

namespace {

constexpr int orderCount = 20000;
constexpr int fieldCount = 13;
const QByteArray importedColumns =
    "select [a], [b], [c], [d], [g], [1], [2], [h], [i], [j], [k], [day1], [z] from data";
const QByteArray importedFields = importedColumns + " order by _rowid_";

struct Files {
    QString report;    // the workbook
    QString empty;     // a new database without orders
    QString scratch;   // where each pass imports
    QString imported;  // the orders as our import stores them
    QString held;      // 100,000 orders, every other order of the report among them
};

constexpr int heldCount = 100000;
// The report's orders the register holds already: the first, the third …
constexpr int heldOfReport = orderCount / 2;

Files& files()
{
    static Files f;
    return f;
}

// The empty register on the server each pass imports into.
QString& serverUri()
{
    static QString uri;
    return uri;
}

// The imported fields as the server names them, in the file's order above.
const QByteArray serverColumns = R"("a", "b", "c", "d", "g", "1", "2", "h", "i", "j", "k", "day1", "z")";

// A fresh copy of the empty database (or of another) to import into.
QString freshDatabase(const QString& from = files().empty)
{
    QFile::remove(files().scratch);
    if (!QFile::copy(from, files().scratch))
        bench::fail(QStringLiteral("cannot copy the database %1").arg(from));
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

// Empties the server's register, outside the timing, as a fresh copy of
// the empty file is for the file's import.
void emptyServerRegister()
{
    bench::BarePg(serverUri()).exec("truncate data restart identity");
}

// Fails unless the server's register holds exactly the orders our import
// stored in the file at start.
void checkImportedOnServer()
{
    static const bench::ResultCheck reference = importedCheck(files().imported);
    bench::BarePg db(serverUri());
    const bench::ResultCheck stored =
        bench::readAll(db.conn, "select " + serverColumns + " from data order by kx_row");
    if (stored.rows != orderCount || stored != reference)
        bench::fail(QStringLiteral("the server holds %1, not %2").arg(stored.toString(), reference.toString()));
}

void import_xls_20k_pg(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        emptyServerRegister();
        auto connection = std::make_unique<Connection>();
        connection->open(serverUri(), schema::databaseKey);
        state.ResumeTiming();

        const ReportFileReader report = ReportFileReader::fromFile(files().report);
        const int added = OrderImport::run(*connection, report.table(), report.uses1904());

        state.PauseTiming();
        connection.reset();
        if (added != orderCount)
            bench::fail(QStringLiteral("%1 orders imported, not %2").arg(added).arg(orderCount));
        checkImportedOnServer();
        state.ResumeTiming();
    }
}

// The orders as the server reads their values: one text per field, none
// for a null.
std::vector<std::array<std::optional<QByteArray>, fieldCount>> serverValues()
{
    bench::BareDb db(files().imported);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db.db, importedFields.constData(), -1, &st, nullptr) != SQLITE_OK)
        bench::fail(QString::fromUtf8(sqlite3_errmsg(db.db)));
    std::vector<std::array<std::optional<QByteArray>, fieldCount>> rows;
    rows.reserve(orderCount);
    while (sqlite3_step(st) == SQLITE_ROW) {
        std::array<std::optional<QByteArray>, fieldCount> row;
        for (int f = 0; f < fieldCount; ++f) {
            switch (sqlite3_column_type(st, f)) {
            case SQLITE_NULL:
                break;
            case SQLITE_INTEGER:
                row[size_t(f)] = QByteArray::number(sqlite3_column_int64(st, f));
                break;
            case SQLITE_FLOAT:
                row[size_t(f)] = QByteArray::number(sqlite3_column_double(st, f), 'g', QLocale::FloatingPointShortest);
                break;
            default:
                row[size_t(f)] = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(st, f)),
                                            sqlite3_column_bytes(st, f));
            }
        }
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(st);
    return rows;
}

void import_xls_20k_pg_bare(benchmark::State& state)
{
    const auto orders = serverValues();
    const QByteArray sql = "insert into data (" + serverColumns +
                           ") values ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13)";
    for (auto _ : state) {
        state.PauseTiming();
        emptyServerRegister();
        auto bare = std::make_unique<bench::BarePg>(serverUri());
        state.ResumeTiming();

        pg_conn* db = bare->conn;
        PGresult* prepared = PQprepare(db, "insert", sql.constData(), fieldCount, nullptr);
        if (PQresultStatus(prepared) != PGRES_COMMAND_OK)
            bench::fail(QString::fromUtf8(PQerrorMessage(db)));
        PQclear(prepared);
        bare->exec("begin");
        std::array<const char*, fieldCount> values;
        std::array<int, fieldCount> lengths;
        for (const auto& row : orders) {
            for (size_t f = 0; f < size_t(fieldCount); ++f) {
                values[f] = row[f] ? row[f]->constData() : nullptr;
                lengths[f] = row[f] ? int(row[f]->size()) : 0;
            }
            PGresult* r = PQexecPrepared(db, "insert", fieldCount, values.data(), lengths.data(), nullptr, 0);
            if (PQresultStatus(r) != PGRES_COMMAND_OK)
                bench::fail(QString::fromUtf8(PQerrorMessage(db)));
            PQclear(r);
        }
        bare->exec("commit");

        state.PauseTiming();
        bare.reset();
        checkImportedOnServer();
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

// Fails unless the file holds the register's orders and, after them, the
// report's orders it did not hold, as our import stored them at start.
void checkImportedNew(const QString& path)
{
    static const bench::ResultCheck reference = [] {
        bench::BareDb db(files().imported);
        // The second, the fourth … order of the report.
        return bench::readAll(db.db, importedColumns + " where _rowid_ % 2 = 0 order by _rowid_");
    }();
    bench::BareDb db(path);
    const QByteArray after = QByteArray::number(heldCount);
    const bench::ResultCheck added =
        bench::readAll(db.db, importedColumns + " where _rowid_ > " + after + " order by _rowid_");
    // The register's own orders are all still there, as one count and
    // their checksum would show a lost or changed one.
    const bench::ResultCheck before = bench::readAll(db.db, importedColumns + " where _rowid_ <= " + after);
    static const bench::ResultCheck heldReference = [] {
        bench::BareDb db(files().held);
        return bench::readAll(db.db, importedColumns);
    }();
    if (reference.rows != orderCount - heldOfReport || added != reference || before != heldReference)
        bench::fail(QStringLiteral("the register holds %1 new orders, not %2; its own: %3, not %4")
                        .arg(added.toString(), reference.toString(), before.toString(), heldReference.toString()));
}

void import_xls_20k_dup(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = freshDatabase(files().held);
        auto connection = std::make_unique<Connection>();
        connection->open(path, schema::databaseKey);
        state.ResumeTiming();

        const ReportFileReader report = ReportFileReader::fromFile(files().report);
        // The question's count, then the import with "是".
        RepeatedOrders repeats(OrderImport::orderNumbers(report.table(), report.uses1904()));
        repeats.lookUp(*connection);
        const int asked = repeats.count();
        const int added = OrderImport::run(*connection, report.table(), report.uses1904(), {}, &repeats);

        state.PauseTiming();
        connection.reset();
        if (asked != heldOfReport || added != orderCount - heldOfReport || repeats.leftOut() != heldOfReport)
            bench::fail(QStringLiteral("asked about %1, added %2, left out %3")
                            .arg(asked)
                            .arg(added)
                            .arg(repeats.leftOut()));
        checkImportedNew(path);
        state.ResumeTiming();
    }
}

void import_xls_20k_dup_bare(benchmark::State& state)
{
    const ConvertedOrders orders;
    constexpr size_t numberField = 9;
    const QByteArray sql = OrderImport::insertStatement().toUtf8();
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = freshDatabase(files().held);
        auto bare = std::make_unique<bench::BareDb>(path);
        bench::readAll(bare->db, "select count(*) from sqlite_master");
        state.ResumeTiming();

        sqlite3* db = bare->db;
        const auto number = [](sqlite3_value* v) {
            return std::string_view(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                                    size_t(sqlite3_value_bytes(v)));
        };
        // The report's numbers, and those of them the register holds.
        std::unordered_set<std::string_view> wanted;
        wanted.reserve(orders.rows.size());
        for (const auto& row : orders.rows)
            wanted.insert(number(row[numberField]));
        std::unordered_set<std::string_view> held;
        sqlite3_stmt* scan = nullptr;
        if (sqlite3_prepare_v2(db, "select j from data where j is not null", -1, &scan, nullptr) != SQLITE_OK)
            bench::fail(QString::fromUtf8(sqlite3_errmsg(db)));
        while (sqlite3_step(scan) == SQLITE_ROW) {
            const std::string_view n(reinterpret_cast<const char*>(sqlite3_column_text(scan, 0)),
                                     size_t(sqlite3_column_bytes(scan, 0)));
            if (const auto it = wanted.find(n); it != wanted.end())
                held.insert(*it);  // the report's own bytes, which stay
        }
        sqlite3_finalize(scan);

        sqlite3_stmt* insert = nullptr;
        if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &insert, nullptr) != SQLITE_OK)
            bench::fail(QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_exec(db, "begin immediate", nullptr, nullptr, nullptr);
        std::unordered_set<std::string_view> seen;
        seen.reserve(orders.rows.size());
        for (const auto& row : orders.rows) {
            const std::string_view n = number(row[numberField]);
            if (held.count(n) || !seen.insert(n).second)
                continue;
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
        checkImportedNew(path);
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
    f.held = dir.filePath(QStringLiteral("held.mdb"));

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

    // The generated register's numbers run 1930679858100000 …; the report's
    // from 1930679858170000 on. Every other one of those is made another
    // number, so that the register holds half of the report.
    bench::makeOrdersDatabase(f.held, heldCount);
    Connection held;
    held.open(f.held, schema::databaseKey);
    held.exec(QStringLiteral("update data set j = '2' || substr(j, 2) where j between ? and ? and"
                             " cast(substr(j, 12) as integer) % 2 = 1"),
              {QString::number(1930679858170000LL), QString::number(1930679858170000LL + orderCount - 1)});
    sqlite3_prepare_v2(held.handle(), "select count(*) from data where j between ? and ?", -1, &st, nullptr);
    const QByteArray first = QByteArray::number(1930679858170000LL);
    const QByteArray last = QByteArray::number(1930679858170000LL + orderCount - 1);
    sqlite3_bind_text(st, 1, first.constData(), int(first.size()), SQLITE_STATIC);
    sqlite3_bind_text(st, 2, last.constData(), int(last.size()), SQLITE_STATIC);
    const int heldNow = st && sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : -1;
    sqlite3_finalize(st);
    if (heldNow != heldOfReport)
        bench::fail(QStringLiteral("the register holds %1 of the report's orders").arg(heldNow));
}

}  // namespace

BENCHMARK(import_xls_20k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(import_xls_20k_bare)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(import_xls_20k_dup)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(import_xls_20k_dup_bare)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(import_xls_20k_pg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(import_xls_20k_pg_bare)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(import_show_all_20k)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    prepare(dir);
    serverUri() = bench::serverRegister(QStringLiteral("import"));
    bench::addRatio("import_xls_20k", "import_xls_20k", "import_xls_20k_bare");
    bench::addMs("import_xls_20k", "import_xls_20k");
    bench::addRatio("import_xls_20k_dup", "import_xls_20k_dup", "import_xls_20k_dup_bare");
    bench::addMs("import_xls_20k_dup", "import_xls_20k_dup");
    bench::addMs("import_show_all_20k", "import_show_all_20k");
    bench::addRatio("import_xls_20k_pg", "import_xls_20k_pg", "import_xls_20k_pg_bare");
    bench::addMs("import_xls_20k_pg", "import_xls_20k_pg");
    // Ours and the bare side alternate, so that a busy machine (and the
    // server sharing it) weighs on both alike.
    return bench::runBenchmarksInterleaved(argc, argv);
}
