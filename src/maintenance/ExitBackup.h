#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

namespace kx {

class Connection;
class DatabaseCopier;

// The copy of the database that a normal exit leaves in the folder backup/
// beside the database file: data-yyyy-MM-dd.mdb, one a day (a later exit the
// same day replaces it), each checked before it replaces anything, the
// newest 14 kept; the folder and the copies are their owner's alone. A shop
// that never made a backup by hand can still go back to an earlier day. It
// never stands in the way of closing: a failure is written to
// backup/backup.log and that is all.
class ExitBackup {
public:
    static constexpr int keptCopies = 14;

    // The folder of the daily copies, as an absolute path. A register on a
    // server has its copies in each station's own working folder, where its
    // data.mdb would be.
    static QString folderFor(const QString& databaseFile);
    static QString copyName(const QDate& day);

    // The daily copies in `folder`, newest first by the day in their names;
    // copies dated after `today` come after the others (see removeOldCopies).
    static QStringList copiesNewestFirst(const QString& folder, const QDate& today);

    // Copies the open database; true when today's copy was made. Never throws.
    static bool run(Connection& database, const QDateTime& now);
    // The same with a copier of the caller's (the tests spoil its copies).
    static bool run(Connection& database, const QDateTime& now, const DatabaseCopier& copier);
    // Copies the register on the server `uri` into an encrypted file, as
    // run() does for an open register of that URI.
    static bool runForServer(const QString& uri, const QDateTime& now,
                             const DatabaseCopier& copier);

private:
    // Makes today's copy through `copy` in `folder`, then removes old ones.
    static bool backUpInto(const QString& folder, const QDateTime& now,
                           const std::function<void(const QString& target)>& copy);
    // Removes the daily copies but the newest `keptCopies`; today's copy is
    // always among those kept.
    static void removeOldCopies(const QString& folder, const QDate& today);
    static void log(const QString& folder, const QDateTime& now, const QString& message);
};

}  // namespace kx
