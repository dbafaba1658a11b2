#include "widgets/FooterRow.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QToolTip>
#include <cmath>

namespace kx {

namespace {

constexpr int textMargin = 3;
const QColor fixedCellColour(0xEE, 0xEE, 0xEE);

}  // namespace

FooterRow::FooterRow(QTableView* view, QWidget* parent) : QWidget(parent), m_view(view)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    QHeaderView* header = view->horizontalHeader();
    auto repaint = [this] { update(); };
    connect(header, &QHeaderView::sectionResized, this, repaint);
    connect(header, &QHeaderView::sectionMoved, this, repaint);
    connect(header, &QHeaderView::sectionCountChanged, this, repaint);
    connect(header, &QHeaderView::geometriesChanged, this, repaint);
    connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, this, repaint);
    connect(view->verticalHeader(), &QHeaderView::geometriesChanged, this, repaint);
}

void FooterRow::setText(int column, const QString& text)
{
    if (m_texts.value(column) == text && m_texts.contains(column))
        return;
    m_texts.insert(column, text);
    update();
}

void FooterRow::setAlignment(int column, Qt::Alignment alignment)
{
    m_alignments.insert(column, alignment);
    update();
}

void FooterRow::setBackground(const QColor& colour)
{
    m_background = colour;
    update();
}

QSize FooterRow::sizeHint() const
{
    return QSize(200, fontMetrics().height() + 8);
}

// The x of the header viewport's left edge in this widget: the footer sits
// under the view, so the cells line up with the columns above them.
int FooterRow::originX() const
{
    const QWidget* headerViewport = m_view->horizontalHeader()->viewport();
    return headerViewport->mapTo(window(), QPoint(0, 0)).x() - mapTo(window(), QPoint(0, 0)).x();
}

QRect FooterRow::cellRect(int column) const
{
    const QHeaderView* header = m_view->horizontalHeader();
    if (column < 0 || column >= header->count() || header->isSectionHidden(column))
        return {};
    return QRect(originX() + header->sectionViewportPosition(column), 0, header->sectionSize(column), height());
}

// The free stretch around a column's cell: its own cell and the visible
// neighbours without text on either side.
QRect FooterRow::freeSpan(int column) const
{
    const QHeaderView* header = m_view->horizontalHeader();
    QRect span = cellRect(column);
    for (const int step : {1, -1}) {
        for (int v = header->visualIndex(column) + step; v >= 0 && v < header->count(); v += step) {
            const int l = header->logicalIndex(v);
            if (header->isSectionHidden(l))
                continue;
            if (!text(l).isEmpty())
                break;
            span = span.united(cellRect(l));
        }
    }
    return span;
}

int FooterRow::neededWidth(const QString& text) const
{
    return int(std::ceil(QFontMetricsF(font()).horizontalAdvance(text))) + 2 * textMargin;
}

QRect FooterRow::textRect(int column) const
{
    const QRect own = cellRect(column);
    if (own.isEmpty())
        return own;
    const int needed = neededWidth(text(column));
    if (needed <= own.width())
        return own;
    // Placed as its alignment wants it against its own cell, then shifted
    // only as far as it must to stay within the free stretch.
    const QRect span = freeSpan(column);
    if (needed >= span.width())
        return span;
    const Qt::Alignment a = alignment(column);
    int x = own.left();
    if (a & Qt::AlignRight)
        x = own.right() + 1 - needed;
    else if (a & Qt::AlignHCenter)
        x = own.center().x() - needed / 2;
    x = std::clamp(x, span.left(), span.right() + 1 - needed);
    return QRect(x, 0, needed, height());
}

QString FooterRow::shownText(int column) const
{
    const QRect r = textRect(column).adjusted(textMargin, 0, -textMargin, 0);
    return fontMetrics().elidedText(text(column), Qt::ElideRight, std::max(0, r.width()));
}

QString FooterRow::toolTipText(int column) const
{
    const QRect own = cellRect(column);
    const QString full = text(column);
    return !own.isEmpty() && !full.isEmpty() && neededWidth(full) > own.width() ? full : QString();
}

int FooterRow::columnAt(int x) const
{
    const QHeaderView* header = m_view->horizontalHeader();
    return header->logicalIndexAt(x - originX());
}

void FooterRow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QHeaderView* header = m_view->horizontalHeader();
    QStyleOptionViewItem option;
    option.initFrom(m_view);
    const QColor gridColour =
        QColor::fromRgba(QRgb(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, m_view)));

    p.fillRect(rect(), m_background);
    const int origin = originX();
    // Under the row indicator: a fixed cell.
    if (origin > 0) {
        p.fillRect(QRect(0, 0, origin, height()), fixedCellColour);
        p.setPen(gridColour);
        p.drawLine(origin - 1, 0, origin - 1, height());
    }
    p.setClipRect(QRect(origin, 0, std::max(0, width() - origin), height()));

    // Cells whose text spreads into empty neighbours are painted as one.
    QList<QRect> spans;
    QList<int> spanColumns;
    for (int v = 0; v < header->count(); ++v) {
        const int column = header->logicalIndex(v);
        if (header->isSectionHidden(column) || text(column).isEmpty())
            continue;
        spans << textRect(column);
        spanColumns << column;
    }
    p.setPen(gridColour);
    p.drawLine(origin, 0, width(), 0);
    for (int v = 0; v < header->count(); ++v) {
        const int column = header->logicalIndex(v);
        const QRect cell = cellRect(column);
        if (cell.isEmpty())
            continue;
        const int x = cell.right();
        const bool covered = std::any_of(spans.begin(), spans.end(), [&](const QRect& s) {
            return x > s.left() && x < s.right();
        });
        if (!covered)
            p.drawLine(x, 0, x, height());
    }
    p.drawLine(origin, height() - 1, width(), height() - 1);

    p.setPen(Qt::black);  // the background is fixed, so is the text colour
    for (qsizetype i = 0; i < spans.size(); ++i) {
        const int column = spanColumns.at(i);
        const QRect r = spans.at(i).adjusted(textMargin, 0, -textMargin, 0);
        // A spread text fills its rectangle; only a cell's own text needs its
        // alignment.
        const Qt::Alignment horizontal =
            spans.at(i) == cellRect(column) ? alignment(column) & Qt::AlignHorizontal_Mask : Qt::AlignLeft;
        p.drawText(r, int(horizontal | Qt::AlignVCenter), shownText(column));
    }
}

bool FooterRow::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        // The cell under the mouse, or a neighbour whose text runs over it.
        int column = columnAt(help->pos().x());
        if (text(column).isEmpty()) {
            for (auto it = m_texts.cbegin(); it != m_texts.cend(); ++it)
                if (!it.value().isEmpty() && textRect(it.key()).contains(help->pos()))
                    column = it.key();
        }
        const QString full = toolTipText(column);
        if (!full.isEmpty()) {
            QToolTip::showText(help->globalPos(), full, this, QRect(), toolTipDuration());
            return true;
        }
    }
    return QWidget::event(event);
}

}  // namespace kx
