#include "orders/OrderGrid.h"

#include "data/Dataset.h"
#include "orders/CellFormat.h"
#include "orders/OrderGridDelegate.h"
#include "orders/OrderGridModel.h"
#include "orders/OrderRegister.h"
#include "orders/OrderTableView.h"
#include "orders/SortCycle.h"
#include "widgets/ColumnFit.h"
#include "widgets/FontSubstitutions.h"
#include "widgets/FooterRow.h"
#include "widgets/RowIndicator.h"
#include "widgets/TwoLevelHeader.h"

#include <QContextMenuEvent>
#include <QScrollBar>
#include <QHash>
#include <QSet>
#include <QVBoxLayout>

namespace kx {

const QString OrderGrid::hint = QStringLiteral("点列标题进行排序，双击进行修改");

OrderGrid::OrderGrid(OrderRegister& orders, QWidget* parent)
    : QFrame(parent),
      m_orders(&orders),
      m_dataset(&orders.result()),
      m_model(new OrderGridModel(orders.result(), this)),
      m_view(new OrderTableView(this)),
      m_header(new TwoLevelHeader(m_view)),
      m_indicator(new RowIndicator(m_view)),
      m_footer(nullptr)
{
    setObjectName(QStringLiteral("DBGridEh1"));
    // The model is what binds the grid to the result dataset.
    m_model->setObjectName(QStringLiteral("DataSource15"));
    // Cells, titles and footer are mostly figures: mobiles, amounts, order numbers.
    setFont(songFigureFont(14));
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setToolTip(hint);
    setStatusTip(hint);

    m_view->setObjectName(QStringLiteral("DBGridEh1View"));
    m_view->setFrameStyle(QFrame::NoFrame);
    m_view->setHorizontalHeader(m_header);
    m_view->setVerticalHeader(m_indicator);
    m_view->setModel(m_model);
    m_view->setItemDelegate(new OrderGridDelegate(m_view));
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setWordWrap(false);
    m_view->setTextElideMode(Qt::ElideRight);
    m_view->setShowGrid(true);
    m_view->setCornerButtonEnabled(false);
    m_view->setSortingEnabled(false);
    m_view->setTabKeyNavigation(false);
    m_view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_view->setToolTip(hint);
    m_view->viewport()->setToolTip(hint);
    m_header->setToolTip(hint);
    m_indicator->setToolTip(hint);
    // The selection stays visible while another panel has the focus: a
    // deletion works on it.
    QPalette pal = m_view->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    m_view->setPalette(pal);

    // Every row has the same height, so only the visible rows cost anything.
    const int rowHeight = std::max(18, QFontMetrics(font()).height() + 3);
    m_indicator->setRowHeight(rowHeight);

    m_header->setSectionResizeMode(QHeaderView::Interactive);
    m_header->setStretchLastSection(false);
    m_header->setMinimumSectionSize(8);
    m_header->setDefaultSectionSize(64);
    for (const OrderGridColumn& c : OrderGridModel::columns())
        m_weights << c.width;
    for (int c = 0; c < OrderGridModel::ColumnCount; ++c)
        m_header->resizeSection(c, m_weights.at(c));

    m_footer = new FooterRow(m_view, this);
    m_footer->setObjectName(QStringLiteral("DBGridEh1Footer"));
    m_footer->setToolTip(hint);
    m_footer->setText(NameColumn, QStringLiteral("总计"));
    m_footer->setAlignment(NameColumn, Qt::AlignHCenter);
    m_footer->setAlignment(CountColumn, Qt::AlignLeft);
    m_footer->setText(CourierColumn, QString());
    m_footer->setAlignment(CourierColumn, Qt::AlignHCenter);
    m_footer->setAlignment(QuantityColumn, Qt::AlignHCenter);
    m_footer->setAlignment(AmountColumn, Qt::AlignRight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_footer);

    for (QWidget* w : {static_cast<QWidget*>(m_view), m_view->viewport(), m_header->viewport(),
                       m_indicator->viewport(), static_cast<QWidget*>(m_footer)})
        w->installEventFilter(this);

    connect(m_header, &QHeaderView::sectionClicked, this, [this](int column) {
        emit titleClicked(column);
        sortByTitle(column, m_header->clickModifiers() & Qt::ControlModifier);
    });
    connect(m_header, &QHeaderView::sectionResized, this, [this](int, int, int) {
        if (!m_fitting)
            rememberUserWidths();
    });
    connect(m_indicator, &RowIndicator::rowPressed, this, [this](int row, Qt::KeyboardModifiers modifiers) {
        // A press on the indicator is a click on its row.
        m_view->applyClick(row, modifiers);
        m_view->setFocus(Qt::MouseFocusReason);
        if (m_dataset)
            m_dataset->setCurrentRow(row);
    });
    connect(m_view, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            emit rowDoubleClicked();
    });
    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { followViewRow(current); });

    connect(m_dataset, &Dataset::aboutToReset, this,
            [this] { m_scrollBefore = m_view->verticalScrollBar()->value(); });
    connect(m_dataset, &Dataset::resetDone, this, [this] { followDatasetRow(m_dataset->currentRow()); });
    // The file's answer after a quick search: the current order stays where
    // the user sees it, rows it gained or lost above it notwithstanding.
    connect(m_dataset, &Dataset::refreshed, this, [this](int rowBefore) {
        const int row = m_dataset->currentRow();
        const int step = m_view->verticalScrollMode() == QAbstractItemView::ScrollPerItem
                             ? 1
                             : m_view->verticalHeader()->defaultSectionSize();
        m_view->doItemsLayout();  // the scroll range of the new rows
        const int shift = row >= 0 && rowBefore >= 0 ? (row - rowBefore) * step : 0;
        m_view->verticalScrollBar()->setValue(m_scrollBefore + shift);
    });
    connect(m_dataset, &Dataset::reordered, this, [this] { followDatasetRow(m_dataset->currentRow()); });
    connect(m_dataset, &Dataset::currentRowChanged, this, [this](int row) { followDatasetRow(row); });
    connect(&orders, &OrderRegister::totalsChanged, this, &OrderGrid::showSums);
    connect(&orders, &OrderRegister::rowCountTextChanged, this,
            [this](const QString& text) { m_footer->setText(CountColumn, text); });
    orders.setSelectionSource(this);

    m_footer->setText(CountColumn, orders.rowCountText());
    showSums();
    followDatasetRow(m_dataset->currentRow());
}

