#pragma once

#include "data/Connection.h"

namespace kx {

// All-or-nothing for the operations that need it: rolls back in its
// destructor unless commit() was reached.
//
// It takes the file's write lock at once ("begin immediate"), waiting for
// another station's write to end. A plain "begin" would take it only at
// the first write, after the transaction's first reads: meeting another
// writer there the engine does not wait (both would wait for each other)
// and the write fails at once with "database is locked".
class Transaction {
public:
    explicit Transaction(Connection& c) : m_c(c) { m_c.exec(beginStatement()); }
    static QString beginStatement() { return QStringLiteral("begin immediate"); }
    ~Transaction()
    {
        if (!m_done) {
            try {
                m_c.exec(QStringLiteral("rollback"));
            } catch (...) {
            }
        }
    }
    void commit()
    {
        m_c.exec(QStringLiteral("commit"));
        m_done = true;
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

private:
    Connection& m_c;
    bool m_done = false;
};

}  // namespace kx
