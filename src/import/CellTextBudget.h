#pragma once

#include <QtGlobal>

namespace kx {

// What the values read from one report may cost to hold. A workbook is
// packed: a file of a few hundred kilobytes can unpack to millions of tiny
// shared strings, or name one long text from every cell, and reading that
// would take minutes and gigabytes before anything could be refused.
//
// Each value is charged its text (two bytes a character) plus what keeping
// one more value costs, even an empty one, so a count of tiny strings runs
// out as surely as one huge text. Past the limit the read throws
// OperationError. The limit is far beyond any real report: 65,536 orders
// of twenty columns with a few hundred characters each take well under a
// quarter of it.
class CellTextBudget {
public:
    static constexpr qint64 Limit = qint64(256) * 1024 * 1024;
    // A string or a cell as the readers keep it: the value itself, its
    // place in the row or list, and the allocation behind a text.
    static constexpr qint64 ValueCost = 48;

    // Charges one value of `characters` UTF-16 characters.
    void charge(qsizetype characters)
    {
        m_used += ValueCost + 2 * qint64(characters);
        if (m_used > Limit)
            refuse();
    }
    qint64 used() const { return m_used; }

private:
    [[noreturn]] static void refuse();

    qint64 m_used = 0;
};

}  // namespace kx
