#pragma once

#include "widgets/FloatingPanel.h"

#include <QDate>
#include <QList>
#include <functional>

namespace kx {

class Tdmfm;
struct Platform;

// The order editor panel (Panel3) floating over the order grid.
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

private:
    Tdmfm& m_dm;
    const Platform& m_platform;
    Hooks m_hooks;
    QDate m_date;
};

}  // namespace kx
