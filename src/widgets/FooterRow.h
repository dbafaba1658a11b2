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
// ellipsis only when that is not enough; the full text is then its tooltip.
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

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    int originX() const;
    QRect freeSpan(int column) const;
    int columnAt(int x) const;

    QTableView* m_view;
    QMap<int, QString> m_texts;
    QMap<int, Qt::Alignment> m_alignments;
    QColor m_background = QColor(0xFF, 0xC2, 0x86);
};

}  // namespace kx
