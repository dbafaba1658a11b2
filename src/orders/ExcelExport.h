#pragma once

#include "orders/OrderListSheet.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace kx {

class CommandRegistry;
class LoginSession;
class OrderGrid;
class OrderRegister;
struct Platform;

// "导出Excel" (Ctrl+E): writes the order list as the grid shows it — its
// rows in the grid's order, its columns as shown or hidden — to an .xls
// file, or an .xlsx one for lists beyond what an .xls sheet holds or texts
// beyond GBK, then opens the file with the desktop's program for it. The
// file is written beside the target and put in its place only when
// complete, so a failure leaves no half file and an existing file as it was.
class ExcelExport : public QObject {
    Q_OBJECT
public:
    // The save dialog's filters: the .xls first, then the .xlsx.
    static const QString xlsFilter;
    static const QString xlsxFilter;
    static const QString fileFilter;
    // An .xlsx for a name ending so, whatever its case; else an .xls.
    static OrderListSheet::Format formatOf(const QString& path);

    ExcelExport(OrderRegister& orders, const OrderGrid& grid, const LoginSession& session, const Platform& platform,
                QWidget* owner);

    // Claims "导出Excel" in the grid's menu.
    void registerCommands(CommandRegistry& commands);

    // The command: asks for the file, then writes it.
    void run();

    // The grid's current result laid out as the exported sheet, with the
    // columns as shown now, the logged-in user and the present time.
    OrderListSheet sheet() const;

private:
    // Writes the sheet to the file under the progress window and opens it;
    // the reason of a failure, empty when the file was written.
    QString write(const OrderListSheet& sheet, OrderListSheet::Format format, const QString& path);
    void fail(const QString& reason);

    OrderRegister& m_orders;
    const OrderGrid& m_grid;
    const LoginSession& m_session;
    const Platform& m_platform;
    QPointer<QWidget> m_owner;
};

}  // namespace kx
