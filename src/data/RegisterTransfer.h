#pragma once

#include "data/DatabaseCopier.h"

#include <QList>
#include <QString>

namespace kx {

// Moves a whole register between the encrypted file and a database server,
// every row and field as it stands: a text stays the same bytes, a number
// the same double, a null a null, and the identities that tell one order
// from another keep their numbers (the file's rowid of the tables of orders
// is the server's row identity column, and the journal's and the ledger's
// counters keep theirs). No widget: kestrix-newdb, the backup window and the
// exit backup drive it alike.
//
// Every write to the server is one transaction: it commits whole, or the
// server keeps what it held. Every failure throws OperationError (DbError
// for the engines' own) with a reason the user can read.
class RegisterTransfer {
public:
    // Rows copied so far and the rows of the whole register.
    using Progress = DatabaseCopier::Progress;

    struct TableRows {
        QString table;
        qint64 rows = 0;
    };
    // The rows copied, one entry per table in the schema's order.
    using Counts = QList<TableRows>;

    // The copier writes and checks the files, with its key; its progress
    // display shows the rows copied until setProgress() gives another.
    explicit RegisterTransfer(DatabaseCopier copier = DatabaseCopier());

    void setProgress(Progress progress) { m_progress = std::move(progress); }

    // Copies the register in `file` into the empty database `uri`: makes
    // the tables there and fills them. Refuses a database that already holds
    // any of the register's tables, and a file that is not a sound register.
    Counts copyIntoEmptyServer(const QString& file, const QString& uri) const;

    // Replaces every row of the register on the server by the rows of the
    // backup `file`, verified first. Other stations go on reading the old
    // register until the new one is committed in its place, and wait with
    // their writes; a failure anywhere leaves the old register.
    Counts restoreToServer(const QString& file, const QString& uri) const;

    // Writes the register on the server into a checked encrypted file at
    // `target`, the same as a backup of a file register: one consistent
    // moment of the server's register, written beside the target and only
    // renamed over it once verified.
    Counts backupFromServer(const QString& uri, const QString& target) const;

private:
    DatabaseCopier m_copier;
    Progress m_progress;
};

}  // namespace kx
