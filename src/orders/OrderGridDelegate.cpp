#include "orders/OrderGridDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QBrush>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

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

QRect OrderGridDelegate::textRect(const QStyleOptionViewItem& option)
{
    return option.rect.adjusted(textMargin, 0, -textMargin, 0);
}

QString OrderGridDelegate::shownText(const QStyleOptionViewItem& option)
{
    return option.fontMetrics.elidedText(option.text, Qt::ElideRight, std::max(0, textRect(option).width()));
}

void OrderGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    // The style draws the background and the selection; the text is drawn
    // here, with the grid's own margin.
    const QString shown = shownText(opt);
    opt.text.clear();
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (opt.state & QStyle::State_Active) ? QPalette::Active
                                                                             : QPalette::Inactive;
    painter->save();
    painter->setFont(opt.font);
    painter->setPen(opt.palette.color(group, opt.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                                 : QPalette::Text));
    painter->drawText(textRect(opt), int(opt.displayAlignment) | Qt::TextSingleLine, shown);
    painter->restore();
}

bool OrderGridDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                  const QModelIndex& index)
{
    if (event && event->type() == QEvent::ToolTip && index.isValid()) {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        if (!opt.text.isEmpty() && shownText(opt) != opt.text) {
            QWidget* viewport = view->viewport();
            QToolTip::showText(event->globalPos(), opt.text, viewport, option.rect, viewport->toolTipDuration());
            return true;
        }
        return false;  // the view's own tooltip
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

}  // namespace kx
