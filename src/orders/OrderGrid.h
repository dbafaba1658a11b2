#pragma once

#include "data/Dataset.h"
#include "orders/GridColumn.h"
#include "orders/SelectionSource.h"

#include <QFrame>
#include <QList>
#include <QPointer>
#include <QString>

class QTableView;

namespace kx {
class FooterRow;
class OrderGridModel;
class OrderRegister;
class OrderTableView;
class RowIndicator;
class TwoLevelHeader;

// The order grid: the register's rows under two-level column titles, a
// narrow indicator column marking the current row and a footer with the row
// count and the totals of quantity and amount that the register keeps. A click on a
// title sorts the fetched rows by that column; the current row follows the
// dataset's cursor both ways; several rows can be selected.
class OrderGrid : public QFrame, public SelectionSource {
    Q_OBJECT
public:
    // The hint shown as tooltip and in the status bar.
    static const QString hint;
    // The footer column of the row count.
    static constexpr int CountColumn = MobileColumn;

    explicit OrderGrid(OrderRegister& orders, QWidget* parent = nullptr);
    ~OrderGrid() override;

    // "共" + n + "条记录", set by the show-all action; empty before it.
    QString rowCountText() const;

    void setColumnVisible(int column, bool visible);
    bool isColumnVisible(int column) const;

    // The dataset rows selected, in the order they were selected.
    QList<int> selectedRows() const override;

    QTableView* view() const;
    OrderGridModel* model() const { return m_model; }
    TwoLevelHeader* header() const { return m_header; }
    FooterRow* footer() const { return m_footer; }

    // What a click on a column title does after announcing it: sort the
    // fetched rows by that column and advance the markers (Ctrl keeps the
    // other columns' markers).
    void sortByTitle(int column, bool ctrl);

signals:
    // A left click on a column title, before the grid sorts.
    void titleClicked(int column);
    // A double-click on a data row.
    void rowDoubleClicked();
    // The right mouse button anywhere on the grid.
    void contextMenuRequested(const QPoint& globalPos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitColumns();
    void rememberUserWidths();
    void showSums();
    void followDatasetRow(int row);
    void followViewRow(const QModelIndex& current);

    QPointer<OrderRegister> m_orders;
    QPointer<Dataset> m_dataset;  // the data module may go first at exit
    OrderGridModel* m_model;
    OrderTableView* m_view;
    TwoLevelHeader* m_header;
    RowIndicator* m_indicator;
    FooterRow* m_footer;
    QList<int> m_weights;
    int m_scrollBefore = 0;  // the rows' scroll position before the result last changed
    bool m_fitting = false;
    bool m_showsSums = false;  // a result has been shown since the grid was made
};

}  // namespace kx
