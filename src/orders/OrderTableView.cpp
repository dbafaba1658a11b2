#include "orders/OrderTableView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

namespace kx {

OrderTableView::OrderTableView(QWidget* parent) : QTableView(parent)
{
    // Qt's own selection handling is off; the rows selected here are shown
    // through the selection model.
    setSelectionMode(QAbstractItemView::NoSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
}

void OrderTableView::setSelectedRows(const QList<int>& rows)
{
    m_selected.clear();
    m_selectedSet.clear();
    const int count = model() ? model()->rowCount() : 0;
    for (int row : rows)
        if (row >= 0 && row < count && !m_selectedSet.contains(row)) {
            m_selected << row;
            m_selectedSet.insert(row);
        }
    showSelection();
}

void OrderTableView::clearRowSelection()
{
    m_anchor = -1;
    if (m_selected.isEmpty())
        return;
    m_selected.clear();
    m_selectedSet.clear();
    showSelection();
}

void OrderTableView::reset()
{
    m_selected.clear();
    m_selectedSet.clear();
    m_anchor = -1;
    QTableView::reset();
    emit rowSelectionChanged();
}

void OrderTableView::selectRow(int row, bool on)
{
    if (on == m_selectedSet.contains(row))
        return;
    if (on) {
        m_selected << row;
        m_selectedSet.insert(row);
    } else {
        m_selected.removeOne(row);
        m_selectedSet.remove(row);
    }
}

// Mirrors the selection into the selection model, in ranges of neighbouring
// rows, so the view paints it.
void OrderTableView::showSelection()
{
    if (selectionModel() && model()) {
        QList<int> rows = m_selected;
        std::sort(rows.begin(), rows.end());
        QItemSelection selection;
        const int lastColumn = model()->columnCount() - 1;
        for (qsizetype i = 0; i < rows.size();) {
            qsizetype j = i;
            while (j + 1 < rows.size() && rows.at(j + 1) == rows.at(j) + 1)
                ++j;
            selection.select(model()->index(rows.at(i), 0), model()->index(rows.at(j), lastColumn));
            i = j + 1;
        }
        selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    }
    viewport()->update();
    emit rowSelectionChanged();
}

void OrderTableView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();  // the context menu follows; the row stays where it is
        return;
    }
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid())
        applyClick(index.row(), event->modifiers());
    // Moves the current row to the clicked one.
    QTableView::mousePressEvent(event);
}

void OrderTableView::applyClick(int row, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = currentIndex();
    const int from = current.isValid() ? current.row() : row;
    if (modifiers & Qt::ControlModifier) {
        selectRow(row, !m_selectedSet.contains(row));
        m_anchor = -1;
    } else if (modifiers & Qt::ShiftModifier) {
        m_selected.clear();
        m_selectedSet.clear();
        const int step = row >= from ? 1 : -1;
        for (int r = from;; r += step) {
            selectRow(r, true);
            if (r == row)
                break;
        }
        m_anchor = from;
    } else {
        m_selected.clear();
        m_selectedSet.clear();
        selectRow(row, true);
        m_anchor = -1;
    }
    showSelection();
}

void OrderTableView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

void OrderTableView::extendTo(int from, int to)
{
    if (m_anchor < 0) {
        m_anchor = from;
        selectRow(from, true);
    }
    const int step = to > from ? 1 : -1;
    for (int r = from; r != to; r += step) {
        const int side = r > m_anchor ? 1 : (r < m_anchor ? -1 : 0);
        if (side == -step)
            selectRow(r, false);  // back towards the start: drop the row left
        else
            selectRow(r + step, true);
    }
}

void OrderTableView::keyPressEvent(QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    CursorAction action;
    switch (event->key()) {
    case Qt::Key_Up:
        action = MoveUp;
        break;
    case Qt::Key_Down:
        action = MoveDown;
        break;
    case Qt::Key_PageUp:
        action = MovePageUp;
        break;
    case Qt::Key_PageDown:
        action = MovePageDown;
        break;
    case Qt::Key_Home:
        if (!ctrl)
            return QTableView::keyPressEvent(event);
        action = MoveHome;
        break;
    case Qt::Key_End:
        if (!ctrl)
            return QTableView::keyPressEvent(event);
        action = MoveEnd;
        break;
    default:
        return QTableView::keyPressEvent(event);
    }
    event->accept();
    if (!model() || model()->rowCount() == 0)
        return;
    const QModelIndex current = currentIndex();
    const QModelIndex target = moveCursor(action, event->modifiers());
    if (!target.isValid())
        return;
    if (event->modifiers() & Qt::ShiftModifier) {
        extendTo(current.isValid() ? current.row() : target.row(), target.row());
        showSelection();
    } else {
        clearRowSelection();
    }
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
}

void OrderTableView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end)
{
    if (!parent.isValid() && !m_selected.isEmpty()) {
        const int removed = end - start + 1;
        QList<int> kept;
        for (int row : std::as_const(m_selected)) {
            if (row < start)
                kept << row;
            else if (row > end)
                kept << row - removed;
        }
        m_selected = kept;
        m_selectedSet = QSet<int>(kept.begin(), kept.end());
        if (m_anchor >= start)
            m_anchor = m_anchor > end ? m_anchor - removed : -1;
    }
    QTableView::rowsAboutToBeRemoved(parent, start, end);
    emit rowSelectionChanged();
}

}  // namespace kx
