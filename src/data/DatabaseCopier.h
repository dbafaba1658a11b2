#pragma once

#include "data/Schema.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>

struct sqlite3;

namespace kx {

class Connection;

// Copies whole database files through the engine's own backup interface, so
// that a copy is consistent even while another station writes, and checks
// every copy before it counts. No widget: the backup window, the exit backup
// and the tests drive it alike. Every failure throws DbError with a reason
// the user can read; what stood at the target before stays as it was. A copy
// cut off by a kill or a power loss leaves its temporary file; the next copy
// to the same name removes it once it has lain untouched for an hour.
class DatabaseCopier {
public:
    // Pages copied so far and the pages of the whole file.
    using Progress = std::function<void(int done, int total)>;

    explicit DatabaseCopier(QByteArray key = schema::databaseKey);

    void setProgress(Progress progress) { m_progress = std::move(progress); }
    // Runs on a finished copy just before it is checked. Only the tests use
    // it, to spoil a copy and see that the check catches it.
    void setBeforeCheck(std::function<void(const QString& path)> hook) { m_beforeCheck = std::move(hook); }

    // A checked copy of the database file `source` as `target`: written into
    // a temporary file beside the target, flushed, opened again with the key
    // and passed through quick_check, and only then renamed over the target.
    void backup(const QString& source, const QString& target) const;
    // The same from a database that is open already (the exit backup copies
    // the program's own connection).
    void backup(Connection& source, const QString& target) const;

    // Writes a new database file at `target` the way every copy is written:
    // into an owner-only temporary file beside it, opened with the key and
    // filled by `fill` (which makes the tables and rows), then opened again
    // and verified as below, and only then renamed over the target. A copy
    // from somewhere other than a database file (a register on a server)
    // goes through here.
    void writeFile(const QString& target, const std::function<void(sqlite3* file)>& fill) const;

    // The key the copies are encrypted with, and the progress display they
    // report to.
    const QByteArray& key() const { return m_key; }
    const Progress& progress() const { return m_progress; }

    // Whether the file is a sound database of this program: it opens with
    // the key, holds the five tables and passes quick_check. Throws the
    // reason when it is not.
    void verify(const QString& path) const;

    // Puts the content of the backup file `source` into the database file
    // `target`. The source is verified first, and nothing is touched when it
    // fails. The target's content is kept beside it as
    // target + "." + yyyyMMdd-HHmmss + ".bak" (that path is returned; empty
    // when there was no target). A sound target then gets the source written
    // into the file itself through the backup interface, inside one
    // transaction of the target: its own locks keep other stations out, and
    // its journal rolls a half-written restore back. A target that is
    // damaged, cut short, empty, unreadable or no database of this program
    // is kept byte for byte as it is and replaced as a whole by a checked
    // copy. Another station holding the target ends the restore.
    QString restore(const QString& source, const QString& target, const QDateTime& now) const;

    // A restore from the database file itself is refused before anything
    // else, the question whether to replace it included.
    static void refuseOwnFile(const QString& source, const QString& target);

    // The name a restore keeps the target's previous content under.
    static QString keptCopyName(const QString& target, const QDateTime& now);
    // How many kept copies of a target stay beside it.
    static constexpr int keptCopies = 5;
    // Removes the target's kept copies but the newest `keptCopies`, by the
    // moment in their names; copies dated after `now` count as older than
    // any other. A restore calls it once it has kept a copy dated `now`.
    static void removeOldKeptCopies(const QString& target, const QDateTime& now);

private:
    // The copy into a temporary file and the rename; `check` runs the
    // hook and quick_check on the copy first.
    void copyToFile(sqlite3* source, const QString& target, bool check) const;
    enum class Check { None, Pages, Whole };
    // The temporary file filled by `fill`, checked as `check` says, renamed.
    void writeTemporary(const QString& target, const std::function<void(sqlite3*)>& fill, Check check) const;
    void copyPages(sqlite3* source, sqlite3* target) const;

    QByteArray m_key;
    Progress m_progress;
    std::function<void(const QString&)> m_beforeCheck;
};

}  // namespace kx
