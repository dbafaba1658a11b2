#pragma once

#include "data/Dataset.h"
#include "orders/GridColumn.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QList>
#include <QPointer>
#include <QString>
#include <array>

namespace kx {

// One column of the order grid: the field it shows, its two-level title,
// its width (the proportion it gets when the columns fill the grid), the
// cell alignment, the title colours and how the value is formatted.
struct OrderGridColumn {
    enum class Kind { Text, Date, Quantity, Amount };
    QString field;
    QString upper;
    QString lower;
    int width;
    Qt::Alignment alignment;
    QColor titleBackground;
    QColor titleText;
    Kind kind;

    QString title() const { return upper + QLatin1Char('|') + lower; }
};

// The order grid's rows straight from the grid's dataset, one model row per
// dataset row in the dataset's order. Only the cells a view asks for are
// formatted; nothing is copied out of the dataset.
class OrderGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Role {
        UpperTitleRole = Qt::UserRole + 1,  // header: the upper title text
        LowerTitleRole,                     // header: the lower title text
        ValueRole,                          // cell: the stored value itself
    };
    static constexpr int ColumnCount = GridColumnCount;
    static const std::array<OrderGridColumn, ColumnCount>& columns();

    explicit OrderGridModel(Dataset& dataset, QObject* parent = nullptr);

    Dataset* dataset() const { return m_dataset; }
    // The dataset's field index of a grid column; -1 when the result lacks it.
    int fieldOf(int column) const;
    // Exactly "已打印" in the print status; anything else, a null included, is not printed.
    bool isPrinted(int row) const;
    QString displayText(int row, int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void mapFields();

    QPointer<Dataset> m_dataset;  // the data module may go first at exit
    std::array<int, ColumnCount> m_fieldOf;
    int m_status = -1;
    bool m_resetting = false;
};

}  // namespace kx
