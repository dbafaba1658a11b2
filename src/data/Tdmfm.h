#pragma once

#include "data/Connection.h"
#include "data/Dataset.h"

#include <QObject>

namespace kx {

// The data module: the one connection to data.mdb and the shared datasets
// through which every window reads and writes.
class Tdmfm : public QObject {
    Q_OBJECT
public:
    // Opens data.mdb in the working directory; throws DbError when it cannot,
    // when the file holds none of the program's tables, or when it cannot be
    // written.
    explicit Tdmfm(QObject* parent = nullptr);
    // Opens another file; used by tools and tests that keep several apart.
    Tdmfm(const QString& path, QObject* parent);

    // Reopens the connection (after a restore) and the tables.
    void reconnect();
    void disconnect();
    // The database file, as the data module opens it.
    QString path() const { return m_path; }

    Connection ADOConnection1;
    Dataset ADOQuery15;  // the order grid's result
    Dataset ADOTable5;   // new orders are appended here
    Dataset ADOQuery7;   // reading the sender profile
    Dataset ADOTable6;   // saving the sender profile
    Dataset ADOQuery1;   // general purpose
    Dataset ADOTable2;   // the ledger's table
    Dataset ADOQuery13;  // the ledger's current-month query

private:
    // Opens the file and checks that it is the program's and can be written.
    void openFile();

    QString m_path;
};

}  // namespace kx
