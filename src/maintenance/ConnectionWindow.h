#pragma once

#include <QDialog>
#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QWidget;

namespace kx {

class Database;
struct Platform;
struct ServerAddress;

// "数据库连接": which register the program opens, the local data file or a
// register on a shared database server, with a test of the connection. The
// choice is saved in the settings and used from the next start on; the
// password never is (libpq's ~/.pgpass holds it, or the user types it when
// asked).
//
// Opened from the settings menu it is a tool window over the register in use
// and, like the user administration, unlocks only with the administrator's
// password. At start, when the saved server cannot be reached and no register
// is open, it runs modally without that gate: there is no register to check
// the password against, and the local file stays open to whoever sits there.
class ConnectionWindow : public QDialog {
    Q_OBJECT
public:
    // From the menu: `dm` is the register in use; the window shows itself.
    ConnectionWindow(QWidget* owner, Database* dm, const Platform& platform);
    // At start: not shown; `current` is the register that could not be opened.
    ConnectionWindow(const Platform& platform, const QString& current);

    // Runs the window modally at start. The register saved in it (an empty
    // text for the local file), or nullopt when it was closed without saving.
    static std::optional<QString> chooseAtStart(const Platform& platform, const QString& current);

    // Asks for the server's password (echo off); nullopt when declined. Tests
    // replace it.
    std::function<std::optional<QString>(QWidget* owner, const QString& label)> askPassword;
    // The password prompt the program uses.
    static std::optional<QString> promptForPassword(QWidget* owner, const QString& label);

    // The connection URI the fields make.
    QString chosenUri() const;
    bool isTesting() const { return m_testing; }

    QLabel* currentRegisterLabel;
    QLineEdit* adminPasswordEdit;  // null at start
    QPushButton* unlockButton;     // 登录; null at start
    QRadioButton* localFileChoice;
    QRadioButton* serverChoice;
    QLineEdit* hostEdit;
    QSpinBox* portBox;
    QLineEdit* databaseEdit;
    QLineEdit* userEdit;
    QComboBox* sslModeBox;
    QPushButton* testButton;
    QPushButton* saveButton;
    QPushButton* closeButton;

public slots:
    void unlock();
    void testConnection();
    void save();

private:
    void build(bool gated);
    void fillFrom(const QString& saved);
    void setLocked(bool locked);
    void updateEnabled();
    bool checkFields();
    void testFinished(const QString& uri, const QString& failure, bool passwordNeeded, bool hasRegister);
    void startTest(const QString& uri, const QString& password);

    Database* m_dm;
    const Platform& m_platform;
    bool m_locked = false;
    bool m_testing = false;
    // The URI's settings other than the TLS mode, kept as they were saved.
    QString m_otherOptions;
    std::optional<QString> m_saved;
};

}  // namespace kx
