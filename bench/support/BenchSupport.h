#pragma once

#include <string>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <benchmark/benchmark.h>
#include <functional>
#include <sqlite3.h>  // the SQLCipher header, through the build's include path

struct sqlite3;
struct sqlite3_stmt;
struct pg_conn;
struct pg_result;

namespace kx {
class Dataset;
}

namespace kx::bench {

// What a result held, cheap enough to collect while the bare engine steps
// through it: the row count and a checksum over every value (each text by
// its length and its first and last bytes in UTF-8, each number by value,
// both weighted by column). Our side's result is checked against the bare
// side's, so a statement that failed or fetched something else shows.
struct ResultCheck {
    long long rows = 0;
    unsigned long long sum = 0;

    void addText(int column, const unsigned char* utf8, int bytes)
    {
        const unsigned long long v =
            bytes ? 1 + unsigned(bytes) + 131ull * utf8[0] + 31ull * utf8[bytes - 1] : 1;
        sum += v * unsigned(column + 1);
    }
    void addNumber(int column, double value)
    {
        sum += static_cast<unsigned long long>(static_cast<long long>(value * 100.0)) * unsigned(column + 3);
    }
    // Every column of the statement's current row.
    void addRow(sqlite3_stmt* st);
    // Every column of a server result's row from `first` on, counted from
    // there: a bare fetch of the row identity, which our side keeps apart
    // from the fields, leaves it out of the figures.
    void addRow(const pg_result* result, int row, int first = 0);
    bool operator==(const ResultCheck&) const = default;
    QString toString() const;
};

// Steps through a prepared statement to its end reading every column of
// every row; the statement is reset, not finalized.
ResultCheck readAll(sqlite3_stmt* st);
// Prepares, binds the texts to the `?` placeholders in turn, reads every
// row and finalizes; exits the program when the statement cannot run.
ResultCheck readAll(sqlite3* db, const QByteArray& sql, const QList<QByteArray>& params = {});

// The same from a server's whole result, and from a statement run on a bare
// libpq connection with the texts as its $1, $2 … values (the statement
// written as the server takes it); exits the program when it fails.
ResultCheck readAll(const pg_result* result, int first = 0);
ResultCheck readAll(pg_conn* conn, const QByteArray& sql, const QList<QByteArray>& params = {}, int first = 0);

// The same figures from what our side fetched into a dataset.
ResultCheck checkOf(const Dataset& result);
// … and from a list of texts (one column).
ResultCheck checkOf(const QStringList& texts);

// Stops the benchmark program at once: a bench that measured the wrong work
// must not print a ratio.
[[noreturn]] void fail(const QString& what);

// A bare keyed engine connection to a database file, for the work our code is
// compared with; closed when it goes.
struct BareDb {
    explicit BareDb(const QString& path);
    ~BareDb();
    BareDb(const BareDb&) = delete;
    BareDb& operator=(const BareDb&) = delete;
    sqlite3* db = nullptr;
};

// A bare libpq connection to a register on a server, for the work our code
// is compared with; closed when it goes.
struct BarePg {
    explicit BarePg(const QString& uri);
    ~BarePg();
    BarePg(const BarePg&) = delete;
    BarePg& operator=(const BarePg&) = delete;
    // Runs a statement without values that returns no rows; exits the
    // program when it fails.
    void exec(const QByteArray& sql);
    pg_conn* conn = nullptr;
};

// A register named `name` on a PostgreSQL server of the bench's own (made at
// the first call, stopped and removed when the program ends), holding every
// row of the register file `from`, or no order when `from` is empty. Gives
// its connection URI.
QString serverRegister(const QString& name, const QString& from = {});

// Every order as fetched by the bare engine: its storage identity and its
// values, for the condition that finds exactly that row again, as our write
// path matches a row.
struct FetchedRows {
    std::vector<std::string> columns;
    std::vector<long long> ids;
    std::vector<std::vector<sqlite3_value*>> values;  // owned copies

    explicit FetchedRows(sqlite3* db);
    ~FetchedRows();
    FetchedRows(const FetchedRows&) = delete;
    FetchedRows& operator=(const FetchedRows&) = delete;

    // "_rowid_=? and [a] is ? and …".
    std::string where() const;
    int column(const char* name) const;  // -1 when missing
    // Binds the row's identity and values from parameter `first` on.
    void bind(sqlite3_stmt* st, int first, size_t row) const;
};

// Creates data.mdb in the current directory with `orders` generated orders
// (realistic Chinese names, mobiles, addresses, couriers, items).
void makeOrdersDatabase(const QString& path, int orders);

// Declares that benchmark `ours` is compared with benchmark `bare`; the
// closing lines print "ratio NAME VALUE" from their median real times.
void addRatio(const char* name, const char* ours, const char* bare);

// Prints "ms NAME VALUE" with the median real time of benchmark `ours` in
// milliseconds: the whole user action as the user waits for it.
void addMs(const char* name, const char* ours);

// Adds a line "note TEXT" printed with the ratios (memory figures and such).
void addNote(const QString& text);
// The same with a text made once every benchmark has run (figures that
// the runs themselves collect).
void addNote(std::function<QString()> text);

// Adds a line "ms NAME VALUE": a time measured outside Google Benchmark
// (a first paint on screen and such), printed with the ratios.
void addMs(const char* name, double ms);

// Runs all registered benchmarks (repetitions from the command line, 5 when
// none is given) and prints the ratio lines. Use in main().
int runBenchmarks(int argc, char** argv);
// The same with the repetitions of all benchmarks run interleaved in random
// order (unless the command line says otherwise), so that a busy machine
// weighs on our side and on the bare side alike.
int runBenchmarksInterleaved(int argc, char** argv);

// Peak resident memory of this process, in bytes.
long long peakRss();
// Current resident memory, in bytes.
long long currentRss();

}  // namespace kx::bench
