#pragma once

#include "data/StoredOrderNumbers.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

namespace kx {

class Connection;

// The orders of a report that would stand twice in the register: those
// whose order number the register already holds, and those whose number an
// earlier row of the same report brings. An order without a number (null,
// or nothing but blanks) is never a repeat. Numbers are compared exactly as
// the import stores them.
//
// Asked before the import (how many, which), and again inside the import's
// transaction, where leaveOut() decides order by order: between the two
// another station may have added some of the orders.
class RepeatedOrders {
public:
    // `numbers`: each order's number as the import would store it, in the
    // report's order (see OrderImport::orderNumbers()).
    explicit RepeatedOrders(const QVariantList& numbers);

    // Finds which of the numbers the register holds now, and starts the
    // count of leaveOut() afresh; when nothing was written since the last
    // lookUp() on the same connection, what it found stands. Throws DbError.
    void lookUp(Connection& connection);

    // How many orders leaveOut() would leave out, by the last lookUp().
    int count() const { return m_count; }
    // The first `max` distinct numbers of those orders, in the report's order.
    QStringList firstNumbers(int max) const;

    // Whether the import leaves out the order with this number, the orders
    // coming in the report's order; each one left out is counted.
    bool leaveOut(const QVariant& number);
    int leftOut() const { return m_leftOut; }

    // The number an order is known by, or an empty text for none.
    static QString key(const QVariant& number);

private:
    // Whether an order with the number repeats one; `seen` collects the
    // numbers met so far.
    bool repeats(const QString& key, QSet<QString>& seen) const;

    QStringList m_keys;     // per order, empty for none
    QSet<QString> m_stored; // numbers the register holds
    StoredOrderNumbers::Stamp m_storedAt;  // as it was when they were found
    int m_count = 0;
    QSet<QString> m_seen;   // the import's pass
    int m_leftOut = 0;
};

}  // namespace kx
