#pragma once

#include <QString>
#include <chrono>

namespace kx {

// Looks at a database file the program did not make itself (a backup to be
// restored, a file to import into, the data file at start) before any
// connection of ours opens it. The look runs in a process of its own,
// kestrix-check: the engine crashes on some crafted files while it reads
// their schema, and such a file must end that process, not the program.
// The checker accepts only what kestrix-newdb makes: exactly its tables, no
// trigger, view or index, no WAL journal.
//
// Every refusal throws OperationError with a message the user can read: the
// checker's own reason, or that the checker ended abnormally (taken as a
// refusal), ran out of time, or could not be started.
class DatabaseChecker {
public:
    static constexpr std::chrono::milliseconds defaultTimeLimit = std::chrono::seconds(60);

    explicit DatabaseChecker(std::chrono::milliseconds timeLimit = defaultTimeLimit);

    // The schema and the journal mode, then quick_check over every page.
    void checkWhole(const QString& path) const;
    // The schema and the journal mode only: fast on a file of any size.
    void checkSchema(const QString& path) const;

    // The checker program: kestrix-check beside the running program, or
    // what setProgram() gave.
    static QString program();
    // Points every checker at another program (the tests' build folder, a
    // stand-in); an empty path goes back to the one beside the program.
    static void setProgram(const QString& path);

private:
    void run(const QString& path, bool schemaOnly) const;

    std::chrono::milliseconds m_timeLimit;
};

}  // namespace kx
