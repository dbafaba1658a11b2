#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QList>
#include <QVariantList>
#include <memory>

namespace kx {
class Connection;
}

// Skips a test of how the encrypted file itself is kept (its key, its
// pages, its journal) in the run on the server.
#define KX_FILE_ONLY()                                                                             \
    do {                                                                                           \
        if (kx::test::TestDb::onServer())                                                          \
            QSKIP("the encrypted file's own behaviour");                                           \
    } while (false)

namespace kx::test {

// A fresh working directory holding a new data.mdb (schema and administrator),
// made current for the test; the previous directory comes back on destruction.
class TestDb {
public:
    explicit TestDb(bool demo = false);
    ~TestDb();
    QString dir() const { return m_dir.path(); }
    // The absolute path of data.mdb, or the server register's URI.
    QString path() const;

    // Whether this run's registers are on a database server: the tests run
    // once on the file and once more with KX_TEST_ENGINE=server, where the
    // register is a new database on a server of the test process's own
    // (started at the first register, stopped as the process ends), made
    // the data module's register for the run.
    static bool onServer();

    // Runs statements on the fixture's own connection, apart from the
    // program's (fixtures, checks). It is opened at the first statement and
    // kept, since every opening derives the key again, which is slow.
    void exec(const QString& sql, const QVariantList& params = {}) const;
    QVariant scalar(const QString& sql, const QVariantList& params = {}) const;
    // Inserts an order; columns not given stay null.
    void addOrder(const QVariantMap& columns) const;
    // Closes the fixture's connection; the next statement opens it again.
    // For a test that deletes or replaces the file: an open connection would
    // go on working on the old one.
    void closeConnection() const;

    // What the sqlcipher command-line tool (not our code) reads from the file
    // with the database password: one line per row, columns joined by '|'.
    QStringList cli(const QString& sql) const;

private:
    Connection& connection() const;

    QTemporaryDir m_dir;
    QString m_previous;
    QString m_uri;
    mutable std::unique_ptr<Connection> m_connection;
};

// The imported fields of every order in the file at `databasePath`, in the
// import statement's column order, oldest order first.
QList<QVariantList> storedImportedOrders(const QString& databasePath);

}  // namespace kx::test
