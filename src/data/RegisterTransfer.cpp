#include "data/RegisterTransfer.h"

#include "core/DbError.h"
#include "core/OperationError.h"
#include "data/DatabaseFactory.h"
#include "data/Schema.h"
#include "data/ServerConnection.h"
#include "data/SqlDialect.h"
#include "data/Utf8Decode.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStringList>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace kx {

namespace {

struct DbClose {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using DbHandle = std::unique_ptr<sqlite3, DbClose>;

struct StatementClose {
    void operator()(sqlite3_stmt* st) const { sqlite3_finalize(st); }
};
using StatementHandle = std::unique_ptr<sqlite3_stmt, StatementClose>;

struct ResultClear {
    void operator()(PGresult* r) const { PQclear(r); }
};
using ResultHandle = std::unique_ptr<PGresult, ResultClear>;

// Rows between two calls of the progress display.
constexpr int progressEvery = 2048;
// Bytes of COPY text gathered before they go to the server.
constexpr qsizetype copyChunk = 256 * 1024;

QString engineMessage(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

QString serverMessage(PGconn* conn)
{
    return QString::fromUtf8(PQerrorMessage(conn)).simplified();
}

// The file, read-only, with the key; it has been verified just before.
DbHandle openFile(const QString& path, const QByteArray& key)
{
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    DbHandle db(raw);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(raw, 2000);
        rc = sqlite3_key(raw, key.constData(), int(key.size()));
    }
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(raw, "select count(*) from sqlite_master", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw DbError(QStringLiteral("无法打开 %1：%2")
                          .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()),
                               raw ? engineMessage(raw) : QStringLiteral("out of memory")));
    return db;
}

StatementHandle prepare(sqlite3* db, const QString& sql)
{
    sqlite3_stmt* st = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &st, nullptr) != SQLITE_OK)
        throw DbError(engineMessage(db));
    return StatementHandle(st);
}

void execFile(sqlite3* db, const char* sql)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw DbError(engineMessage(db));
}

ResultHandle query(PGconn* conn, const QString& sql)
{
    const QByteArray text = sql.toUtf8();
    ResultHandle r(PQexecParams(conn, text.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0));
    if (!r || PQresultStatus(r.get()) != PGRES_TUPLES_OK)
        throw DbError(serverMessage(conn));
    return r;
}

// The table's columns as the dialect names them in a statement.
QStringList quotedColumns(const schema::Table& table, const SqlDialect& dialect)
{
    QStringList names;
    for (const schema::TableColumn& c : table.columns)
        names << dialect.quote(c.name);
    return names;
}

// The column numbered by the engine as rows are added, if the table has one.
const schema::TableColumn* counterOf(const schema::Table& table)
{
    for (const schema::TableColumn& c : table.columns)
        if (c.type == ColumnType::Counter)
            return &c;
    return nullptr;
}

// A table of orders whose rowid is a column of its own (the ledger's is its
// counter) carries it to the server's row identity and back.
bool carriesRowid(const schema::Table& table)
{
    return table.holdsOrders && !counterOf(table);
}

[[noreturn]] void refuseValue(const QString& table, qint64 rowid, const QString& column, const QString& what)
{
    throw OperationError(QStringLiteral("数据表 %1 中 rowid 为 %2 的记录，字段 %3：%4。数据库服务器无法保存它，"
                                        "没有复制任何数据。")
                             .arg(table)
                             .arg(rowid)
                             .arg(column, what));
}

// A text as a field of COPY's text format: the backslash, and the tab,
// newline and carriage return that separate fields and rows, escaped.
void appendCopyText(QByteArray& out, const char* text, int size)
{
    const char* run = text;
    const char* end = text + size;
    for (const char* p = text; p < end; ++p) {
        const char* escaped = nullptr;
        switch (*p) {
        case '\\': escaped = "\\\\"; break;
        case '\t': escaped = "\\t"; break;
        case '\n': escaped = "\\n"; break;
        case '\r': escaped = "\\r"; break;
        default: continue;
        }
        out.append(run, p - run);
        out.append(escaped, 2);
        run = p + 1;
    }
    out.append(run, end - run);
}

