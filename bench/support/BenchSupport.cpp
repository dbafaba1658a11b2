#include "BenchSupport.h"

#include "PgTestServer.h"

#include "data/Connection.h"
#include "data/DatabaseFactory.h"
#include "data/Dataset.h"
#include "data/Schema.h"
#include "data/RegisterTransfer.h"
#include "data/Transaction.h"

#include <QFile>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace kx::bench {

namespace {

struct Ratio {
    std::string name, ours, bare;
};
std::vector<Ratio>& millis()
{
    static std::vector<Ratio> m;
    return m;
}
std::vector<Ratio>& ratios()
{
    static std::vector<Ratio> r;
    return r;
}
std::vector<std::pair<std::string, double>>& times()
{
    static std::vector<std::pair<std::string, double>> t;
    return t;
}
QStringList& notes()
{
    static QStringList n;
    return n;
}
std::vector<std::function<QString()>>& lateNotes()
{
    static std::vector<std::function<QString()>> n;
    return n;
}

// Collects every run's real time per benchmark name while the console
// reporter prints as usual.
class Collector : public benchmark::ConsoleReporter {
public:
    // Plain text, so that the closing lines start their lines for a reader
    // that greps them.
    Collector() : ConsoleReporter(OO_Tabular) {}
    std::map<std::string, std::vector<double>> times;  // in milliseconds
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                times[r.run_name.function_name].push_back(r.GetAdjustedRealTime() * 1e3 /
                                                          benchmark::GetTimeUnitMultiplier(r.time_unit));
        ConsoleReporter::ReportRuns(runs);
    }
};

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

long long statusField(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0)
            return std::stoll(line.substr(std::strlen(field))) * 1024;
    return 0;
}

}  // namespace

BareDb::BareDb(const QString& path)
{
    const QByteArray name = path.toUtf8();
    sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_key(db, schema::databaseKey.constData(), int(schema::databaseKey.size()));
}

BareDb::~BareDb()
{
    sqlite3_close(db);
}

void makeOrdersDatabase(const QString& path, int orders)
{
    QFile::remove(path);
    createDatabase(path, false);
    Connection db;
    db.open(path, schema::databaseKey);
    Transaction tx(db);
    const QStringList family = {"张", "王", "李", "刘", "陈", "杨", "赵", "黄", "周", "吴"};
    const QStringList given = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳"};
    const QStringList cities = {"北京市朝阳区建国路", "上海市浦东新区张江路", "广东省深圳市南山区科技园",
                                "江苏省南京市鼓楼区中山北路", "浙江省杭州市西湖区文三路"};
    const QStringList couriers = {"申通快递", "圆通速递", "中通速递", "顺丰速运", "韵达快运", "EMS邮政快递"};
    const QStringList status = {"未打印", "已打印"};
    for (int n = 0; n < orders; ++n) {
        db.exec(QStringLiteral("insert into data (a,b,c,d,g,h,i,j,k,z,[1],[2],day1) "
                               "values (?,?,?,?,?,?,?,?,?,?,?,?,?)"),
                {family[n % 10] + given[(n / 10) % 12], QStringLiteral("1%1").arg(3800000000LL + n * 7919LL % 99999999),
                 cities[n % 5] + QString::number(n % 997) + QStringLiteral("号") + QString::number(n % 31) +
                     QStringLiteral("栋") + QString::number(n % 1201) + QStringLiteral("室"),
                 couriers[n % 6], status[n % 2], QStringLiteral("商品%1").arg(n % 50),
                 QStringLiteral("buyer%1").arg(n % 5000), QStringLiteral("1930679858%1").arg(100000 + n),
                 QString(), n % 9 ? QString() : QStringLiteral("加急"), double(1 + n % 3), 9.9 * (n % 20),
                 QStringLiteral("2026-%1-%2").arg(1 + n % 12, 2, 10, QLatin1Char('0')).arg(1 + n % 28, 2, 10,
                                                                                          QLatin1Char('0'))});
    }
    tx.commit();
}

void ResultCheck::addRow(sqlite3_stmt* st)
{
    ++rows;
    const int columns = sqlite3_column_count(st);
    for (int c = 0; c < columns; ++c) {
        switch (sqlite3_column_type(st, c)) {
        case SQLITE_NULL:
            break;
        case SQLITE_FLOAT:
        case SQLITE_INTEGER:
            addNumber(c, sqlite3_column_double(st, c));
            break;
        default: {
            const unsigned char* text = sqlite3_column_text(st, c);
            addText(c, text, sqlite3_column_bytes(st, c));
        }
        }
    }
}

