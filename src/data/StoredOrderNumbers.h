#pragma once

#include <QSet>
#include <QString>

namespace kx {

class Connection;

// Which of some order numbers the order register already holds, compared
// exactly as stored: no trimming, no letter case folded, "0012345" is not
// "12345".
//
// The file has no index on the order number, and the program adds none (a
// file must stay readable by every version), so the numbers are found in
// one pass over the column: each stored number is looked up in a hash of
// the wanted ones by its bytes, without making a string of it. A register
// of 100,000 orders is one read of the table, whatever the number of
// wanted numbers; a statement per number would read it once for each.
class StoredOrderNumbers {
public:
    // The numbers of `wanted` that some order of the register holds. Throws
    // DbError when the register cannot be read.
    static QSet<QString> among(Connection& connection, const QSet<QString>& wanted);

    // What the register is as the connection sees it: equal stamps taken on
    // one opening of a connection mean that no order was written in
    // between, by this connection or another (the engine counts both), so
    // numbers found at the first still stand at the second without reading
    // the table again.
    struct Stamp {
        const void* connection = nullptr;
        long long othersWrites = -1;  // the engine's data version
        long long ownWrites = -1;     // rows this connection changed
        bool operator==(const Stamp&) const = default;
    };
    static Stamp stamp(Connection& connection);
};

}  // namespace kx
