#include "widgets/RowIndicator.h"

#include <QMouseEvent>
#include <QPainter>

namespace kx {

namespace {

constexpr int indicatorWidth = 12;
const QColor fixedCellColour(0xEE, 0xEE, 0xEE);

}  // namespace

RowIndicator::RowIndicator(QWidget* parent) : QHeaderView(Qt::Vertical, parent)
{
    setSectionResizeMode(QHeaderView::Fixed);
    setSectionsClickable(false);
    setHighlightSections(false);
    setMinimumSectionSize(1);
    setFixedWidth(indicatorWidth);
}

void RowIndicator::setCurrentRow(int row)
{
    if (row == m_current)
        return;
    m_current = row;
    viewport()->update();
}

void RowIndicator::setRowHeight(int height)
{
    setMinimumSectionSize(1);
    setDefaultSectionSize(height);
}

QSize RowIndicator::sizeHint() const
{
    return QSize(indicatorWidth, defaultSectionSize());
}

void RowIndicator::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    painter->fillRect(rect, fixedCellColour);
    painter->setPen(QColor(0xA0, 0xA0, 0xA0));
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    if (logicalIndex != m_current)
        return;
    const QPoint c = rect.center();
    const QPolygon arrow({QPoint(c.x() - 2, c.y() - 4), QPoint(c.x() + 2, c.y()), QPoint(c.x() - 2, c.y() + 4)});
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(Qt::black);
    painter->drawPolygon(arrow);
}

}  // namespace kx

namespace kx {

// A press here is a press on the row itself; the table's own row selection
// through its header is not used.
void RowIndicator::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const int row = logicalIndexAt(event->position().toPoint());
    if (row >= 0)
        emit rowPressed(row, event->modifiers());
}

void RowIndicator::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
}

}  // namespace kx