// A double as the shortest text that the server reads back as the same
// double.
void appendDouble(QByteArray& out, double value)
{
    if (std::isinf(value))
        out.append(value > 0 ? "Infinity" : "-Infinity");
    else
        out.append(QByteArray::number(value, 'g', QLocale::FloatingPointShortest));
}

// COPY ... FROM STDIN on the server: rows are gathered as text and sent in
// chunks. Left unfinished (an exception on the way), the copy is ended as
// failed, so that the transaction it belongs to can only roll back.
class CopyIn {
public:
    CopyIn(PGconn* conn, const QString& sql) : m_conn(conn)
    {
        const ResultHandle r(PQexec(conn, sql.toUtf8().constData()));
        if (!r || PQresultStatus(r.get()) != PGRES_COPY_IN)
            throw DbError(serverMessage(conn));
        m_buffer.reserve(copyChunk + 4096);
    }
    ~CopyIn()
    {
        if (m_open) {
            PQputCopyEnd(m_conn, "copy abandoned");
            while (PGresult* r = PQgetResult(m_conn))
                PQclear(r);
        }
    }
    CopyIn(const CopyIn&) = delete;
    CopyIn& operator=(const CopyIn&) = delete;

    QByteArray& buffer() { return m_buffer; }
    void rowDone()
    {
        m_buffer.append('\n');
        if (m_buffer.size() >= copyChunk)
            flush();
    }
    void finish()
    {
        flush();
        m_open = false;
        bool ok = PQputCopyEnd(m_conn, nullptr) == 1;
        while (PGresult* r = PQgetResult(m_conn)) {
            ok = ok && PQresultStatus(r) == PGRES_COMMAND_OK;
            PQclear(r);
        }
        if (!ok)
            throw DbError(serverMessage(m_conn));
    }

private:
    void flush()
    {
        if (!m_buffer.isEmpty() && PQputCopyData(m_conn, m_buffer.constData(), int(m_buffer.size())) != 1)
            throw DbError(serverMessage(m_conn));
        m_buffer.clear();
    }

    PGconn* m_conn;
    QByteArray m_buffer;
    bool m_open = true;
};

// Calls the progress display now and then, and once at the end.
class RowProgress {
public:
    RowProgress(const RegisterTransfer::Progress& progress, qint64 total) : m_progress(progress), m_total(total) {}
    void step()
    {
        if (++m_done % progressEvery == 0)
            report();
    }
    void report() const
    {
        if (m_progress)
            m_progress(int(std::min<qint64>(m_done, std::numeric_limits<int>::max())),
                       int(std::min<qint64>(m_total, std::numeric_limits<int>::max())));
    }

private:
    const RegisterTransfer::Progress& m_progress;
    qint64 m_total;
    qint64 m_done = 0;
};

qint64 fileCount(sqlite3* file, const QString& table)
{
    const StatementHandle st = prepare(file, QStringLiteral("select count(*) from %1").arg(table));
    return sqlite3_step(st.get()) == SQLITE_ROW ? sqlite3_column_int64(st.get(), 0) : 0;
}

// The highest number the file's counter of `table` has given, the rows
// deleted since included: the server's numbering goes on after it, as the
// file's would.
qint64 fileCounterSequence(sqlite3* file, const QString& table)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(file, "select seq from sqlite_sequence where name = ?", -1, &raw, nullptr) != SQLITE_OK)
        return 0;  // no row has ever been numbered
    const StatementHandle st(raw);
    const QByteArray name = table.toUtf8();
    sqlite3_bind_text(raw, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
    return sqlite3_step(raw) == SQLITE_ROW ? sqlite3_column_int64(raw, 0) : 0;
}

