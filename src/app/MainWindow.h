#pragma once

#include "access/LoginHost.h"
#include "data/LoginSession.h"
#include "maintenance/MaintenanceHost.h"

#include <QMainWindow>

class QLabel;
class QTimer;
class QFrame;

namespace kx {

class Database;
struct Platform;
class LoginWindow;
class OrderGrid;
class QuickSearchPanel;
class OrderEditorPanel;
class SenderPanel;
class SenderProfile;
class WaybillPrinting;
class PictureButton;
class CommandRegistry;
class OrderRegister;
class SuccessBanner;
class ImportWindow;
class ImportCleanup;
class Preferences;

// The main window: the order grid on top, the quick search, the toolbar and
// the print picture buttons below it, the status bar at the bottom.
class MainWindow : public QMainWindow, public LoginHost, public MaintenanceHost {
    Q_OBJECT
public:
    MainWindow(Database& dm, const Platform& platform);
    ~MainWindow() override;

    // The journal number: the id of this login's rz row, 0 before a login.
    int journalNumber() const { return m_journal; }
    // The show-all action "全部记录".
    void showAll() override;
    void showBanner(const QString& text);
    // The start-up sequence; runs each time the window is shown.
    void startUp();

    Database& dm() const { return m_dm; }
    LoginWindow* login() const { return m_login; }
    OrderGrid* grid() const { return m_orderGrid; }
    QuickSearchPanel* quickSearch() const { return m_quickSearch; }
    OrderEditorPanel* editor() const { return m_editor; }
    SenderPanel* senderPanel() const { return m_senderPanel; }
    SenderProfile* senderProfile() const { return m_sender; }
    const LoginSession& loginSession() const { return m_session; }
    CommandRegistry* commands() const { return m_commands; }
    OrderRegister* orders() const { return m_orders; }
    ImportCleanup* cleanup() const { return m_cleanup; }
    SuccessBanner* banner() const { return m_banner; }
    ImportWindow* importWindow() const { return m_import; }
    Preferences* preferences() const { return m_preferences; }
    QLabel* statusPanel(int index) const { return m_status[index]; }
    QTimer* blankDateTimer;  // refills a blank date in the order editor

    // LoginHost
    void closeMainWindow() override;
    void focusMainWindow() override;
    void setOperatorName(const QString& name) override;
    void restrictToOrdinaryUser() override;
    void setJournalNumber(int id) override { m_journal = id; }

    // MaintenanceHost
    void hideMainWindow() override { hide(); }
    void showMainWindow() override;
    void endProgram() override;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildLowerPanel();
    void buildStatusBar();
    void registerCommands();
    void layoutClientArea();
    void askForLogin();
    void guarded(const std::function<void()>& handler);

    Database& m_dm;
    const Platform& m_platform;
    int m_journal = 0;
    LoginSession m_session;
    bool m_loginShown = false;

    QWidget* m_client;
    OrderGrid* m_orderGrid;
    QFrame* m_lowerPanel;
    QuickSearchPanel* m_quickSearch;
    OrderRegister* m_orders;
    CommandRegistry* m_commands;
    PictureButton* m_singlePrintButton;
    PictureButton* m_batchPrintButton;
    SuccessBanner* m_banner;
    OrderEditorPanel* m_editor;
    SenderProfile* m_sender;
    SenderPanel* m_senderPanel;
    WaybillPrinting* m_printing;
    ImportCleanup* m_cleanup;
    Preferences* m_preferences;
    LoginWindow* m_login;
    ImportWindow* m_import;
    QLabel* m_status[4];
};

}  // namespace kx
