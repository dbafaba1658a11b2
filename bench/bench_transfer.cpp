// A register of 100,000 orders moved between the encrypted file and a
// database server of the bench's own. The restore into the server: the
// backup file verified, every row of the server's register replaced by the
// file's in one transaction, the identities moved past the copied ones. The
// backup from the server: one moment of its register written into an
// encrypted file beside the target, verified, renamed into place. Each
// against the bare engines (SQLCipher and libpq) doing the same statements
// and checks, with none of our code around them.

#include "BenchSupport.h"
#include "PgTestServer.h"

#include "data/RegisterTransfer.h"
#include "data/Schema.h"
#include "data/SqlDialect.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <cstdio>
#include <libpq-fe.h>
#include <memory>

using namespace kx;

namespace {

constexpr int orderCount = 100000;
const QString source = QStringLiteral("beifen.mdb");
const QString target = QStringLiteral("from-server.mdb");
const QString bareTarget = QStringLiteral("bare-from-server.mdb");

PgTestServer& server()
{
    static PgTestServer s;
    return s;
}

QString& uri()
{
    static QString u;
    return u;
}

void prepare()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    if (PgTestServer::binDir().isEmpty() || !server().start())
        bench::fail(QStringLiteral("no PostgreSQL server for the bench: %1").arg(server().error()));
    uri() = server().createDatabase(QStringLiteral("bench"));
    if (uri().isEmpty())
        bench::fail(server().error());
    bench::makeOrdersDatabase(source, orderCount);
    RegisterTransfer().copyIntoEmptyServer(source, uri());
}

PGconn* connect()
{
    PGconn* c = PQconnectdb(uri().toUtf8().constData());
    if (PQstatus(c) != CONNECTION_OK)
        bench::fail(QString::fromUtf8(PQerrorMessage(c)));
    PQsetClientEncoding(c, "UTF8");
    return c;
}

void run(PGconn* c, const QByteArray& sql, ExecStatusType expected = PGRES_COMMAND_OK)
{
    PGresult* r = PQexec(c, sql.constData());
    const bool ok = PQresultStatus(r) == expected;
    PQclear(r);
    if (!ok)
        bench::fail(QStringLiteral("bare %1: %2").arg(QString::fromUtf8(sql), QString::fromUtf8(PQerrorMessage(c))));
}

long long serverOrders()
{
    PGconn* c = connect();
    PGresult* r = PQexec(c, "select count(*) from data");
    const long long n = PQresultStatus(r) == PGRES_TUPLES_OK ? QByteArray(PQgetvalue(r, 0, 0)).toLongLong() : -1;
    PQclear(r);
    PQfinish(c);
    return n;
}

sqlite3* openKeyed(const QString& path, int flags)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr) != SQLITE_OK ||
        sqlite3_key(db, schema::databaseKey.constData(), int(schema::databaseKey.size())) != SQLITE_OK)
        bench::fail(QStringLiteral("bare engine could not open %1").arg(path));
    return db;
}

// What the verification of a register file does: its tables, quick_check.
void verifyFile(sqlite3* db)
{
    benchmark::DoNotOptimize(bench::readAll(db, "select lower(name) from sqlite_master where type='table'"));
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &st, nullptr);
    const bool ok = sqlite3_step(st) == SQLITE_ROW &&
                    QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) == "ok";
    sqlite3_finalize(st);
    if (!ok)
        bench::fail(QStringLiteral("bare quick_check failed"));
}

long long fileOrders(const QString& path)
{
    bench::BareDb db(path);
    return bench::readAll(db.db, "select rowid from data").rows;
}

void restore_100k_pg(benchmark::State& state)
{
    prepare();
    const RegisterTransfer transfer;
    for (auto _ : state)
        transfer.restoreToServer(source, uri());
    if (serverOrders() != orderCount)
        bench::fail(QStringLiteral("the restored register holds %1 orders").arg(serverOrders()));
}

