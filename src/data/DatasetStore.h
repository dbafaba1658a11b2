#pragma once

// The memory behind a Dataset's fetched values; only the dataset's own
// source files include it.

#include "data/Dataset.h"
#include "data/RawText.h"
#include "data/Statement.h"
#include "data/Utf8Decode.h"

#include <QByteArray>
#include <QStringDecoder>
#include <algorithm>
#include <bit>
#include <QHash>
#include <memory>
#include <unordered_map>
#include <vector>

namespace kx {

// The fetched values of one result. Values live in physical rows that never
// move; `order` says which physical row each row of the result shows.
struct Dataset::Store {
    struct Cell {
        enum Type : quint8 { Null, Text, Real, Integer, Blob };
        union {
            double real;
            qint64 integer;
            const char16_t* text;  // in one of the text blocks
            size_t blob;           // index into `blobs`
        };
        quint32 size;  // UTF-16 code units of a text
        Type type;
    };

    // Cells and texts go into blocks of a fixed size that are never moved or
    // grown, so a result of any size is fetched without copying what was
    // already fetched, and a text's place stays valid while the result lives.
    static constexpr size_t rowsPerBlock = 4096;
    static constexpr size_t textBlockUnits = size_t(1) << 20;

    explicit Store(size_t width) : width(std::max<size_t>(width, 1)) {}

    size_t width;
    std::vector<std::unique_ptr<Cell[]>> cellBlocks;
    std::vector<std::unique_ptr<char16_t[]>> textBlocks;
    std::vector<size_t> textBlockSizes;
    size_t textBlocksUsed = 0;
    char16_t* textFree = nullptr;  // unused space at the end of the last text block
    size_t textFreeUnits = 0;
    std::vector<QByteArray> blobs;
    std::vector<qint64> ids;   // per physical row
    std::vector<char> gone;    // per physical row: deleted from the table since
    std::vector<quint64> hashes;  // per physical row: rowHash() of its values
    bool idsAscending = true;  // physical rows in storage-identity order
    std::vector<int> order;    // row of the result → physical row
    QStringDecoder utf8{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless};
    // The stored bytes of the texts that are not well-formed UTF-8, by cell
    // (cells never move): the cell holds them decoded with replacement
    // characters, which would never match the row again for an edit or a
    // delete. Nearly always empty.
    std::unordered_map<const Cell*, QByteArray> rawTexts;

    size_t physicalRows() const { return ids.size(); }
    Cell& at(size_t physical, size_t column)
    {
        return cellBlocks[physical / rowsPerBlock][(physical % rowsPerBlock) * width + column];
    }
    const Cell& at(size_t physical, size_t column) const
    {
        return cellBlocks[physical / rowsPerBlock][(physical % rowsPerBlock) * width + column];
    }

    // Adds a physical row of nulls and returns its number.
    size_t addRow(qint64 id)
    {
        const size_t row = ids.size();
        if (row % rowsPerBlock == 0 && row / rowsPerBlock == cellBlocks.size())
            cellBlocks.push_back(std::make_unique_for_overwrite<Cell[]>(rowsPerBlock * width));
        for (size_t c = 0; c < width; ++c) {
            Cell& cell = at(row, c);
            cell.integer = 0;
            cell.size = 0;
            cell.type = Cell::Null;
        }
        idsAscending = idsAscending && (ids.empty() || id > ids.back());
        ids.push_back(id);
        gone.push_back(0);
        hashes.push_back(0);
        return row;
    }

    // Room for `units` code units of text, in the last block or a new one.
    char16_t* textSpace(size_t units)
    {
        if (units > textFreeUnits) {
            // Blocks kept from the previous result come first.
            while (textBlocksUsed < textBlocks.size()) {
                const size_t i = textBlocksUsed++;
                if (textBlockSizes[i] >= units) {
                    textFree = textBlocks[i].get();
                    textFreeUnits = textBlockSizes[i];
                    return textFree;
                }
            }
            const size_t blockUnits = std::max(units, textBlockUnits);
            textBlocks.push_back(std::make_unique_for_overwrite<char16_t[]>(blockUnits));
            textBlockSizes.push_back(blockUnits);
            textBlocksUsed = textBlocks.size();
            textFree = textBlocks.back().get();
            textFreeUnits = blockUnits;
        }
        return textFree;
    }

