#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

struct sqlite3;
struct sqlite3_stmt;

namespace kx {

// One prepared statement with its bound values. Throws DbError with the
// engine's message when preparing, binding or stepping fails.
class Statement {
public:
    Statement(sqlite3* db, const QString& sql, const QVariantList& params = {});
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Steps once; true while a row is available.
    bool step();
    int columnCount() const;
    QString columnName(int column) const;
    QVariant value(int column) const;
    sqlite3_stmt* handle() const { return m_stmt; }

private:
    [[noreturn]] void fail();
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

}  // namespace kx
