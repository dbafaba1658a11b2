#include "orders/OrderGridModel.h"

#include "data/Dataset.h"
#include "data/Schema.h"
#include "orders/CellFormat.h"
#include "orders/PrintStatus.h"

#include <QBrush>
#include <algorithm>

namespace kx {

const std::array<OrderGridColumn, OrderGridModel::ColumnCount>& OrderGridModel::columns()
{
    static const std::array<OrderGridColumn, ColumnCount> table = [] {
    using K = OrderGridColumn::Kind;
    namespace column = schema::orderColumn;
    const QColor teal(0x00, 0x80, 0x80), sky(0xA6, 0xCA, 0xF0);
    const QString receiver = QStringLiteral("收 货 信 息"), print = QStringLiteral("打 印"),
                  goods = QStringLiteral("商 品 信 息");
    const Qt::Alignment left = Qt::AlignLeft, centre = Qt::AlignHCenter, right = Qt::AlignRight;
    // Name, mobile, address, courier, quantity and amount have widths of
    // their own; they set the proportions. The others get widths of ours,
    // chosen for the grid's 14-pixel face with half-em digits: at the main
    // window's normal size, with all twelve columns and a scroll bar, the
    // columns are scaled up by a quarter, so the 40 of an amount gives room
    // for "1234.5" and the 85 of a mobile for 11 digits; every title, the
    // print status and a date fit too. Maximised at 1400 wide an order number
    // of 19 digits fits. What does not fit (an address, a date with its time,
    // a long member name) is cut and shows whole as its cell's tooltip.
    return std::array<OrderGridColumn, ColumnCount>{{
        {column::recipientName, receiver, QStringLiteral("姓 名"), 66, left, teal, Qt::white, K::Text},
        {column::recipientMobile, receiver, QStringLiteral("手 机"), 85, left, teal, Qt::white, K::Text},
        {column::recipientAddress, receiver, QStringLiteral("地 址"), 240, left, teal, Qt::white, K::Text},
        {column::courier, print, QStringLiteral(" 快 递"), 66, centre, teal, Qt::white, K::Text},
        {column::printStatus, print, QStringLiteral(" 状 态"), 40, centre, teal, Qt::white, K::Text},
        {column::payDate, goods, QStringLiteral("付款日期"), 62, centre, sky, Qt::black, K::Date},
        {column::itemName, goods, QStringLiteral("名 称"), 33, left, sky, Qt::black, K::Text},
        {column::quantity, goods, QStringLiteral("数量"), 40, right, sky, Qt::black, K::Quantity},
        {column::amount, goods, QStringLiteral("金额"), 40, right, sky, Qt::black, K::Amount},
        {column::memberName, goods, QStringLiteral("会员名"), 39, left, sky, Qt::black, K::Text},
        {column::orderNumber, goods, QStringLiteral("订单编号"), 85, left, sky, Qt::black, K::Text},
        {column::remark, goods, QStringLiteral("备 注"), 33, left, sky, Qt::black, K::Text},
    }};
    }();
    return table;
}

OrderGridModel::OrderGridModel(Dataset& dataset, QObject* parent) : QAbstractTableModel(parent), m_dataset(&dataset)
{
    mapFields();
    auto begin = [this] {
        if (!m_resetting) {
            m_resetting = true;
            beginResetModel();
        }
    };
    auto end = [this] {
        mapFields();
        if (m_resetting) {
            m_resetting = false;
            endResetModel();
        }
    };
    connect(m_dataset, &Dataset::aboutToReset, this, begin);
    connect(m_dataset, &Dataset::resetDone, this, end);
    connect(m_dataset, &Dataset::aboutToReorder, this, begin);
    connect(m_dataset, &Dataset::reordered, this, end);
    connect(m_dataset, &Dataset::aboutToRemoveRow, this, [this](int row) { beginRemoveRows({}, row, row); });
    connect(m_dataset, &Dataset::rowRemoved, this, [this](int row) {
        endRemoveRows();
        // Every row below moved up one place and so swapped its background.
        const int last = rowCount() - 1;
        if (row <= last)
            emit dataChanged(index(row, 0), index(last, ColumnCount - 1), {Qt::BackgroundRole});
    });
    connect(m_dataset, &QObject::destroyed, this, [this] {
        beginResetModel();
        mapFields();
        endResetModel();
    });
    connect(m_dataset, &Dataset::rowChanged, this, [this](int row) {
        if (row >= 0 && row < rowCount())
            emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
    });
    // A chunk of a grouped edit: one notice for the span of its rows.
    connect(m_dataset, &Dataset::rowsChanged, this, [this](const QList<int>& rows) {
        if (rows.isEmpty())
            return;
        const auto [low, high] = std::minmax_element(rows.begin(), rows.end());
        if (*low >= 0 && *high < rowCount())
            emit dataChanged(index(*low, 0), index(*high, ColumnCount - 1));
    });
}

void OrderGridModel::mapFields()
{
    for (int c = 0; c < ColumnCount; ++c)
        m_fieldOf[size_t(c)] = m_dataset ? m_dataset->fieldIndex(columns()[size_t(c)].field) : -1;
    m_status = m_dataset ? m_dataset->fieldIndex(schema::orderColumn::printStatus) : -1;
}

int OrderGridModel::fieldOf(int column) const
{
    return column >= 0 && column < ColumnCount ? m_fieldOf[size_t(column)] : -1;
}

bool OrderGridModel::isPrinted(int row) const
{
    if (m_status < 0 || row < 0 || row >= rowCount())
        return false;
    return m_dataset->text(row, m_status) == printedStatus;
}

QString OrderGridModel::displayText(int row, int column) const
{
    const int field = fieldOf(column);
    if (field < 0 || row < 0 || row >= rowCount())
        return QString();
    const QVariant v = m_dataset->cell(row, field);
    switch (columns()[size_t(column)].kind) {
    case OrderGridColumn::Kind::Date:
        return CellFormat::date(v);
    case OrderGridColumn::Kind::Quantity:
        return CellFormat::quantity(v);
    case OrderGridColumn::Kind::Amount:
        return CellFormat::amount(v);
    case OrderGridColumn::Kind::Text:
        break;
    }
    return CellFormat::text(v);
}

int OrderGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_dataset ? 0 : m_dataset->rowCount();
}

int OrderGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant OrderGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    static const QVariant red = QBrush(QColor(0xFF, 0x00, 0x00));
    static const QVariant black = QBrush(QColor(0x00, 0x00, 0x00));
    static const QVariant white = QBrush(QColor(0xFF, 0xFF, 0xFF));
    static const QVariant grey = QBrush(QColor(0xEE, 0xEE, 0xEE));
    const int row = index.row(), column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return displayText(row, column);
    case Qt::TextAlignmentRole:
        return int(columns()[size_t(column)].alignment | Qt::AlignVCenter);
    case Qt::ForegroundRole:
        return isPrinted(row) ? red : black;
    case Qt::BackgroundRole:
        return row % 2 == 0 ? white : grey;
    case ValueRole: {
        const int field = fieldOf(column);
        return field < 0 ? QVariant() : m_dataset->cell(row, field);
    }
    default:
        return {};
    }
}

QVariant OrderGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    const OrderGridColumn& c = columns()[size_t(section)];
    switch (role) {
    case Qt::DisplayRole:
        return c.title();
    case UpperTitleRole:
        return c.upper;
    case LowerTitleRole:
        return c.lower;
    case Qt::BackgroundRole:
        return QBrush(c.titleBackground);
    case Qt::ForegroundRole:
        return QBrush(c.titleText);
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    default:
        return {};
    }
}

Qt::ItemFlags OrderGridModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

}  // namespace kx
