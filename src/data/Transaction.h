#pragma once

#include "data/Connection.h"

namespace kx {

// All-or-nothing for the operations that need it: rolls back in its
// destructor unless commit() was reached.
class Transaction {
public:
    explicit Transaction(Connection& c) : m_c(c) { m_c.exec(QStringLiteral("begin")); }
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
