#include "widgets/TwoLevelHeader.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <cmath>

namespace kx {

namespace {

constexpr int textMargin = 3;
constexpr int markerHalfWidth = 4;  // a sort marker is 9 pixels wide, 5 high
const QColor fixedCellColour(0xEE, 0xEE, 0xEE);

}  // namespace

TwoLevelHeader::TwoLevelHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent)
{
    setSectionsClickable(true);
    setHighlightSections(false);
    setSortIndicatorShown(false);
    setDefaultAlignment(Qt::AlignCenter);
}

SortMarker TwoLevelHeader::sortMarker(int logicalIndex) const
{
    return logicalIndex >= 0 && logicalIndex < m_markers.size() ? m_markers.at(logicalIndex) : SortMarker::None;
}

QList<SortMarker> TwoLevelHeader::sortMarkers() const
{
    QList<SortMarker> markers(count(), SortMarker::None);
    for (int i = 0; i < count(); ++i)
        markers[i] = sortMarker(i);
    return markers;
}

void TwoLevelHeader::setSortMarker(int logicalIndex, SortMarker marker)
{
    if (logicalIndex < 0)
        return;
    if (logicalIndex >= m_markers.size())
        m_markers.resize(logicalIndex + 1, SortMarker::None);
    if (m_markers.at(logicalIndex) == marker)
        return;
    m_markers[logicalIndex] = marker;
    viewport()->update();
}

void TwoLevelHeader::setSortMarkers(const QList<SortMarker>& markers)
{
    m_markers = markers;
    viewport()->update();
}

QString TwoLevelHeader::titleOf(int logicalIndex) const
{
    return model() ? model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString() : QString();
}

QString TwoLevelHeader::upperText(int logicalIndex) const
{
    const QString title = titleOf(logicalIndex);
    const qsizetype bar = title.indexOf(QLatin1Char('|'));
    return bar < 0 ? QString() : title.left(bar);
}

QString TwoLevelHeader::lowerText(int logicalIndex) const
{
    const QString title = titleOf(logicalIndex);
    const qsizetype bar = title.indexOf(QLatin1Char('|'));
    return bar < 0 ? title : title.mid(bar + 1);
}

int TwoLevelHeader::levelHeight() const
{
    return fontMetrics().height() + 6;
}

QSize TwoLevelHeader::sizeHint() const
{
    QSize size = QHeaderView::sizeHint();
    size.setHeight(2 * levelHeight());
    return size;
}

QList<int> TwoLevelHeader::upperCellSections(int logicalIndex) const
{
    const QString upper = upperText(logicalIndex);
    if (upper.isEmpty() || isSectionHidden(logicalIndex))
        return {};
    const int visual = visualIndex(logicalIndex);
    int first = visual, last = visual;
    // Hidden columns do not break a group: the columns left and right of
    // them are neighbours on the screen.
    for (int v = visual - 1; v >= 0; --v) {
        const int l = this->logicalIndex(v);
        if (isSectionHidden(l))
            continue;
        if (upperText(l) != upper)
            break;
        first = v;
    }
    for (int v = visual + 1; v < count(); ++v) {
        const int l = this->logicalIndex(v);
        if (isSectionHidden(l))
            continue;
        if (upperText(l) != upper)
            break;
        last = v;
    }
    QList<int> sections;
    for (int v = first; v <= last; ++v)
        if (!isSectionHidden(this->logicalIndex(v)))
            sections << this->logicalIndex(v);
    return sections;
}

QRect TwoLevelHeader::upperCellRect(int logicalIndex) const
{
    const QList<int> sections = upperCellSections(logicalIndex);
    if (sections.isEmpty())
        return {};
    const int left = sectionViewportPosition(sections.first());
    const int right = sectionViewportPosition(sections.last()) + sectionSize(sections.last());
    return QRect(left, 0, right - left, levelHeight());
}

void TwoLevelHeader::drawCell(QPainter* painter, const QRect& cell, const QColor& background, bool sunken) const
{
    // A flat button: a light edge top and left, a dark one bottom and right
    // (the other way round while pressed).
    painter->fillRect(cell, background);
    const QColor light = background.lightness() > 200 ? QColor(Qt::white) : background.lighter(160);
    const QColor dark = background.darker(170);
    const QRect& r = cell;
    painter->setPen(sunken ? dark : light);
    painter->drawLine(r.topLeft(), r.topRight());
    painter->drawLine(r.topLeft(), r.bottomLeft());
    painter->setPen(sunken ? light : dark);
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->drawLine(r.topRight(), r.bottomRight());
}

void TwoLevelHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    if (!rect.isValid() || !model())
        return;
    const QVariant bg = model()->headerData(logicalIndex, orientation(), Qt::BackgroundRole);
    const QVariant fg = model()->headerData(logicalIndex, orientation(), Qt::ForegroundRole);
    const QColor background = bg.canConvert<QBrush>() ? bg.value<QBrush>().color() : fixedCellColour;
    const QColor foreground = fg.canConvert<QBrush>() ? fg.value<QBrush>().color() : QColor(Qt::black);
    const QFontMetrics fm(painter->font());
    const QString upper = upperText(logicalIndex);
    const int upperHeight = upper.isEmpty() ? 0 : std::min(levelHeight(), rect.height() / 2);

    // The lower title belongs to this column alone.
    const QRect lower(rect.x(), rect.y() + upperHeight, rect.width(), rect.height() - upperHeight);
    drawCell(painter, lower, background, m_pressed == logicalIndex);
    const SortMarker marker = sortMarker(logicalIndex);
    const QString title = lowerText(logicalIndex);
    QRect textRect = lower.adjusted(textMargin, 0, -textMargin, 0);
    // The marker sits at the cell's right edge and takes no room from the
    // title, which is cut only where it would be without a marker. The
    // centred title moves left, as far as its cell allows, to clear it; only
    // in a column too narrow for both does the marker cover the title's end.
    const int cx = lower.right() - 2 - markerHalfWidth;
    if (marker != SortMarker::None) {
        const int textWidth = std::min(int(std::ceil(QFontMetricsF(painter->font()).horizontalAdvance(title))),
                                       textRect.width());
        const int textRight = textRect.left() + (textRect.width() + textWidth + 1) / 2;
        const int overlap = textRight + 2 - (cx - markerHalfWidth);
        textRect.translate(-std::clamp(overlap, 0, (textRect.width() - textWidth) / 2), 0);
    }
    painter->setPen(foreground);
    painter->drawText(textRect, Qt::AlignCenter, fm.elidedText(title, Qt::ElideRight, std::max(0, textRect.width())));
    if (marker != SortMarker::None) {
        const int cy = lower.center().y();
        const int hw = markerHalfWidth;
        QPolygon arrow;
        if (marker == SortMarker::Down)
            arrow << QPoint(cx - hw, cy - 2) << QPoint(cx + hw, cy - 2) << QPoint(cx, cy + 2);
        else
            arrow << QPoint(cx - hw, cy + 2) << QPoint(cx + hw, cy + 2) << QPoint(cx, cy - 2);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setBrush(foreground);
        painter->drawPolygon(arrow);
        painter->restore();
    }

    if (upperHeight == 0)
        return;
    // The upper cell spans the group; each section paints its own slice of
    // it, so a partial repaint still lines up.
    QRect group = upperCellRect(logicalIndex);
    group.moveTop(rect.y());
    group.setHeight(upperHeight);
    painter->save();
    painter->setClipRect(QRect(rect.x(), rect.y(), rect.width(), upperHeight));
    drawCell(painter, group, background, false);
    painter->setPen(foreground);
    const QRect upperText = group.adjusted(textMargin, 0, -textMargin, 0);
    painter->drawText(upperText, Qt::AlignCenter,
                      fm.elidedText(upper, Qt::ElideRight, std::max(0, upperText.width())));
    painter->restore();
}

QString TwoLevelHeader::fullTextAt(const QPoint& pos) const
{
    const int logical = logicalIndexAt(pos);
    if (logical < 0)
        return QString();
    const QFontMetrics fm(font());
    const QString upper = upperText(logical);
    if (!upper.isEmpty() && pos.y() < levelHeight()) {
        const int room = upperCellRect(logical).width() - 2 * textMargin;
        return fm.horizontalAdvance(upper) > room ? upper : QString();
    }
    const QString lower = lowerText(logical);
    const int room = sectionSize(logical) - 2 * textMargin;
    return fm.horizontalAdvance(lower) > room ? lower : QString();
}

bool TwoLevelHeader::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString full = fullTextAt(help->pos());
        const QString tip = full.isEmpty() ? toolTip() : full;
        if (!tip.isEmpty()) {
            QToolTip::showText(help->globalPos(), tip, this, QRect(), viewport()->toolTipDuration());
            return true;
        }
    }
    return QHeaderView::viewportEvent(event);
}

void TwoLevelHeader::mousePressEvent(QMouseEvent* event)
{
    m_pressed = -1;
    if (event->button() == Qt::LeftButton) {
        // A press near a border starts a resize, not a click.
        const int x = event->position().toPoint().x();
        const int logical = logicalIndexAt(x);
        const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
        if (logical >= 0) {
            const int start = sectionViewportPosition(logical);
            const int end = start + sectionSize(logical);
            const bool onBorder = (x < start + grip && visualIndex(logical) > 0) || x >= end - grip;
            if (!onBorder)
                m_pressed = logical;
        }
    }
    QHeaderView::mousePressEvent(event);
    viewport()->update();
}

void TwoLevelHeader::mouseReleaseEvent(QMouseEvent* event)
{
    m_clickModifiers = event->modifiers();
    m_pressed = -1;
    viewport()->update();
    QHeaderView::mouseReleaseEvent(event);
}

}  // namespace kx
