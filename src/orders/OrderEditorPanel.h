#pragma once

#include "widgets/FloatingPanel.h"

#include <QDate>
#include <QList>
#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace kx {

class CloseIcon;
class DateField;
class Tdmfm;
struct OrderTexts;
struct Platform;

// The order editor panel (Panel3) floating over the order grid: enter a new
// order, change the loaded one, delete the grid's selected orders.
//
// The entry points below are called by the main window inside
// Platform::guard: a database or null-conversion error escapes them and ends
// the operation where it arose.
class OrderEditorPanel : public FloatingPanel {
    Q_OBJECT
public:
    // What the editor needs from the main window.
    struct Hooks {
        std::function<QString()> defaultCourier;     // text of the sender panel's ComboBox2
        std::function<QList<int>()> selectedRows;    // the grid's selection, in selection order
        std::function<void()> showAll;               // the show-all action
        std::function<void(const QString&)> showBanner;
    };

    static constexpr int collapsedHeight = 175;
    static constexpr int expandedHeight = 320;

    OrderEditorPanel(Tdmfm& dm, const Platform& platform, QWidget* parent = nullptr);
    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }

    void openForNew();            // "新建记录"
    void loadFromMenu();          // grid menu "修 改"
    void loadFromDoubleClick();   // double-click on a grid row
    void deleteSelected();        // grid menu "删 除"
    void setDate(const QDate& date);
    // The main window's half-second timer: a blank date field gets `today`.
    void refillBlankDate(const QDate& today);
    QString dateFieldText() const;

    // The storage row of the order the panel was loaded from, if any.
    std::optional<qint64> loadedRowId() const { return m_loadedRowId; }
    bool isExpanded() const { return height() != collapsedHeight; }

    // Fields (upper part)
    QLineEdit* Edit11;              // recipient name      a
    QLineEdit* Edit8;               // recipient mobile    b
    QLineEdit* Edit28;              // recipient address   c
    DateField* DBDateTimeEditEh1;   // payment date        day1
    QComboBox* ComboBox4;           // courier             d
    QComboBox* ComboBox12;          // print status        g
    // Fields (lower part, top 175 and below)
    QLineEdit* Edit15;              // item name           h
    QLineEdit* Edit9;               // amount              2
    QLineEdit* Edit48;              // buyer member name   i
    QLineEdit* Edit1;               // quantity            1
    QLineEdit* Edit47;              // order number        j
    QLineEdit* Edit22;              // remark              z
    // Buttons
    QPushButton* Button1;           // 新 建
    QPushButton* Button3;           // 修 改
    QToolButton* SpeedButton1;      // 更多..
    QPushButton* Button9;           // 全部清空
    CloseIcon* Image1;              // the cross

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

    Tdmfm& m_dm;
    const Platform& m_platform;
    Hooks m_hooks;
    std::optional<qint64> m_loadedRowId;
};

}  // namespace kx
