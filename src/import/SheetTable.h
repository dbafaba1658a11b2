#pragma once

#include "import/CellTextBudget.h"
#include "import/SheetCell.h"

#include <QStringList>

#include <vector>

namespace kx {

// The cells of one sheet as rows x columns; the first row is the headers.
// Cells are kept sparse: a sheet may name a far-away cell without making us
// allocate the whole rectangle up to it. Each row keeps its cells side by
// side in column order, so reading a report row by row, as the import does,
// walks memory in order: a report of 20,000 orders holds over 300,000 cells.
class SheetTable {
public:
    int rowCount() const { return int(m_rowCells.size()); }
    int columnCount() const { return m_columns; }
    // The cell, or an empty one outside the table. The reference stays good
    // until the table is changed.
    const SheetCell& cell(int row, int column) const;
    QStringList headers() const;

    // Places a cell at the sheet's own coordinates; empty cells are not kept.
    // Each cell kept is charged to the table's CellTextBudget: past it, this
    // throws OperationError and the read ends.
    void set(int row, int column, SheetCell cell);
    // Drops leading rows without a single value, so that the headers come first.
    void trimLeadingEmptyRows();
    // The row's number as the spreadsheet shows it (counting from 1, the
    // dropped leading rows included), for messages that send the user there.
    int sheetRowNumber(int row) const { return row + 1 + m_droppedRows; }

private:
    struct Entry {
        int column;
        SheetCell cell;
    };

    std::vector<std::vector<Entry>> m_rowCells;  // per row, in column order
    int m_columns = 0;
    int m_droppedRows = 0;
    size_t m_fullestRow = 0;  // the most cells any row holds
    CellTextBudget m_budget;
};

}  // namespace kx
