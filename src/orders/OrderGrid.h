#pragma once

#include <QList>
#include <QWidget>

class QTableView;

namespace kx {

class Dataset;

// Placeholder of the order grid until the real one lands.
class OrderGrid : public QWidget {
    Q_OBJECT
public:
    explicit OrderGrid(Dataset& dataset, QWidget* parent = nullptr);
    void setRowCountText(const QString& text) { m_count = text; }
    QString rowCountText() const { return m_count; }
    void setColumnVisible(int index, bool visible) { m_hidden[index] = !visible; }
    bool isColumnVisible(int index) const { return !m_hidden[index]; }
    QList<int> selectedRows() const { return {}; }
    QTableView* view() const { return m_view; }

signals:
    void titleClicked(int column);
    void rowDoubleClicked();
    void contextMenuRequested(const QPoint& globalPos);

private:
    QTableView* m_view;
    QString m_count;
    bool m_hidden[12] = {};
};

}  // namespace kx