void ResultCheck::addRow(const pg_result* result, int row, int first)
{
    ++rows;
    for (int c = first; c < PQnfields(result); ++c) {
        if (PQgetisnull(result, row, c))
            continue;
        const char* text = PQgetvalue(result, row, c);
        switch (PQftype(result, c)) {
        case 20:   // int8
        case 21:   // int2
        case 23:   // int4
        case 700:  // float4
        case 701:  // float8
        case 1700: // numeric
            addNumber(c - first, std::strtod(text, nullptr));
            break;
        default:
            addText(c - first, reinterpret_cast<const unsigned char*>(text), PQgetlength(result, row, c));
        }
    }
}

QString ResultCheck::toString() const
{
    return QStringLiteral("%1 rows, checksum %2").arg(rows).arg(sum);
}

ResultCheck readAll(sqlite3_stmt* st)
{
    ResultCheck check;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        check.addRow(st);
    if (rc != SQLITE_DONE)
        fail(QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(st))));
    sqlite3_reset(st);
    return check;
}

ResultCheck readAll(sqlite3* db, const QByteArray& sql, const QList<QByteArray>& params)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &st, nullptr) != SQLITE_OK)
        fail(QString::fromUtf8(sqlite3_errmsg(db)));
    for (int i = 0; i < params.size(); ++i)
        sqlite3_bind_text(st, i + 1, params[i].constData(), int(params[i].size()), SQLITE_TRANSIENT);
    const ResultCheck check = readAll(st);
    sqlite3_finalize(st);
    return check;
}

ResultCheck readAll(const pg_result* result, int first)
{
    ResultCheck check;
    const int rows = PQntuples(result);
    for (int row = 0; row < rows; ++row)
        check.addRow(result, row, first);
    return check;
}

ResultCheck readAll(pg_conn* conn, const QByteArray& sql, const QList<QByteArray>& params, int first)
{
    std::vector<const char*> values;
    std::vector<int> lengths;
    for (const QByteArray& p : params) {
        values.push_back(p.constData());
        lengths.push_back(int(p.size()));
    }
    PGresult* result = PQexecParams(conn, sql.constData(), int(values.size()), nullptr, values.data(),
                                    lengths.data(), nullptr, 0);
    if (PQresultStatus(result) != PGRES_TUPLES_OK)
        fail(QStringLiteral("bare %1: %2").arg(QString::fromUtf8(sql), QString::fromUtf8(PQerrorMessage(conn))));
    const ResultCheck check = readAll(result, first);
    PQclear(result);
    return check;
}

BarePg::BarePg(const QString& uri)
{
    conn = PQconnectdb(uri.toUtf8().constData());
    if (PQstatus(conn) != CONNECTION_OK)
        fail(QStringLiteral("bare connection: %1").arg(QString::fromUtf8(PQerrorMessage(conn))));
    PQsetClientEncoding(conn, "UTF8");
}

BarePg::~BarePg()
{
    PQfinish(conn);
}

void BarePg::exec(const QByteArray& sql)
{
    PGresult* result = PQexec(conn, sql.constData());
    const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
    PQclear(result);
    if (!ok)
        fail(QStringLiteral("bare %1: %2").arg(QString::fromUtf8(sql), QString::fromUtf8(PQerrorMessage(conn))));
}

QString serverRegister(const QString& name, const QString& from)
{
    // The server outlives every benchmark; the watcher it starts removes it
    // even when fail() ends the program at once.
    static PgTestServer server;
    static bool started = false;
    if (!started) {
        if (PgTestServer::binDir().isEmpty() || !server.start())
            fail(QStringLiteral("no PostgreSQL server for the bench: %1").arg(server.error()));
        started = true;
    }
    const QString uri = server.createDatabase(name);
    if (uri.isEmpty())
        fail(server.error());
    try {
        if (from.isEmpty())
            createServerRegister(uri, false);
        else
            RegisterTransfer().copyIntoEmptyServer(from, uri);
    } catch (const std::exception& e) {
        fail(QStringLiteral("cannot fill the server register %1: %2").arg(name, QString::fromUtf8(e.what())));
    }
    return uri;
}