    // Empties the store for a new result of `columns` columns, keeping its
    // memory: a search over a large table runs on every keystroke, and
    // fresh pages for every result cost more than the copying itself.
    void recycle(size_t columns)
    {
        columns = std::max<size_t>(columns, 1);
        if (columns != width)
            cellBlocks.clear();
        width = columns;
        textBlocksUsed = 0;
        textFree = nullptr;
        textFreeUnits = 0;
        blobs.clear();
        rawTexts.clear();
        ids.clear();
        gone.clear();
        hashes.clear();
        idsAscending = true;
        order.clear();
    }

    // Reads one column of the statement's current row into a cell.
    void read(Cell& cell, const Statement& st, int column)
    {
        cell.size = 0;
        if (!rawTexts.empty())
            rawTexts.erase(&cell);
        switch (st.kind(column)) {
        case Statement::Kind::Null:
            cell.type = Cell::Null;
            cell.integer = 0;
            break;
        case Statement::Kind::Integer:
            cell.type = Cell::Integer;
            cell.integer = st.integer(column);
            break;
        case Statement::Kind::Real:
            cell.type = Cell::Real;
            cell.real = st.real(column);
            break;
        case Statement::Kind::Blob:
            cell.type = Cell::Blob;
            cell.blob = blobs.size();
            blobs.push_back(st.blob(column));
            break;
        case Statement::Kind::Text: {
            const QByteArrayView view = st.text(column);
            const char* bytes = view.data();
            const int length = int(view.size());
            // Well-formed UTF-8 never takes fewer code units than UTF-16.
            char16_t* begin = textSpace(size_t(length));
            const char16_t* end = decodeWellFormedUtf8(bytes, size_t(length), begin);
            if (!end) {  // not well-formed: replacement characters where it breaks
                begin = textSpace(size_t(utf8.requiredSpace(length)));
                end = reinterpret_cast<const char16_t*>(
                    utf8.appendToBuffer(reinterpret_cast<QChar*>(begin), QByteArrayView(bytes, length)));
                rawTexts[&cell] = QByteArray(bytes, length);
            }
            const size_t units = size_t(end - begin);
            cell.type = Cell::Text;
            cell.text = units ? begin : u"";  // never null: that marks a null in a sort
            cell.size = quint32(units);
            textFree += units;
            textFreeUnits -= units;
            break;
        }
        }
    }

    // Puts a value written to the table into a cell: a null or a text. The
    // old text stays in its block unused until the result is closed.
    void write(Cell& cell, const QVariant& value)
    {
        cell.size = 0;
        if (!rawTexts.empty())
            rawTexts.erase(&cell);
        if (value.isNull()) {
            cell.type = Cell::Null;
            cell.integer = 0;
            return;
        }
        const QString text = value.toString();
        const size_t units = size_t(text.size());
        char16_t* begin = textSpace(units);
        std::copy_n(reinterpret_cast<const char16_t*>(text.utf16()), units, begin);
        cell.type = Cell::Text;
        cell.text = units ? begin : u"";
        cell.size = quint32(units);
        textFree += units;
        textFreeUnits -= units;
    }

    // A digest of a physical row's values, type by type, a text by its
    // stored bytes where they are not well-formed: two copies of a row with
    // the same digest hold the same values.
    quint64 rowHash(size_t physical) const
    {
        quint64 h = 0x9E3779B97F4A7C15ull ^ width;
        for (size_t c = 0; c < width; ++c) {
            const Cell& cell = at(physical, c);
            size_t v = 0;
            switch (cell.type) {
            case Cell::Null:
                break;
            case Cell::Integer:
                v = qHash(cell.integer);
                break;
            case Cell::Real:
                v = qHash(std::bit_cast<quint64>(cell.real));
                break;
            case Cell::Blob:
                v = qHash(blobs[cell.blob], 7);
                break;
            case Cell::Text:
                if (const QByteArray* raw = rawBytesOf(cell))
                    v = qHash(*raw, 11);
                else
                    v = qHash(textOf(cell), 13);
                break;
            }
            h = (h ^ (quint64(v) + quint64(cell.type) * 0x100000001B3ull)) * 0xFF51AFD7ED558CCDull;
            h ^= h >> 29;
        }
        return h;
    }
    void rehash(size_t physical) { hashes[physical] = rowHash(physical); }

