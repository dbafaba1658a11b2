#include "import/OrderImport.h"

#include "core/OperationError.h"
#include "core/TextValue.h"
#include "data/Connection.h"
#include "data/Statement.h"
#include "data/Transaction.h"
#include "import/ReportCellValue.h"

#include <QVariantList>

#include <array>
#include <optional>

namespace kx {

namespace {

enum class FieldType { Text, Number, Date };

struct Field {
    const char16_t* header;
    FieldType type;
};

// In the order of the statement's columns.
constexpr std::array<Field, 13> fields{{
    {u"收货人姓名", FieldType::Text},        // [a] recipient name
    {u"联系手机", FieldType::Text},          // [b] recipient mobile
    {u"收货地址", FieldType::Text},          // [c] recipient address
    {u"运送方式", FieldType::Text},          // [d] courier
    {u"订单状态", FieldType::Text},          // [g] print status
    {u"宝贝总数量", FieldType::Number},      // [1] quantity
    {u"买家实际支付金额", FieldType::Number},  // [2] amount
    {u"宝贝标题", FieldType::Text},          // [h] item name
    {u"买家会员名", FieldType::Text},        // [i] buyer member name
    {u"订单编号", FieldType::Text},          // [j] order number
    {u"买家留言", FieldType::Text},          // [k] buyer's message
    {u"订单付款时间", FieldType::Date},      // [day1] payment date
    {u"订单状态", FieldType::Text},          // [z] remark
}};

// The column of each field in the report, by its header.
std::array<int, fields.size()> findColumns(const SheetTable& report)
{
    const QStringList found = report.rowCount() > 0 ? report.headers() : QStringList();
    std::array<int, fields.size()> columns{};
    QStringList missing;
    for (size_t f = 0; f < fields.size(); ++f) {
        const QString wanted = QString::fromUtf16(fields[f].header);
        columns[f] = -1;
        for (int c = 0; c < found.size() && columns[f] < 0; ++c)
            if (trimControl(found[c]) == wanted)
                columns[f] = c;
        if (columns[f] < 0 && !missing.contains(wanted))
            missing << wanted;
    }
    if (!missing.isEmpty())
        throw OperationError(QStringLiteral("The order report has no column '%1'.").arg(missing.join(QStringLiteral("', '"))));
    return columns;
}

bool rowIsEmpty(const SheetTable& report, int row)
{
    for (int c = 0; c < report.columnCount(); ++c)
        if (!report.cell(row, c).isEmpty())
            return false;
    return true;
}

QVariant convert(const SheetCell& cell, FieldType type, bool epoch1904)
{
    switch (type) {
    case FieldType::Number:
        return ReportCellValue::number(cell);
    case FieldType::Date:
        return ReportCellValue::dateTime(cell, epoch1904);
    case FieldType::Text:
        break;
    }
    return ReportCellValue::text(cell);
}

}  // namespace

const QString& OrderImport::insertStatement()
{
    static const QString sql = QStringLiteral(
        "insert into data ([a], [b], [c], [d], [g], [1], [2], [h], [i], [j], [k], [day1], [z]) "
        "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    return sql;
}

int OrderImport::run(Connection& connection, const SheetTable& report, bool epoch1904,
                     const std::function<void(int done)>& progress)
{
    const auto columns = findColumns(report);
    Transaction tx(connection);
    std::optional<Statement> insert;
    int added = 0;
    QVariantList values;
    values.reserve(qsizetype(fields.size()));
    for (int row = 1; row < report.rowCount(); ++row) {
        values.clear();
        bool anyValue = false;
        for (size_t f = 0; f < fields.size(); ++f) {
            const SheetCell& cell = report.cell(row, columns[f]);
            anyValue = anyValue || !cell.isEmpty();
            try {
                values << convert(cell, fields[f].type, epoch1904);
            } catch (const OperationError& e) {
                throw OperationError(QStringLiteral("Row %1 of the order report, column '%2': %3")
                                  .arg(row + 1)
                                  .arg(QString::fromUtf16(fields[f].header), e.message()));
            }
        }
        if (!anyValue && rowIsEmpty(report, row))
            continue;
        // Prepared once, bound anew for each order.
        if (insert)
            insert->rebind(values);
        else
            insert.emplace(connection, insertStatement(), values);
        insert->step();
        ++added;
        if (progress)
            progress(added);
    }
    insert.reset();
    tx.commit();
    return added;
}

}  // namespace kx
