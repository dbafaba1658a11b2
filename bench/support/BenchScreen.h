#pragma once

#include "data/Database.h"
#include "orders/OrderGrid.h"
#include "orders/OrderRegister.h"
#include "orders/QuickSearchPanel.h"
#include "platform/Platform.h"
#include "platform/QtDialogs.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"

#include <QObject>
#include <QString>
#include <memory>

namespace kx::bench {

// A message box in a benchmark means the action failed: stop at once rather
// than wait for a click that never comes.
class FailingDialogs : public QtDialogs {
public:
    QMessageBox::StandardButton message(QWidget*, const QString& caption, const QString& text, Icon,
                                        QMessageBox::StandardButtons, QMessageBox::StandardButton) override;
};

// Counts the paint events a widget receives, so that a benchmark can make
// sure the rows it claims to show were painted.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* watched);
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The part of the main window an order action is seen through: the order
// register with the grid (shown offscreen at its size in the main window, so
// that the header, the visible rows and the footer are laid out and painted)
// and the quick search panel.
struct OrderScreen {
    explicit OrderScreen(const QString& databasePath);
    ~OrderScreen();

    // Delivers the pending layout and paint events, as the event loop does
    // once the action returns; fails when the grid's rows were not painted.
    void settle();

    FailingDialogs dialogs;
    QtShell shell;
    QtSettingsStore settings;
    SystemClock clock;
    Platform platform{dialogs, shell, settings, clock};
    std::unique_ptr<Database> dm;
    std::unique_ptr<OrderRegister> orders;
    std::unique_ptr<OrderGrid> grid;
    std::unique_ptr<QuickSearchPanel> panel;
    std::unique_ptr<PaintCounter> rowPaints;
};

}  // namespace kx::bench