    // Copies a value of another store (or of this one) into a cell.
    void copy(Cell& to, const Store& from, const Cell& cell)
    {
        if (!rawTexts.empty())
            rawTexts.erase(&to);
        to.size = 0;
        to.type = cell.type;
        switch (cell.type) {
        case Cell::Null:
        case Cell::Integer:
            to.integer = cell.integer;
            break;
        case Cell::Real:
            to.real = cell.real;
            break;
        case Cell::Blob:
            to.blob = blobs.size();
            blobs.push_back(from.blobs[cell.blob]);
            break;
        case Cell::Text: {
            const size_t units = cell.size;
            char16_t* begin = textSpace(units);
            std::copy_n(cell.text, units, begin);
            to.text = units ? begin : u"";
            to.size = quint32(units);
            textFree += units;
            textFreeUnits -= units;
            if (const QByteArray* raw = from.rawBytesOf(cell))
                rawTexts[&to] = *raw;
            break;
        }
        }
    }

    static QStringView textOf(const Cell& cell)
    {
        return cell.type == Cell::Text ? QStringView(cell.text, qsizetype(cell.size)) : QStringView();
    }

    // The stored bytes of a text that is not well-formed UTF-8; null for
    // every other cell.
    const QByteArray* rawBytesOf(const Cell& cell) const
    {
        if (rawTexts.empty())
            return nullptr;
        const auto raw = rawTexts.find(&cell);
        return raw == rawTexts.end() ? nullptr : &raw->second;
    }

    // The value as a where clause matches it: a text that is not well-formed
    // by its stored bytes.
    QVariant matchValueOf(const Cell& cell) const
    {
        if (const QByteArray* raw = rawBytesOf(cell))
            return QVariant::fromValue(RawText{*raw});
        return valueOf(cell);
    }

    QVariant valueOf(const Cell& cell) const
    {
        switch (cell.type) {
        case Cell::Null:
            return QVariant();
        case Cell::Integer:
            return QVariant(qlonglong(cell.integer));
        case Cell::Real:
            return QVariant(cell.real);
        case Cell::Blob:
            return QVariant(blobs[cell.blob]);
        case Cell::Text:
            break;
        }
        return QVariant(textOf(cell).toString());
    }
};

// What a fetch holds, for readFresh() on another thread: a copy, since the
// fetch itself may change meanwhile (takeFresh() then refuses the answer).
struct Dataset::Known {
    struct Row {
        qint64 id;
        quint64 hash;
        int physical;
    };
    quint64 version = 0;
    QString table;
    QStringList fields;
    std::vector<Row> rows;         // the rows still in the table, by identity
    std::vector<qint64> shownIds;  // the view's rows

    const Row* find(qint64 id) const
    {
        auto it = std::lower_bound(rows.begin(), rows.end(), id, [](const Row& r, qint64 v) { return r.id < v; });
        return it != rows.end() && it->id == id ? &*it : nullptr;
    }
};

// The statement's result as the file holds it, against a Known: which known
// rows it shows as they are, and the values of the rest.
struct Dataset::Fresh {
    quint64 version = 0;
    QStringList fields;
    // Per row of the result: a known physical row, or -1 - k for fresh row k.
    std::vector<int> rows;
    std::unique_ptr<Store> store;  // the fresh rows' values and identities
    std::vector<int> replaces;     // per fresh row: the known physical row it updates, or -1
    std::vector<int> gone;         // known physical rows no longer in the table
};

}  // namespace kx
