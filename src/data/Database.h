#pragma once

#include "data/Connection.h"
#include "data/Dataset.h"

#include <QObject>

namespace kx {

class ResultRefresher;

// The data module: the one connection to data.mdb and the shared datasets
// through which every window reads and writes.
class Database : public QObject {
    Q_OBJECT
public:
    // Opens the register chosen for this run (see setDefaultRegister()),
    // else data.mdb in the working directory; throws DbError when it cannot,
    // when the file holds none of the program's tables, or when it cannot be
    // written, and OperationError when a server cannot be reached.
    explicit Database(QObject* parent = nullptr);
    // Opens another file, or the register on a server named by a
    // connection URI; used by tools and tests that keep several apart.
    Database(const QString& path, QObject* parent);

    // The register that the data module opens when none is named: the one
    // the program's start chose (a file's path or a server's URI); empty
    // for data.mdb in the working directory.
    static void setDefaultRegister(const QString& pathOrUri);
    static QString defaultRegister();
    // Whether the register is on a database server.
    bool onServer() const { return connection.server() != nullptr; }

    // Reopens the connection (after a restore) and the tables.
    void reconnect();
    // Closes the connection and every dataset; `closed` tells the windows
    // that act on the register to close too.
    void disconnect();
    // The database file, as the data module opens it, or the server's URI.
    QString path() const { return m_path; }
    // A refresher for the datasets of this database: statements run again
    // on a connection of its own, away from the window's thread.
    ResultRefresher* createRefresher(QObject* parent) const;

    Connection connection;
    Dataset gridResult;
    Dataset orderAppender;
    Dataset senderReader;
    Dataset senderWriter;
    // One-off statements of the login, the user accounts, the ledger and the
    // order register, one after another.
    Dataset scratch;
    Dataset ledgerTable;
    Dataset ledgerMonth;

signals:
    void closed();

private:
    // Opens the file and checks that it is the program's and can be written.
    void openFile();

    QString m_path;
};

}  // namespace kx
