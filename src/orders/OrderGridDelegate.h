#pragma once

#include <QStyledItemDelegate>

namespace kx {

// Draws the order grid's cells: the whole current row in the selection
// colour like the selected rows, no focus frame on the current cell, and a
// coloured text (a printed order's red) kept in selected rows.
class OrderGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

}  // namespace kx
