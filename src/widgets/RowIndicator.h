#pragma once

#include <QHeaderView>

namespace kx {

// The narrow column left of a grid's rows: fixed cells, with an arrow on the
// current row. Every row has the same height, so a result of any size costs
// nothing to lay out and only the visible rows are painted.
class RowIndicator : public QHeaderView {
    Q_OBJECT
public:
    explicit RowIndicator(QWidget* parent = nullptr);

    int currentRow() const { return m_current; }
    void setCurrentRow(int row);
    void setRowHeight(int height);

    QSize sizeHint() const override;

signals:
    // A left press on a row's cell, with the keyboard modifiers held.
    void rowPressed(int row, Qt::KeyboardModifiers modifiers);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    int m_current = -1;
};

}  // namespace kx
