#include "import/SheetTable.h"

#include <algorithm>

namespace kx {

namespace {

const SheetCell noCell;

}  // namespace

const SheetCell& SheetTable::cell(int row, int column) const
{
    if (row < 0 || column < 0 || row >= rowCount() || column >= m_columns)
        return noCell;
    const std::vector<Entry>& cells = m_rowCells[size_t(row)];
    // A report's rows are mostly full: the cell is then found at its own index.
    if (size_t(column) < cells.size() && cells[size_t(column)].column == column)
        return cells[size_t(column)].cell;
    const auto it = std::lower_bound(cells.begin(), cells.end(), column,
                                     [](const Entry& e, int c) { return e.column < c; });
    return it != cells.end() && it->column == column ? it->cell : noCell;
}

QStringList SheetTable::headers() const
{
    QStringList names;
    for (int c = 0; c < m_columns; ++c) {
        const SheetCell& h = cell(0, c);
        names << (h.kind == SheetCell::Kind::Number ? QString::number(h.number()) : h.value.toString());
    }
    return names;
}

void SheetTable::set(int row, int column, SheetCell cell)
{
    // A worksheet of this format never goes past 65536 rows and 256 columns.
    if (row < 0 || column < 0 || row > 0xFFFF || column > 0xFF || cell.isEmpty())
        return;
    // Text is charged as it stands; a number, date or boolean only as a value.
    m_budget.charge(cell.kind == SheetCell::Kind::Text || cell.kind == SheetCell::Kind::Error ? cell.text().size() : 0);
    if (row >= rowCount())
        m_rowCells.resize(size_t(row) + 1);
    std::vector<Entry>& cells = m_rowCells[size_t(row)];
    // Rows of a report are alike: room for as many cells as the fullest row
    // so far saves growing each row step by step.
    if (cells.empty())
        cells.reserve(m_fullestRow);
    // Writers put a row's cells left to right; anything else is placed by search.
    if (cells.empty() || cells.back().column < column) {
        cells.push_back({column, std::move(cell)});
    } else {
        const auto it = std::lower_bound(cells.begin(), cells.end(), column,
                                         [](const Entry& e, int c) { return e.column < c; });
        if (it != cells.end() && it->column == column)
            it->cell = std::move(cell);
        else
            cells.insert(it, {column, std::move(cell)});
    }
    m_columns = std::max(m_columns, column + 1);
    m_fullestRow = std::max(m_fullestRow, cells.size());
}

void SheetTable::trimLeadingEmptyRows()
{
    size_t first = 0;
    while (first < m_rowCells.size() && m_rowCells[first].empty())
        ++first;
    m_rowCells.erase(m_rowCells.begin(), m_rowCells.begin() + qsizetype(first));
    m_droppedRows += int(first);
}

}  // namespace kx
