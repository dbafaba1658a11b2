#pragma once

#include <QColor>
#include <QMap>
#include <QString>
#include <QWidget>

class QTableView;

namespace kx {

// One row of texts under a table view, cell for cell under the view's
// columns: it follows their widths, visibility, order and horizontal scroll.
// A text too long for its cell runs on into neighbouring cells that have no
// text, staying as close to its alignment as it can, and is cut with an
// ellipsis only when that is not enough. A text wider than its own cell has
// its full text as its tooltip, cut or not.
class FooterRow : public QWidget {
    Q_OBJECT
public:
    explicit FooterRow(QTableView* view, QWidget* parent = nullptr);

    void setText(int column, const QString& text);
    QString text(int column) const { return m_texts.value(column); }
    void setAlignment(int column, Qt::Alignment alignment);
    Qt::Alignment alignment(int column) const { return m_alignments.value(column, Qt::AlignLeft); }
    void setBackground(const QColor& colour);
    QColor background() const { return m_background; }

    // Where the cell of a column lies, and where its text may spread, in
    // this widget's coordinates; empty when the column is hidden.
    QRect cellRect(int column) const;
    QRect textRect(int column) const;
    // The text as it is drawn: whole, or cut with an ellipsis.
    QString shownText(int column) const;
    // The tooltip over a column's cell; empty when its text fits the cell.
    QString toolTipText(int column) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    int originX() const;
    // The room a text needs, margins included, in whole pixels: rounded up,
    // since a glyph run a fraction wider than its room is cut.
    int neededWidth(const QString& text) const;
    QRect freeSpan(int column) const;
    int columnAt(int x) const;

    QTableView* m_view;
    QMap<int, QString> m_texts;
    QMap<int, Qt::Alignment> m_alignments;
    QColor m_background = QColor(0xFF, 0xC2, 0x86);
};

}  // namespace kx
