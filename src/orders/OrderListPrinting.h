#pragma once

#include "report/ListPrintOptions.h"

#include <QObject>
#include <QPointer>
#include <memory>

class QPrinter;
class QWidget;

namespace kx {

class CommandRegistry;
class ListPreview;
class LoginSession;
class OrderGrid;
struct Platform;

// "打印全部清单" (Ctrl+D): the grid's list — its shown columns, every row of
// its result in its order, its footer — laid out as the printed order list
// and shown in the list preview, from which it is printed. The page setup
// chosen in a preview and the printer's setup hold for the rest of the run.
class OrderListPrinting : public QObject {
    Q_OBJECT
public:
    OrderListPrinting(OrderGrid& grid, const LoginSession& session, const Platform& platform,
                      QWidget* owner);
    ~OrderListPrinting() override;

    // Claims the grid menu's "打印全部清单".
    void registerCommands(CommandRegistry& commands);

    // Opens the list preview (not modal) on a copy of the list as it stands.
    ListPreview* printList();

    const ListPrintOptions& options() const { return m_options; }
    QPrinter* printer();

private:
    QPointer<OrderGrid> m_grid;
    const LoginSession& m_session;
    const Platform& m_platform;
    QPointer<QWidget> m_owner;
    ListPrintOptions m_options;
    std::shared_ptr<QPrinter> m_printer;
};

}  // namespace kx