void bare_restore_100k_pg(benchmark::State& state)
{
    prepare();
    for (auto _ : state) {
        sqlite3* file = openKeyed(source, SQLITE_OPEN_READONLY);
        verifyFile(file);
        PGconn* c = connect();
        run(c, "begin");
        run(c, "lock table data, post, userdb, rz, data1 in exclusive mode");
        for (const char* table : {"data", "post", "userdb", "rz", "data1"})
            run(c, QByteArray("delete from ") + table);
        for (const schema::Table& table : schema::tables()) {
            QStringList fileColumns, serverColumns;
            for (const schema::TableColumn& column : table.columns) {
                fileColumns << SqlDialect::file().quote(column.name);
                serverColumns << SqlDialect::server().quote(column.name);
            }
            if (table.holdsOrders)
                serverColumns << QStringLiteral("kx_row");
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(file, QStringLiteral("select rowid, %1 from %2 order by rowid")
                                         .arg(fileColumns.join(QLatin1Char(',')), table.name).toUtf8().constData(),
                               -1, &st, nullptr);
            run(c, QStringLiteral("copy %1 (%2) from stdin").arg(table.name, serverColumns.join(QLatin1Char(','))).toUtf8(),
                PGRES_COPY_IN);
            QByteArray out;
            while (sqlite3_step(st) == SQLITE_ROW) {
                for (int i = 0; i < table.columns.size(); ++i) {
                    if (i > 0)
                        out += '\t';
                    const int field = i + 1;
                    switch (sqlite3_column_type(st, field)) {
                    case SQLITE_NULL: out += "\\N"; break;
                    case SQLITE_INTEGER: out += QByteArray::number(sqlite3_column_int64(st, field)); break;
                    case SQLITE_FLOAT:
                        out += QByteArray::number(sqlite3_column_double(st, field), 'g', QLocale::FloatingPointShortest);
                        break;
                    default: {
                        const char* text = reinterpret_cast<const char*>(sqlite3_column_text(st, field));
                        const int size = sqlite3_column_bytes(st, field);
                        for (int k = 0; k < size; ++k) {
                            switch (text[k]) {
                            case '\\': out += "\\\\"; break;
                            case '\t': out += "\\t"; break;
                            case '\n': out += "\\n"; break;
                            case '\r': out += "\\r"; break;
                            default: out += text[k];
                            }
                        }
                    }
                    }
                }
                if (table.holdsOrders)
                    out += '\t' + QByteArray::number(sqlite3_column_int64(st, 0));
                out += '\n';
                if (out.size() >= 256 * 1024) {
                    PQputCopyData(c, out.constData(), int(out.size()));
                    out.clear();
                }
            }
            sqlite3_finalize(st);
            if (!out.isEmpty())
                PQputCopyData(c, out.constData(), int(out.size()));
            PQputCopyEnd(c, nullptr);
            while (PGresult* r = PQgetResult(c)) {
                if (PQresultStatus(r) != PGRES_COMMAND_OK)
                    bench::fail(QStringLiteral("bare copy: %1").arg(QString::fromUtf8(PQerrorMessage(c))));
                PQclear(r);
            }
        }
        for (const char* identity : {"data,kx_row", "rz,id", "data1,ID", "data1,kx_row"}) {
            const QList<QByteArray> tc = QByteArray(identity).split(',');
            run(c,
                "select setval(pg_get_serial_sequence('" + tc[0] + "', '" + tc[1] + "'), greatest(coalesce((select max(\"" +
                    tc[1] + "\") from " + tc[0] + "), 0), 1))",
                PGRES_TUPLES_OK);
        }
        run(c, "commit");
        PQfinish(c);
        sqlite3_close(file);
    }
    if (serverOrders() != orderCount)
        bench::fail(QStringLiteral("the bare restore holds %1 orders").arg(serverOrders()));
}

void backup_100k_pg(benchmark::State& state)
{
    prepare();
    const RegisterTransfer transfer;
    for (auto _ : state)
        transfer.backupFromServer(uri(), target);
    if (fileOrders(target) != orderCount)
        bench::fail(QStringLiteral("the backup holds %1 orders").arg(fileOrders(target)));
}

