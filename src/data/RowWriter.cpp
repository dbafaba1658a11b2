#include "data/RowWriter.h"

#include "core/DbError.h"
#include "data/Connection.h"
#include "data/DatasetStore.h"
#include "data/SqlText.h"
#include "data/Statement.h"

#include <algorithm>
#include <sqlite3.h>

namespace kx {

Dataset::RowWriter::RowWriter(Dataset& dataset) : d(dataset), db(dataset.m_connection.handle()) {}

Dataset::RowWriter::~RowWriter()
{
    sqlite3_finalize(st);
}

bool Dataset::RowWriter::write(int row, const FieldValues& values)
{
    if (!db) {
        // On a server the values travel as text whatever the binding, and
        // the connection keeps the statement prepared: the row's values as
        // a list cost little beside the trip to the server.
        QVariantList params;
        const QString sets = setList(values, params);
        const QString where = d.matchClause(row, params);
        return d.m_connection.exec(
                   QStringLiteral("update %1 set %2 where %3").arg(quoteIdentifier(d.m_table), sets, where),
                   params) > 0;
    }
    prepare(values);
    reserveText(row, values);
    int p = 1;
    for (const auto& entry : values)
        bindValue(p++, entry.second);
    sqlite3_bind_int64(st, p++, d.rowId(row));
    const size_t physical = size_t(d.m_store->order[size_t(row)]);
    for (int c = 0; c < d.fieldCount(); ++c)
        bindCell(p++, physical, c);
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE) {
        const QString message = Statement::engineMessage(db);
        sqlite3_reset(st);
        throw DbError(message);
    }
    const int changed = sqlite3_changes(db);
    sqlite3_reset(st);
    return changed > 0;
}

void Dataset::RowWriter::prepare(const FieldValues& values)
{
    const bool same = st && std::equal(values.begin(), values.end(), names.begin(), names.end(),
                                       [](const auto& v, const QString& n) { return v.first == n; });
    if (same)
        return;
    sqlite3_finalize(st);
    st = nullptr;
    names.clear();
    const QByteArray text = d.rowUpdateSql(values).toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &st, nullptr) != SQLITE_OK)
        throw DbError(Statement::engineMessage(db));
    for (const auto& entry : values)
        names << entry.first;
}

void Dataset::RowWriter::reserveText(int row, const FieldValues& values)
{
    size_t units = 0;
    for (const auto& entry : values)
        if (entry.second.typeId() == QMetaType::QString)
            units += size_t(entry.second.toString().size());
    for (int c = 0; c < d.fieldCount(); ++c)
        units += d.text(row, c).size();
    const size_t need = size_t(encoder.requiredSpace(qsizetype(units))) + 1;
    if (scratch.size() < need)
        scratch.resize(std::max(need, scratch.size() * 2));
    free = scratch.data();
}

void Dataset::RowWriter::bindText(int p, QStringView text)
{
    char* begin = free;  // never null, so an empty text stays a text
    free = encoder.appendToBuffer(begin, text);
    sqlite3_bind_text(st, p, begin, int(free - begin), SQLITE_STATIC);
}

void Dataset::RowWriter::bindValue(int p, const QVariant& v)
{
    if (v.isNull()) {
        sqlite3_bind_null(st, p);
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
        sqlite3_bind_int64(st, p, v.toLongLong());
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        sqlite3_bind_double(st, p, v.toDouble());
        return;
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        sqlite3_bind_blob(st, p, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        return;
    }
    case QMetaType::QString:
        bindText(p, v.toString());
        return;
    default: {
        const QByteArray s = v.toString().toUtf8();
        sqlite3_bind_text(st, p, s.constData(), int(s.size()), SQLITE_TRANSIENT);
        return;
    }
    }
}

void Dataset::RowWriter::bindCell(int p, size_t physical, int column)
{
    const Store& store = *d.m_store;
    const Store::Cell& cell = store.at(physical, size_t(column));
    switch (cell.type) {
    case Store::Cell::Null:
        sqlite3_bind_null(st, p);
        break;
    case Store::Cell::Integer:
        sqlite3_bind_int64(st, p, cell.integer);
        break;
    case Store::Cell::Real:
        sqlite3_bind_double(st, p, cell.real);
        break;
    case Store::Cell::Blob: {
        const QByteArray& b = store.blobs[cell.blob];
        sqlite3_bind_blob(st, p, b.constData(), int(b.size()), SQLITE_STATIC);
        break;
    }
    case Store::Cell::Text:
        if (const QByteArray* raw = store.rawBytesOf(cell))
            sqlite3_bind_text(st, p, raw->constData(), int(raw->size()), SQLITE_TRANSIENT);
        else
            bindText(p, Store::textOf(cell));
        break;
    }
}

}  // namespace kx
