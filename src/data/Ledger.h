#pragma once

#include <QDate>

namespace kx {

class Database;

// The stock and sales ledger's queries over data1.
class Ledger {
public:
    // Opens the current month's rows (ledgerMonth), naming every column of
    // the ledger's fixed list; a data1 that lacks one, or declares one with
    // another type, stops here with the engine-style error.
    static void openMonth(Database& dm, const QDate& today);
};

}  // namespace kx