ResultCheck checkOf(const Dataset& result)
{
    ResultCheck check;
    for (int row = 0; row < result.rowCount(); ++row) {
        ++check.rows;
        for (int c = 0; c < result.fieldCount(); ++c) {
            if (result.isNull(row, c))
                continue;
            const QVariant v = result.cell(row, c);
            if (v.typeId() == QMetaType::QString) {
                const QByteArray text = result.text(row, c).toUtf8();
                check.addText(c, reinterpret_cast<const unsigned char*>(text.constData()), int(text.size()));
            } else {
                check.addNumber(c, v.toDouble());
            }
        }
    }
    return check;
}

ResultCheck checkOf(const QStringList& texts)
{
    ResultCheck check;
    for (const QString& t : texts) {
        ++check.rows;
        const QByteArray text = t.toUtf8();
        check.addText(0, reinterpret_cast<const unsigned char*>(text.constData()), int(text.size()));
    }
    return check;
}

void fail(const QString& what)
{
    std::fprintf(stderr, "benchmark failed: %s\n", qPrintable(what));
    std::fflush(stderr);
    std::_Exit(1);
}

void addMs(const char* name, const char* ours)
{
    millis().push_back({name, ours, {}});
}

void addRatio(const char* name, const char* ours, const char* bare)
{
    ratios().push_back({name, ours, bare});
}

void addNote(const QString& text)
{
    notes() << text;
}

void addNote(std::function<QString()> text)
{
    lateNotes().push_back(std::move(text));
}

void addMs(const char* name, double ms)
{
    times().emplace_back(name, ms);
}

int runBenchmarks(int argc, char** argv)
{
    std::vector<char*> args(argv, argv + argc);
    auto given = [&](const char* option) {
        for (int i = 1; i < argc; ++i)
            if (std::string(argv[i]).rfind(option, 0) == 0)
                return true;
        return false;
    };
    std::string reps = "--benchmark_repetitions=5";
    if (!given("--benchmark_repetitions"))
        args.push_back(reps.data());

    int n = int(args.size());
    benchmark::Initialize(&n, args.data());
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();
    for (const auto& note : lateNotes())
        notes() << note();
    for (const QString& note : notes())
        std::printf("note %s\n", note.toUtf8().constData());
    for (const Ratio& r : ratios()) {
        const double ours = median(collector.times[r.ours]);
        const double bare = median(collector.times[r.bare]);
        std::printf("ratio %s %.3f\n", r.name.c_str(), bare > 0 ? ours / bare : 0.0);
    }
    for (const auto& [name, ms] : times())
        std::printf("ms %s %.1f\n", name.c_str(), ms);
    for (const Ratio& m : millis())
        std::printf("ms %s %.1f\n", m.name.c_str(), median(collector.times[m.ours]));
    std::fflush(stdout);
    return 0;
}

int runBenchmarksInterleaved(int argc, char** argv)
{
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    if (std::none_of(args.begin(), args.end(),
                     [](const char* a) { return std::string(a).rfind("--benchmark_enable_random", 0) == 0; }))
        args.push_back(interleave.data());
    return runBenchmarks(int(args.size()), args.data());
}

long long peakRss()
{
    return statusField("VmHWM:");
}

long long currentRss()
{
    return statusField("VmRSS:");
}

FetchedRows::FetchedRows(sqlite3* db)
{
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "select _rowid_, * from data", -1, &st, nullptr);
    for (int c = 1; c < sqlite3_column_count(st); ++c)
        columns.emplace_back(sqlite3_column_name(st, c));
    while (sqlite3_step(st) == SQLITE_ROW) {
        ids.push_back(sqlite3_column_int64(st, 0));
        std::vector<sqlite3_value*> row;
        for (int c = 1; c < sqlite3_column_count(st); ++c)
            row.push_back(sqlite3_value_dup(sqlite3_column_value(st, c)));
        values.push_back(std::move(row));
    }
    sqlite3_finalize(st);
}

FetchedRows::~FetchedRows()
{
    for (auto& row : values)
        for (sqlite3_value* v : row)
            sqlite3_value_free(v);
}

std::string FetchedRows::where() const
{
    std::string w = "_rowid_=?";
    for (const std::string& c : columns)
        w += " and [" + c + "] is ?";
    return w;
}

int FetchedRows::column(const char* name) const
{
    for (size_t c = 0; c < columns.size(); ++c)
        if (columns[c] == name)
            return int(c);
    return -1;
}

void FetchedRows::bind(sqlite3_stmt* st, int first, size_t row) const
{
    sqlite3_bind_int64(st, first, ids[row]);
    for (size_t c = 0; c < columns.size(); ++c)
        sqlite3_bind_value(st, first + 1 + int(c), values[row][c]);
}

}  // namespace kx::bench
