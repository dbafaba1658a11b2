#include "import/BiffTable.h"

#include <algorithm>

namespace kx {

BiffCell BiffTable::cell(int row, int column) const
{
    if (row < 0 || column < 0 || row >= m_rows || column >= m_columns)
        return {};
    return m_cells.value(key(row, column));
}

QStringList BiffTable::headers() const
{
    QStringList names;
    for (int c = 0; c < m_columns; ++c) {
        const BiffCell h = cell(0, c);
        names << (h.kind == BiffCell::Kind::Number ? QString::number(h.number()) : h.value.toString());
    }
    return names;
}

void BiffTable::set(int row, int column, const BiffCell& cell)
{
    // A worksheet of this format never goes past 65536 rows and 256 columns.
    if (row < 0 || column < 0 || row > 0xFFFF || column > 0xFF || cell.isEmpty())
        return;
    m_cells.insert(key(row, column), cell);
    m_rows = std::max(m_rows, row + 1);
    m_columns = std::max(m_columns, column + 1);
}

void BiffTable::trimLeadingEmptyRows()
{
    if (m_cells.isEmpty())
        return;
    int first = m_rows;
    for (auto it = m_cells.cbegin(); it != m_cells.cend(); ++it)
        first = std::min(first, int(it.key() >> 8));
    if (first == 0)
        return;
    QHash<quint32, BiffCell> moved;
    moved.reserve(m_cells.size());
    for (auto it = m_cells.cbegin(); it != m_cells.cend(); ++it)
        moved.insert(key(int(it.key() >> 8) - first, int(it.key() & 0xFF)), it.value());
    m_cells = std::move(moved);
    m_rows -= first;
}

}  // namespace kx