// Every row of the file into the server's tables, which the caller has
// emptied or made, inside the caller's transaction.
RegisterTransfer::Counts copyFileRows(sqlite3* file, PGconn* server, const RegisterTransfer::Progress& progress)
{
    const SqlDialect& fileDialect = SqlDialect::file();
    const SqlDialect& serverDialect = SqlDialect::server();
    qint64 total = 0;
    for (const schema::Table& table : schema::tables())
        total += fileCount(file, table.name);
    RowProgress rows(progress, total);
    rows.report();

    RegisterTransfer::Counts counts;
    std::vector<char16_t> scratch;
    for (const schema::Table& table : schema::tables()) {
        QStringList serverColumns = quotedColumns(table, serverDialect);
        if (table.holdsOrders)
            serverColumns << SqlDialect::rowIdentityColumn();
        const StatementHandle st =
            prepare(file, QStringLiteral("select rowid, %1 from %2 order by rowid")
                              .arg(quotedColumns(table, fileDialect).join(QLatin1Char(',')), table.name));
        CopyIn copy(server, QStringLiteral("copy %1 (%2) from stdin").arg(table.name, serverColumns.join(QLatin1Char(','))));
        QByteArray& out = copy.buffer();
        qint64 copied = 0;
        int rc;
        while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
            const qint64 rowid = sqlite3_column_int64(st.get(), 0);
            for (int i = 0; i < table.columns.size(); ++i) {
                const schema::TableColumn& column = table.columns.at(i);
                const int field = i + 1;
                if (i > 0)
                    out.append('\t');
                const int stored = sqlite3_column_type(st.get(), field);
                if (stored == SQLITE_NULL) {
                    out.append("\\N");
                    continue;
                }
                switch (column.type) {
                case ColumnType::Text: {
                    // A text column of the file takes any bytes; the server
                    // takes well-formed UTF-8 without NUL only, and nothing
                    // of the user's may change on the way.
                    if (stored == SQLITE_BLOB)
                        refuseValue(table.name, rowid, column.name, QStringLiteral("不是文本"));
                    const char* text = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), field));
                    const int size = sqlite3_column_bytes(st.get(), field);
                    if (size > 0 && std::memchr(text, 0, size_t(size)))
                        refuseValue(table.name, rowid, column.name, QStringLiteral("含有空字符（NUL）"));
                    if (size > 0) {
                        scratch.resize(size_t(size));
                        if (!decodeWellFormedUtf8(text, size_t(size), scratch.data()))
                            refuseValue(table.name, rowid, column.name, QStringLiteral("不是有效的 UTF-8 文本"));
                    }
                    appendCopyText(out, text, size);
                    break;
                }
                case ColumnType::Real:
                    if (stored != SQLITE_FLOAT && stored != SQLITE_INTEGER)
                        refuseValue(table.name, rowid, column.name, QStringLiteral("不是数字"));
                    appendDouble(out, sqlite3_column_double(st.get(), field));
                    break;
                case ColumnType::Integer:
                case ColumnType::Counter:
                    if (stored != SQLITE_INTEGER)
                        refuseValue(table.name, rowid, column.name, QStringLiteral("不是整数"));
                    out.append(QByteArray::number(sqlite3_column_int64(st.get(), field)));
                    break;
                }
            }
            if (table.holdsOrders) {
                out.append('\t');
                out.append(QByteArray::number(rowid));
            }
            copy.rowDone();
            ++copied;
            rows.step();
        }
        if (rc != SQLITE_DONE)
            throw DbError(engineMessage(file));
        copy.finish();
        counts.append({table.name, copied});
    }
    rows.report();
    return counts;
}

// Moves every identity of the server's tables past the numbers that came
// with the copy, so that the next row a station adds gets a number no row
// has had: past the highest copied, past what the file's counter had given,
// and never back from where the server's sequence stood.
void moveSequences(ServerConnection& db, sqlite3* file)
{
    const SqlDialect& dialect = SqlDialect::server();
    for (const schema::Table& table : schema::tables()) {
        QList<std::pair<QString, qint64>> identities;
        const schema::TableColumn* counter = counterOf(table);
        const qint64 counted = counter ? fileCounterSequence(file, table.name) : 0;
        if (counter)
            identities.append({counter->name, counted});
        // The ledger's row identity came from its counter (the file's rowid
        // is its ID), and goes on in step with it.
        if (table.holdsOrders)
            identities.append({SqlDialect::rowIdentityColumn(), counted});
        for (const auto& [column, fileSequence] : identities) {
            db.exec(QStringLiteral("select setval(s, greatest(v, 1), v >= 1) from ("
                                   "select s, greatest(coalesce((select max(%1) from %2), 0), $3::bigint,"
                                   " coalesce(pg_sequence_last_value(s), 0)) as v"
                                   " from (select pg_get_serial_sequence($1, $2)::regclass as s) a) b")
                        .arg(dialect.quote(column), table.name),
                    {table.name, column, fileSequence});
        }
    }
}

