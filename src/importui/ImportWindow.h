#pragma once

#include "data/Connection.h"

#include <QDialog>
#include <QMessageBox>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kx {

class CommandRegistry;
class OrderRegister;
class PictureButton;
class RepeatedOrders;
struct Platform;

// The import window "Excel导入数据库": the paths of the shop's order report
// and of a database file, and the button that appends the report's orders
// to that database's order table (see OrderImport). The window keeps a
// connection of its own to the chosen file, apart from the data module's;
// it is opened afresh for each import, once the file passed the whole
// DatabaseChecker check, and closed when the window closes. A file the check
// refuses is named with the reason, and nothing is imported.
//
// Made once at start and shown modally on demand; the path boxes keep their
// texts from one showing to the next.
class ImportWindow : public QDialog {
    Q_OBJECT
public:
    ImportWindow(OrderRegister& orders, const Platform& platform, QWidget* parent = nullptr);

    // Claims "淘宝订单批量导入" of the toolbar and of the grid's menu.
    void registerCommands(CommandRegistry& commands);
    // Shows the window modally without waiting for it to close.
    void showModally();

    // The window's own connection, open after an import got that far.
    const Connection& connection() const { return m_connection; }

    QLineEdit* reportPathEdit;
    QLineEdit* databasePathEdit;
    QPushButton* browseReportButton;
    QPushButton* browseDatabaseButton;
    PictureButton* importButton;
    QLabel* instructionsLink;
    QGroupBox* instructionsBox;

public slots:
    void browseReport();
    void browseDatabase();
    // Runs the import with the two paths as they stand.
    void runImport();

protected:
    void done(int result) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A warning box "警告" with one OK, owned by the active window.
    void warn(const QString& text);
    // Reads the report and imports it; false (with nothing imported) when
    // either fails, the reason then in m_importFailure.
    bool importReport(const QString& reportPath);
    // When the register holds some of the report's orders already, asks
    // whether to leave them out: Yes, No or Cancel; NoButton when it holds
    // none and nothing was asked.
    QMessageBox::StandardButton askAboutRepeats(RepeatedOrders& repeats);

    OrderRegister& m_orders;
    const Platform& m_platform;
    Connection m_connection;
    bool m_importing = false;
    // The last import's outcome beyond success: the user cancelled at the
    // question about orders already held (nothing more is said), or the
    // counts the success message adds after that question.
    bool m_importCancelled = false;
    QString m_importCounts;
    // Why the last import failed, shown under the failure message.
    QString m_importFailure;
};

}  // namespace kx