OrderGrid::~OrderGrid()
{
    if (m_orders)
        m_orders->setSelectionSource(nullptr);
}

QTableView* OrderGrid::view() const
{
    return m_view;
}

QString OrderGrid::rowCountText() const
{
    return m_footer->text(CountColumn);
}

void OrderGrid::setColumnVisible(int column, bool visible)
{
    if (column < 0 || column >= GridColumnCount || isColumnVisible(column) == visible)
        return;
    m_fitting = true;
    m_view->setColumnHidden(column, !visible);
    m_fitting = false;
    fitColumns();
}

bool OrderGrid::isColumnVisible(int column) const
{
    return column >= 0 && column < GridColumnCount && !m_view->isColumnHidden(column);
}

QList<int> OrderGrid::selectedRows() const
{
    return m_view->selectedRows();
}

void OrderGrid::sortByTitle(int column, bool ctrl)
{
    const SortStep step = titleClickStep(m_header->sortMarkers(), column, ctrl);
    const int field = m_model->fieldOf(column);
    if (m_dataset && m_dataset->isOpen() && field >= 0) {
        // The selected orders stay selected wherever the sort puts them.
        QList<qint64> selectedIds;
        for (int row : m_view->selectedRows())
            selectedIds << m_dataset->rowId(row);
        m_dataset->sortBy(field, step.order);
        if (!selectedIds.isEmpty()) {
            const QSet<qint64> wanted(selectedIds.begin(), selectedIds.end());
            QHash<qint64, int> rowOf;
            for (int row = 0; row < m_dataset->rowCount() && rowOf.size() < wanted.size(); ++row)
                if (wanted.contains(m_dataset->rowId(row)))
                    rowOf.insert(m_dataset->rowId(row), row);
            QList<int> rows;
            for (qint64 id : selectedIds)
                rows << rowOf.value(id, -1);
            m_view->setSelectedRows(rows);
        }
    }
    m_header->setSortMarkers(step.markers);
}

void OrderGrid::fitColumns()
{
    const int total = m_view->viewport()->width();
    if (total <= 0)
        return;
    QList<bool> visible;
    for (int c = 0; c < OrderGridModel::ColumnCount; ++c)
        visible << isColumnVisible(c);
    const QList<int> widths = fitColumnWidths(m_weights, visible, total);
    m_fitting = true;
    for (int c = 0; c < OrderGridModel::ColumnCount; ++c)
        if (visible.at(c) && m_header->sectionSize(c) != widths.at(c))
            m_header->resizeSection(c, widths.at(c));
    m_fitting = false;
}

// A column the user dragged wider or narrower keeps its new share when the
// grid is fitted again; the columns keep their widths until then.
void OrderGrid::rememberUserWidths()
{
    for (int c = 0; c < OrderGridModel::ColumnCount; ++c)
        if (isColumnVisible(c) && m_header->sectionSize(c) > 0)
            m_weights[c] = m_header->sectionSize(c);
}

void OrderGrid::showSums()
{
    // Blank until the first result; from then on the sums of whatever the
    // grid shows, 0 for the empty grid a failed search leaves behind.
    m_showsSums = m_showsSums || (m_orders && m_dataset && m_orders->hasTotals());
    const bool shown = m_showsSums && m_orders;
    m_footer->setText(QuantityColumn, shown ? m_orders->quantityTotal().text() : QString());
    m_footer->setText(AmountColumn, shown ? m_orders->amountTotal().text() : QString());
}

void OrderGrid::followDatasetRow(int row)
{
    const bool valid = row >= 0 && row < m_model->rowCount();
    m_indicator->setCurrentRow(valid ? row : -1);
    if (!valid)
        return;
    const QModelIndex current = m_view->currentIndex();
    int column = current.isValid() ? current.column() : -1;
    if (column < 0 || !isColumnVisible(column)) {
        column = 0;
        while (column < OrderGridModel::ColumnCount - 1 && !isColumnVisible(column))
            ++column;
    }
    const QModelIndex target = m_model->index(row, column);
    if (current.row() != row)
        m_view->selectionModel()->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
    m_view->scrollTo(target);
}

void OrderGrid::followViewRow(const QModelIndex& current)
{
    // The whole current row is highlighted, so both rows need repainting.
    m_view->viewport()->update();
    if (!current.isValid() || !m_dataset)
        return;
    m_indicator->setCurrentRow(current.row());
    if (current.row() != m_dataset->currentRow())
        m_dataset->setCurrentRow(current.row());
}

bool OrderGrid::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Resize:
        if (watched == m_view->viewport())
            fitColumns();
        break;
    case QEvent::ContextMenu:
        emit contextMenuRequested(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    default:
        break;
    }
    return QFrame::eventFilter(watched, event);
}

}  // namespace kx
