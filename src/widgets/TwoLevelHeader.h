#pragma once

#include "widgets/SortMarker.h"

#include <QHeaderView>
#include <QList>

namespace kx {

// A horizontal header whose titles hold two levels, "upper|lower". The lower
// title belongs to its column; neighbouring visible columns with the same
// upper text share one upper cell. A title without "|" fills both levels.
// Each title takes its background and text colours from the model's
// BackgroundRole and ForegroundRole, ends in an ellipsis when it does not
// fit (the full text then shows as its tooltip), looks like a button and can
// show a sort marker.
class TwoLevelHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit TwoLevelHeader(QWidget* parent = nullptr);

    SortMarker sortMarker(int logicalIndex) const;
    QList<SortMarker> sortMarkers() const;
    void setSortMarker(int logicalIndex, SortMarker marker);
    void setSortMarkers(const QList<SortMarker>& markers);

    // The keyboard modifiers of the last click on a title, read by whoever
    // reacts to sectionClicked().
    Qt::KeyboardModifiers clickModifiers() const { return m_clickModifiers; }

    QString upperText(int logicalIndex) const;
    QString lowerText(int logicalIndex) const;
    // The upper cell the section belongs to (merged with its neighbours), in
    // viewport coordinates; empty when the title has a single level.
    QRect upperCellRect(int logicalIndex) const;
    // The visible sections that share that upper cell, left to right.
    QList<int> upperCellSections(int logicalIndex) const;
    int levelHeight() const;

    QSize sizeHint() const override;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    bool viewportEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString titleOf(int logicalIndex) const;
    void drawCell(QPainter* painter, const QRect& cell, const QColor& background, bool sunken) const;
    QString fullTextAt(const QPoint& pos) const;

    QList<SortMarker> m_markers;
    Qt::KeyboardModifiers m_clickModifiers;
    int m_pressed = -1;
};

}  // namespace kx