// A double as the server writes it.
double parseDouble(const char* text, int size, bool* ok)
{
    const QByteArray bytes = QByteArray::fromRawData(text, size);
    *ok = true;
    if (bytes == "Infinity")
        return std::numeric_limits<double>::infinity();
    if (bytes == "-Infinity")
        return -std::numeric_limits<double>::infinity();
    return bytes.toDouble(ok);
}

// Rows fetched from the server at a time: the file is written as they come,
// and the progress display moves between the fetches.
constexpr int fetchRows = 4096;

// One table of the server's register into the file, inside the caller's
// transactions on both; returns its rows.
qint64 copyServerTable(ServerConnection& db, const schema::Table& table, sqlite3* file, RowProgress& rows)
{
    const SqlDialect& server = SqlDialect::server();
    const bool rowid = carriesRowid(table);
    const schema::TableColumn* counter = counterOf(table);
    QStringList selected = quotedColumns(table, server);
    QStringList inserted = quotedColumns(table, SqlDialect::file());
    QString order;
    if (rowid) {
        selected.prepend(SqlDialect::rowIdentityColumn());
        inserted.prepend(QStringLiteral("rowid"));
        order = QStringLiteral(" order by ") + SqlDialect::rowIdentityColumn();
    } else if (counter) {
        order = QStringLiteral(" order by ") + server.quote(counter->name);
    }
    db.exec(QStringLiteral("declare register_rows no scroll cursor for select %1 from %2%3")
                .arg(selected.join(QLatin1Char(',')), table.name, order));
    const StatementHandle insert =
        prepare(file, QStringLiteral("insert into %1 (%2) values (%3)")
                          .arg(table.name, inserted.join(QLatin1Char(',')),
                               SqlDialect::file().parameters(int(inserted.size()))));
    sqlite3_stmt* st = insert.get();
    const int first = rowid ? 1 : 0;
    qint64 copied = 0;
    for (;;) {
        const ResultHandle fetched = query(db.handle(), QStringLiteral("fetch %1 from register_rows").arg(fetchRows));
        PGresult* result = fetched.get();
        const int count = PQntuples(result);
        if (count == 0)
            break;
        for (int row = 0; row < count; ++row) {
            if (rowid)
                sqlite3_bind_int64(st, 1, QByteArray::fromRawData(PQgetvalue(result, row, 0),
                                                                  PQgetlength(result, row, 0)).toLongLong());
            for (int i = 0; i < table.columns.size(); ++i) {
                const int field = first + i;
                const int parameter = field + 1;
                if (PQgetisnull(result, row, field)) {
                    sqlite3_bind_null(st, parameter);
                    continue;
                }
                const char* text = PQgetvalue(result, row, field);
                const int size = PQgetlength(result, row, field);
                bool ok = true;
                switch (table.columns.at(i).type) {
                case ColumnType::Text:
                    sqlite3_bind_text(st, parameter, text, size, SQLITE_STATIC);
                    break;
                case ColumnType::Real:
                    sqlite3_bind_double(st, parameter, parseDouble(text, size, &ok));
                    break;
                case ColumnType::Integer:
                case ColumnType::Counter:
                    sqlite3_bind_int64(st, parameter, QByteArray::fromRawData(text, size).toLongLong(&ok));
                    break;
                }
                if (!ok)
                    throw DbError(QStringLiteral("数据表 %1 的字段 %2 的值 %3 不是数字。")
                                      .arg(table.name, table.columns.at(i).name, QString::fromUtf8(text, size)));
            }
            if (sqlite3_step(st) != SQLITE_DONE)
                throw DbError(engineMessage(file));
            sqlite3_reset(st);
            rows.step();
        }
        copied += count;
    }
    db.exec(QStringLiteral("close register_rows"));

    // The file's counter goes on where the server's stood, past numbers
    // whose rows were deleted, as the server's would.
    if (counter) {
        const qint64 given =
            db.column(QStringLiteral("select coalesce(pg_sequence_last_value(pg_get_serial_sequence($1, $2)::regclass), 0)"),
                      {table.name, counter->name})
                .value(0)
                .toLongLong();
        if (given > 0) {
            const QByteArray name = table.name.toUtf8();
            const StatementHandle seq =
                prepare(file, QStringLiteral("update sqlite_sequence set seq = max(seq, ?) where name = ?"));
            sqlite3_bind_int64(seq.get(), 1, given);
            sqlite3_bind_text(seq.get(), 2, name.constData(), int(name.size()), SQLITE_TRANSIENT);
            if (sqlite3_step(seq.get()) != SQLITE_DONE)
                throw DbError(engineMessage(file));
            if (sqlite3_changes(file) == 0) {
                const StatementHandle add = prepare(file, QStringLiteral("insert into sqlite_sequence (name, seq) values (?, ?)"));
                sqlite3_bind_text(add.get(), 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
                sqlite3_bind_int64(add.get(), 2, given);
                if (sqlite3_step(add.get()) != SQLITE_DONE)
                    throw DbError(engineMessage(file));
            }
        }
    }
    return copied;
}

}  // namespace

