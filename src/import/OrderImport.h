#pragma once

#include "import/SheetTable.h"

#include <QString>
#include <QVariantList>
#include <functional>

namespace kx {

class Connection;
class RepeatedOrders;

// Appends every order of a shop's order report to the order table, all or
// nothing. The report's first row holds the marketplace's column headers;
// twelve of them are read (found by their text with blanks around it
// ignored, in any order, among any other columns) into thirteen fields, the
// order status feeding both the print status and the remark. Each value is
// converted by its field's type (see ReportCellValue); a row with no value
// at all is skipped.
//
// One transaction, one prepared statement bound anew for each order: a missing
// header, a value that cannot be converted, a missing order table or a
// failing write (a full disk) throws DbError and leaves the table as it was.
class OrderImport {
public:
    // The statement each order runs, as the order table names its fields.
    static const QString& insertStatement();

    // Returns how many orders were added. `progress`, when given, hears the
    // count done after each order, so a window can keep itself alive.
    // `repeats`, when given, is looked up again inside the transaction and
    // leaves out the orders it names (see RepeatedOrders).
    static int run(Connection& connection, const SheetTable& report, bool epoch1904,
                   const std::function<void(int done)>& progress = {},
                   RepeatedOrders* repeats = nullptr);

    // The order number of each row of the report after the headers, as run()
    // would store it; one that cannot be converted counts as none (run()
    // refuses it).
    static QVariantList orderNumbers(const SheetTable& report, bool epoch1904);
};

}  // namespace kx
