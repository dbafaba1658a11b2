#pragma once

#include <QList>
#include <QSet>
#include <QTableView>

namespace kx {

// The order grid's table. It keeps its own multi-row selection, in the order
// the rows were selected, with these rules: a plain left click selects the
// clicked row alone, Ctrl+click adds or removes the clicked row, Shift+click
// selects from the current row to the clicked one; Shift with the arrow and
// page keys extends the selection from where it started (moving back towards
// it drops the rows left behind); moving without Shift empties it. The right
// button leaves the current row and the selection alone.
class OrderTableView : public QTableView {
    Q_OBJECT
public:
    explicit OrderTableView(QWidget* parent = nullptr);

    const QList<int>& selectedRows() const { return m_selected; }
    bool isRowSelected(int row) const { return m_selectedSet.contains(row); }
    // Replaces the selection (rows outside the model are dropped).
    void setSelectedRows(const QList<int>& rows);
    void clearRowSelection();
    // What a left click on a row does to the selection (the click itself
    // then makes the row current).
    void applyClick(int row, Qt::KeyboardModifiers modifiers);

    void reset() override;

signals:
    void rowSelectionChanged();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;

private:
    void selectRow(int row, bool on);
    void extendTo(int from, int to);
    void showSelection();

    QList<int> m_selected;
    QSet<int> m_selectedSet;
    int m_anchor = -1;  // where a Shift extension started; -1 when none runs
};

}  // namespace kx
