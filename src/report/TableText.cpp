#include "report/TableText.h"

#include <cstdint>
#include <stdexcept>

namespace kx {

TableText::TableText(int columns) : m_columns(columns) {}

void TableText::reserve(int rows, qsizetype characters)
{
    m_styles.reserve(size_t(rows));
    m_ends.reserve(size_t(rows) * size_t(m_columns));
    m_text.reserve(characters);
}

void TableText::addRow(quint8 style)
{
    if (m_ends.size() != m_styles.size() * size_t(m_columns))
        throw std::logic_error("TableText: a row is missing cells");
    m_styles.push_back(style);
}

void TableText::addCell(QStringView text)
{
    if (m_text.size() + text.size() > qsizetype(UINT32_MAX))
        throw std::length_error("TableText: too much text");
    m_text.append(text);
    m_ends.push_back(quint32(m_text.size()));
}

QStringView TableText::cell(int row, int column) const
{
    const size_t index = size_t(row) * size_t(m_columns) + size_t(column);
    const quint32 start = index == 0 ? 0 : m_ends[index - 1];
    return QStringView(m_text).mid(start, m_ends[index] - start);
}

}  // namespace kx
