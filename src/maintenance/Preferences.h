#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <initializer_list>
#include <optional>

class QAction;
class QEvent;
class QLineEdit;
class QWidget;

namespace kx {

class CommandRegistry;
class OrderGrid;
struct Platform;

// The choices the main window remembers in the settings key: the skin and
// whether the item columns of the order grid are hidden ("隐藏商品信息"),
// and the other values its start-up reads there. A choice takes effect at
// once and is written when it is made; a value that cannot be written is
// reported after the choice took effect. Reading never creates the key.
class Preferences : public QObject {
    Q_OBJECT
public:
    // `mainWindow` carries the skin (and so every window it owns) and the two
    // boxes that are never shown.
    Preferences(OrderGrid& grid, const Platform& platform, QWidget* mainWindow);

    // Claims the five skin entries, "隐藏商品信息", and the start-up steps
    // of the column memory and the stored skin.
    void registerCommands(CommandRegistry& commands);

    // Start-up: rukuyin1, rukuyin6, rukuyin2, rukuyin3–5, ordernumber and
    // xiaoshouyin1–10, when the key exists.
    void restoreColumnMemory();
    // Start-up: skin, number, company and address, when the key exists.
    void restoreSkin();

    // Loads a skin (0 to 4) at once; any other number keeps the current one.
    void applySkin(int number);
    // The skin in use; -1 for the built-in one.
    int skin() const { return m_skin; }
    // The skin menu's choice: loads the skin, then stores its number.
    void chooseSkin(int number);
    // "隐藏商品信息": hides or shows the item columns, sets the check mark,
    // then stores "yes" or "no" in rukuyin1.
    void setItemsHidden(bool hidden);
    // Hides grid columns for the rest of the run: no stored choice shows
    // them again (the login's restriction of an ordinary user).
    void withholdColumns(std::initializer_list<int> columns);

    // Boxes of the stock ledger that the order register never shows.
    QLineEdit* stockAlarmBox() const { return m_stockAlarm; }        // number
    QLineEdit* ledgerOrderNumberBox() const { return m_orderNumber; } // ordernumber

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showItemColumns(bool shown);
    void showColumns(std::initializer_list<int> columns, const QString& value);
    void setColumnShown(int column, bool shown);
    std::optional<QString> read(const QString& name) const;
    void write(const QString& name, const QString& value);

    OrderGrid& m_grid;
    const Platform& m_platform;
    QWidget* m_mainWindow;
    QAction* m_hideItems = nullptr;
    QLineEdit* m_stockAlarm;
    QLineEdit* m_orderNumber;
    int m_skin = -1;
    QSet<int> m_withheld;
};

}  // namespace kx
