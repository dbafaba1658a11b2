#include "import/OrderImport.h"

#include "core/OperationError.h"
#include "core/TextValue.h"
#include "data/Connection.h"
#include "data/Schema.h"
#include "data/SqlText.h"
#include "data/Statement.h"
#include "data/Transaction.h"
#include "import/ReportCellValue.h"
#include "import/RepeatedOrders.h"

#include <QStringList>
#include <QVariantList>

#include <algorithm>
#include <array>
#include <optional>

namespace kx {

namespace {

enum class FieldType { Text, Number, Date };

struct Field {
    const QString* column;
    const char16_t* header;
    FieldType type;
};

namespace column = schema::orderColumn;

// Each of our columns with the report's column it is read from, in the order
// of the statement's columns.
constexpr std::array<Field, 13> fields{{
    {&column::recipientName, u"收货人姓名", FieldType::Text},
    {&column::recipientMobile, u"联系手机", FieldType::Text},
    {&column::recipientAddress, u"收货地址", FieldType::Text},
    {&column::courier, u"运送方式", FieldType::Text},
    {&column::printStatus, u"订单状态", FieldType::Text},
    {&column::quantity, u"宝贝总数量", FieldType::Number},
    {&column::amount, u"买家实际支付金额", FieldType::Number},
    {&column::itemName, u"宝贝标题", FieldType::Text},
    {&column::memberName, u"买家会员名", FieldType::Text},
    {&column::orderNumber, u"订单编号", FieldType::Text},
    {&column::buyerMessage, u"买家留言", FieldType::Text},
    {&column::payDate, u"订单付款时间", FieldType::Date},
    {&column::remark, u"订单状态", FieldType::Text},
}};

// Where the order number stands among the fields. Not constexpr: comparing
// the addresses of two different variables is not a constant expression once
// the sanitizers instrument them.
const size_t orderNumberField = [] {
    size_t f = 0;
    while (fields[f].column != &column::orderNumber)
        ++f;
    return f;
}();

// The column of each field in the report, by its header.
std::array<int, fields.size()> findColumns(const SheetTable& report)
{
    if (report.rowCount() == 0)
        throw OperationError(QStringLiteral("订单报表是空的。"));
    const QStringList found = report.headers();
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
        throw OperationError(QStringLiteral("报表缺少“%1”列。").arg(missing.join(QStringLiteral("”、“"))));
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
    // "insert into data ([a], [b], …) values (?, ?, …)": every field's
    // column, quoted, and a mark for each.
    static const QString sql = [] {
        QStringList columns, marks;
        for (const Field& f : fields) {
            columns << quoteIdentifier(*f.column);
            marks << QStringLiteral("?");
        }
        return QStringLiteral("insert into data (%1) values (%2)")
            .arg(columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
    }();
    return sql;
}

QVariantList OrderImport::orderNumbers(const SheetTable& report, bool epoch1904)
{
    const auto columns = findColumns(report);
    const Field& number = fields[orderNumberField];
    QVariantList numbers;
    numbers.reserve(std::max(0, report.rowCount() - 1));
    for (int row = 1; row < report.rowCount(); ++row) {
        try {
            numbers << convert(report.cell(row, columns[orderNumberField]), number.type, epoch1904);
        } catch (const OperationError&) {
            numbers << QVariant();
        }
    }
    return numbers;
}

int OrderImport::run(Connection& connection, const SheetTable& report, bool epoch1904,
                     const std::function<void(int done)>& progress, RepeatedOrders* repeats)
{
    const auto columns = findColumns(report);
    Transaction tx(connection);
    // Inside the transaction: what another station added since the question
    // counts too.
    if (repeats)
        repeats->lookUp(connection);
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
                throw OperationError(QStringLiteral("第 %1 行“%2”列：%3")
                                  .arg(report.sheetRowNumber(row))
                                  .arg(QString::fromUtf16(fields[f].header), e.message()));
            }
        }
        if (!anyValue && rowIsEmpty(report, row))
            continue;
        if (repeats && repeats->leaveOut(values[qsizetype(orderNumberField)]))
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
