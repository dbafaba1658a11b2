#include "orders/OrderGridDelegate.h"

#include <QAbstractItemView>
#include <QBrush>

namespace kx {

void OrderGridDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->state &= ~QStyle::State_HasFocus;
    if (const auto* view = qobject_cast<const QAbstractItemView*>(option->widget)) {
        const QModelIndex current = view->currentIndex();
        if (current.isValid() && current.row() == index.row())
            option->state |= QStyle::State_Selected;
    }
    const QVariant foreground = index.data(Qt::ForegroundRole);
    if (foreground.canConvert<QBrush>()) {
        const QColor colour = foreground.value<QBrush>().color();
        if (colour != QColor(Qt::black)) {
            option->palette.setColor(QPalette::Active, QPalette::HighlightedText, colour);
            option->palette.setColor(QPalette::Inactive, QPalette::HighlightedText, colour);
        }
    }
}

}  // namespace kx
