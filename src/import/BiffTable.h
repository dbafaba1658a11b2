#pragma once

#include "import/BiffCell.h"

#include <QHash>
#include <QStringList>

namespace kx {

// The cells of one sheet as rows x columns; the first row is the headers.
// Cells are kept sparse: a sheet may name a far-away cell without making us
// allocate the whole rectangle up to it.
class BiffTable {
public:
    int rowCount() const { return m_rows; }
    int columnCount() const { return m_columns; }
    BiffCell cell(int row, int column) const;
    QStringList headers() const;

    // Places a cell at the sheet's own coordinates; empty cells are not kept.
    void set(int row, int column, const BiffCell& cell);
    // Drops leading rows without a single value, so that the headers come first.
    void trimLeadingEmptyRows();

private:
    static quint32 key(int row, int column) { return (quint32(row) << 8) | quint32(column); }

    QHash<quint32, BiffCell> m_cells;
    int m_rows = 0;
    int m_columns = 0;
};

}  // namespace kx