RegisterTransfer::RegisterTransfer(DatabaseCopier copier) : m_copier(std::move(copier)), m_progress(m_copier.progress())
{
}

RegisterTransfer::Counts RegisterTransfer::copyIntoEmptyServer(const QString& file, const QString& uri) const
{
    m_copier.verify(file);
    const DbHandle source = openFile(file, m_copier.key());
    ServerConnection db(uri);
    // One read of the file: another program writing it meanwhile cannot
    // give the server half of its change.
    execFile(source.get(), "begin");
    db.exec(QStringLiteral("begin"));
    // The tables are made in the same transaction: a refused copy leaves the
    // database as empty as it was.
    createServerTables(db);
    Counts counts = copyFileRows(source.get(), db.handle(), m_progress);
    moveSequences(db, source.get());
    db.exec(QStringLiteral("commit"));
    return counts;
}

RegisterTransfer::Counts RegisterTransfer::restoreToServer(const QString& file, const QString& uri) const
{
    m_copier.verify(file);
    const DbHandle source = openFile(file, m_copier.key());
    ServerConnection db(uri);
    execFile(source.get(), "begin");
    db.exec(QStringLiteral("begin"));
    // Rows deleted, not the tables truncated: other stations keep reading
    // the old register until the commit, where a truncate would hold them
    // up. The lock keeps their writes waiting until then, so that none of
    // them lands in the register being replaced; a station that holds its
    // write open for long ends the restore instead of stopping it forever.
    db.exec(QStringLiteral("set local lock_timeout = '30s'"));
    QStringList names;
    for (const schema::Table& table : schema::tables())
        names << table.name;
    db.exec(QStringLiteral("lock table %1 in exclusive mode").arg(names.join(QLatin1Char(','))));
    for (const QString& name : names)
        db.exec(QStringLiteral("delete from %1").arg(name));
    Counts counts = copyFileRows(source.get(), db.handle(), m_progress);
    moveSequences(db, source.get());
    db.exec(QStringLiteral("commit"));
    return counts;
}

RegisterTransfer::Counts RegisterTransfer::backupFromServer(const QString& uri, const QString& target) const
{
    ServerConnection db(uri);
    // Every table as of one moment, whatever the other stations write.
    db.exec(QStringLiteral("begin isolation level repeatable read, read only"));
    // Every double with the digits it needs to come back as itself.
    db.exec(QStringLiteral("set local extra_float_digits = 3"));
    qint64 total = 0;
    for (const schema::Table& table : schema::tables())
        total += db.column(QStringLiteral("select count(*) from %1").arg(table.name)).value(0).toLongLong();

    Counts counts;
    m_copier.writeFile(target, [&](sqlite3* file) {
        execFile(file, "begin");
        execFile(file, schema::createScript(SqlDialect::file()).toUtf8().constData());
        RowProgress rows(m_progress, total);
        rows.report();
        for (const schema::Table& table : schema::tables())
            counts.append({table.name, copyServerTable(db, table, file, rows)});
        execFile(file, "commit");
        rows.report();
    });
    db.exec(QStringLiteral("commit"));
    return counts;
}

}  // namespace kx
