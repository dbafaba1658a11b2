#pragma once

#include <QString>
#include <QStringView>
#include <vector>

namespace kx {

// The texts of a table, row by row, kept compact: every cell's text in one
// buffer and one offset per cell, with a small style number per row. A list
// of a hundred thousand rows is copied into it in one pass without a string
// per cell, so a print job can own its rows whatever the grid does next.
class TableText {
public:
    explicit TableText(int columns);

    int columnCount() const { return m_columns; }
    int rowCount() const { return int(m_styles.size()); }
    void reserve(int rows, qsizetype characters);

    // Starts a row; its cells follow with addCell(), one per column in order.
    void addRow(quint8 style = 0);
    void addCell(QStringView text);

    QStringView cell(int row, int column) const;
    quint8 style(int row) const { return m_styles[size_t(row)]; }

private:
    int m_columns;
    QString m_text;
    std::vector<quint32> m_ends;  // where each cell's text ends in m_text
    std::vector<quint8> m_styles;
};

}  // namespace kx
