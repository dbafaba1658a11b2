#pragma once

#include <QStyledItemDelegate>

namespace kx {

// Draws the order grid's cells: the whole current row in the selection
// colour like the selected rows, no focus frame on the current cell, and a
// coloured text (a printed order's red) kept in selected rows. The text has
// a margin of two pixels either side, so the narrow number columns keep
// every pixel they can; a text cut to fit its cell shows whole as the cell's
// tooltip, other cells leave the view's own tooltip.
class OrderGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static constexpr int textMargin = 2;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    // Where the text goes in a cell, and the text as it fits there.
    static QRect textRect(const QStyleOptionViewItem& option);
    static QString shownText(const QStyleOptionViewItem& option);
};

}  // namespace kx
