#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantList>

namespace kx::test {

// A fresh working directory holding a new data.mdb (schema and administrator),
// made current for the test; the previous directory comes back on destruction.
class TestDb {
public:
    explicit TestDb(bool demo = false);
    ~TestDb();
    QString dir() const { return m_dir.path(); }
    QString path() const;  // absolute path of data.mdb

    // Runs statements on a separate connection (fixtures, checks).
    void exec(const QString& sql, const QVariantList& params = {}) const;
    QVariant scalar(const QString& sql, const QVariantList& params = {}) const;
    // Inserts an order; columns not given stay null.
    void addOrder(const QVariantMap& columns) const;

    // What the sqlcipher command-line tool (not our code) reads from the file
    // with the database password: one line per row, columns joined by '|'.
    QStringList cli(const QString& sql) const;

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

}  // namespace kx::test
