#pragma once

#include <QGroupBox>

class QComboBox;
class QLineEdit;
class QPushButton;
class QLabel;

namespace kx {

class OrderRegister;
struct Platform;
struct SearchConditions;

// The quick search group box " 快速查询" (GroupBox5) under the order grid.
// Every change of a condition searches again; the result replaces the grid's
// result in the order register.
class QuickSearchPanel : public QGroupBox {
    Q_OBJECT
public:
    QuickSearchPanel(OrderRegister& orders, const Platform& platform, QWidget* parent = nullptr);

    QComboBox* courierBox;
    QComboBox* printStatusBox;
    QLineEdit* mobileEdit;
    QLineEdit* nameEdit;
    QLineEdit* addressEdit;
    QLineEdit* memberEdit;
    QLineEdit* orderNumberEdit;
    QPushButton* clearButton;
    QPushButton* showAllButton;
    QPushButton* searchButton;  // under showAllButton, reached by the keyboard only

    SearchConditions conditions() const;

public slots:
    // Runs the search with the seven texts; an error goes to the general
    // error display and leaves the grid empty.
    void search();
    // "清空条件": empties the boxes in their fixed order.
    void clearConditions();

signals:
    // "全部记录": the main window performs the show-all action.
    void showAllRequested();
    // A search ran (the main window hides the order editor panel).
    void searched();

private:
    void showCouriers(const QStringList& couriers);

    OrderRegister& m_orders;
    const Platform& m_platform;
};

}  // namespace kx
