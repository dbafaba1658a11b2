#pragma once

#include <QString>
#include <benchmark/benchmark.h>
#include <functional>

struct sqlite3;

namespace kx::bench {

// A bare keyed engine connection to a database file, for the work our code is
// compared with; closed when it goes.
struct BareDb {
    explicit BareDb(const QString& path);
    ~BareDb();
    BareDb(const BareDb&) = delete;
    BareDb& operator=(const BareDb&) = delete;
    sqlite3* db = nullptr;
};

// Creates data.mdb in the current directory with `orders` generated orders
// (realistic Chinese names, mobiles, addresses, couriers, items).
void makeOrdersDatabase(const QString& path, int orders);

// Declares that benchmark `ours` is compared with benchmark `bare`; the
// closing lines print "ratio NAME VALUE" from their median real times.
void addRatio(const char* name, const char* ours, const char* bare);

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

// Peak resident memory of this process, in bytes.
long long peakRss();
// Current resident memory, in bytes.
long long currentRss();

}  // namespace kx::bench
