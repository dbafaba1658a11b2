#pragma once

#include "orders/OrderValues.h"
#include "widgets/FloatingPanel.h"

#include <QDate>
#include <QList>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace kx {

class CloseIcon;
class DateField;
class CommandRegistry;
class OrderRegister;
class SenderProfile;
struct Platform;

// The order editor panel (Panel3) floating over the order grid: enter a new
// order, change the loaded one, delete the grid's selected orders.
//
// The entry points below are called inside Platform::guard: a database or
// null-conversion error escapes them and ends the operation where it arose.
class OrderEditorPanel : public FloatingPanel {
    Q_OBJECT
public:
    static constexpr int collapsedHeight = 175;
    static constexpr int expandedHeight = 320;

    OrderEditorPanel(OrderRegister& orders, const SenderProfile& sender, const Platform& platform,
                     QWidget* parent = nullptr);
    // Claims "新建记录", "修 改", "删 除" and the editor's start-up steps.
    void registerCommands(CommandRegistry& commands);

    // "新建记录": the courier box starts on the sender profile's default courier.
    void openForNew();
    void loadFromMenu();          // grid menu "修 改"
    void loadFromDoubleClick();   // double-click on a grid row
    void deleteSelected();        // grid menu "删 除": the register's selected rows
    void setDate(const QDate& date);
    // The main window's half-second timer: a blank date field gets `today`.
    void refillBlankDate(const QDate& today);
    QString dateFieldText() const;

    // The storage row of the order the panel holds, known only after a
    // complete load: "修 改" writes there and nowhere else.
    std::optional<qint64> loadedRowId() const { return m_loadedRowId; }
    bool isExpanded() const { return height() != collapsedHeight; }

    // Fields (upper part)
    QLineEdit* recipientNameEdit;
    QLineEdit* recipientMobileEdit;
    QLineEdit* recipientAddressEdit;
    DateField* payDateField;
    QComboBox* courierBox;
    QComboBox* printStatusBox;
    // Fields (lower part, top 175 and below)
    QLineEdit* itemNameEdit;
    QLineEdit* amountEdit;
    QLineEdit* memberEdit;
    QLineEdit* quantityEdit;
    QLineEdit* orderNumberEdit;
    QLineEdit* remarkEdit;
    // Buttons
    QPushButton* newButton;
    QPushButton* saveChangesButton;
    QToolButton* moreButton;
    QPushButton* clearAllButton;
    CloseIcon* closeIcon;

signals:
    void bannerRequested(const QString& text);

public slots:
    void saveNew();         // "新 建"
    void saveChanges();     // "修 改"
    void clearFields();     // "全部清空"
    void closePanel();      // the cross
    void toggleHeight();    // "更多.."

private:
    void build();
    QLabel* addLabel(const QString& text, QWidget* field);
    void appear();
    void loadCurrent();
    QString currentName() const;
    // The checks before saving; on success the values to write.
    bool checkedTexts(OrderTexts& texts, double& quantity, double& amount);
    void focusField(QWidget* field);

    OrderRegister& m_orders;
    const SenderProfile& m_sender;
    const Platform& m_platform;
    std::optional<qint64> m_loadedRowId;
    // Every field of that order as loading read it: "修 改" writes only into
    // an order that still holds them.
    FieldValues m_loadedValues;
    // The stored quantity and amount behind the texts loading showed.
    std::optional<ShownNumber> m_shownQuantity;
    std::optional<ShownNumber> m_shownAmount;
};

}  // namespace kx