void bare_backup_100k_pg(benchmark::State& state)
{
    prepare();
    for (auto _ : state) {
        PGconn* c = connect();
        run(c, "begin isolation level repeatable read, read only");
        run(c, "set local extra_float_digits = 3");
        std::vector<PGresult*> results;
        for (const schema::Table& table : schema::tables()) {
            QStringList columns;
            for (const schema::TableColumn& column : table.columns)
                columns << SqlDialect::server().quote(column.name);
            QString order;
            if (table.name == QLatin1String("data")) {
                columns.prepend(QStringLiteral("kx_row"));
                order = QStringLiteral(" order by kx_row");
            } else if (table.name == QLatin1String("rz")) {
                order = QStringLiteral(" order by id");
            } else if (table.name == QLatin1String("data1")) {
                order = QStringLiteral(" order by \"ID\"");
            }
            PGresult* r = PQexec(c, QStringLiteral("select %1 from %2%3").arg(columns.join(QLatin1Char(',')), table.name, order)
                                        .toUtf8()
                                        .constData());
            if (PQresultStatus(r) != PGRES_TUPLES_OK)
                bench::fail(QString::fromUtf8(PQerrorMessage(c)));
            results.push_back(r);
        }
        for (const char* counter : {"'rz', 'id'", "'data1', 'ID'"})
            run(c, QByteArray("select coalesce(pg_sequence_last_value(pg_get_serial_sequence(") + counter +
                       ")::regclass), 0)",
                PGRES_TUPLES_OK);
        run(c, "commit");
        PQfinish(c);

        const QString temp = bareTarget + QStringLiteral(".tmp");
        QFile::remove(temp);
        sqlite3* f = openKeyed(temp, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        sqlite3_exec(f, "PRAGMA synchronous=FULL; begin", nullptr, nullptr, nullptr);
        sqlite3_exec(f, schema::createScript().toUtf8().constData(), nullptr, nullptr, nullptr);
        for (size_t t = 0; t < results.size(); ++t) {
            const schema::Table& table = schema::tables().at(qsizetype(t));
            const bool rowid = table.name == QLatin1String("data");
            QStringList columns;
            for (const schema::TableColumn& column : table.columns)
                columns << SqlDialect::file().quote(column.name);
            if (rowid)
                columns.prepend(QStringLiteral("rowid"));
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(f, QStringLiteral("insert into %1 (%2) values (%3)")
                                      .arg(table.name, columns.join(QLatin1Char(',')),
                                           SqlDialect::file().parameters(int(columns.size())))
                                      .toUtf8()
                                      .constData(),
                               -1, &st, nullptr);
            PGresult* r = results[t];
            for (int row = 0; row < PQntuples(r); ++row) {
                for (int field = 0; field < PQnfields(r); ++field) {
                    if (PQgetisnull(r, row, field)) {
                        sqlite3_bind_null(st, field + 1);
                        continue;
                    }
                    const char* text = PQgetvalue(r, row, field);
                    const int size = PQgetlength(r, row, field);
                    const Oid type = PQftype(r, field);
                    if (type == 701)  // float8
                        sqlite3_bind_double(st, field + 1, QByteArray::fromRawData(text, size).toDouble());
                    else if (type == 20)  // int8
                        sqlite3_bind_int64(st, field + 1, QByteArray::fromRawData(text, size).toLongLong());
                    else
                        sqlite3_bind_text(st, field + 1, text, size, SQLITE_STATIC);
                }
                if (sqlite3_step(st) != SQLITE_DONE)
                    bench::fail(QString::fromUtf8(sqlite3_errmsg(f)));
                sqlite3_reset(st);
            }
            sqlite3_finalize(st);
            PQclear(r);
        }
        sqlite3_exec(f, "commit", nullptr, nullptr, nullptr);
        sqlite3_close(f);
        sqlite3* check = openKeyed(temp, SQLITE_OPEN_READONLY);
        verifyFile(check);
        sqlite3_close(check);
        if (std::rename(temp.toUtf8().constData(), bareTarget.toUtf8().constData()) != 0)
            bench::fail(QStringLiteral("bare rename failed"));
    }
    if (fileOrders(bareTarget) != orderCount)
        bench::fail(QStringLiteral("the bare backup holds %1 orders").arg(fileOrders(bareTarget)));
}

}  // namespace

BENCHMARK(restore_100k_pg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(bare_restore_100k_pg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(backup_100k_pg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(bare_backup_100k_pg)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    bench::addRatio("restore_100k_pg", "restore_100k_pg", "bare_restore_100k_pg");
    bench::addMs("restore_100k_pg", "restore_100k_pg");
    bench::addRatio("backup_100k_pg", "backup_100k_pg", "bare_backup_100k_pg");
    bench::addMs("backup_100k_pg", "backup_100k_pg");
    return bench::runBenchmarks(argc, argv);
}
