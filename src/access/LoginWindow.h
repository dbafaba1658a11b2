#pragma once

#include <QDialog>
#include <optional>

class QComboBox;
class QLineEdit;
class QPushButton;
class QLabel;

namespace kx {

class Database;
class LoginHost;
struct Platform;

// The login window "用户登录".
class LoginWindow : public QDialog {
    Q_OBJECT
public:
    LoginWindow(Database& dm, const Platform& platform, LoginHost& host, QWidget* parent);

    bool loggedIn() const { return m_loggedIn; }

    // Fills the user list, focuses the user box and shows the window modally
    // (without blocking the caller).
    void start();

    QComboBox* userBox;
    QLineEdit* passwordEdit;
    QPushButton* loginButton;
    QLabel* registerLabel;  // the register in use: a file's path or host/dbname

public slots:
    void logIn();

protected:
    void done(int result) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Runs the closing steps; false when a step failed and the window stays.
    bool runClosingSteps();

    Database& m_dm;
    const Platform& m_platform;
    LoginHost& m_host;
    bool m_loggedIn = false;
    std::optional<int> m_journalNumber;  // once this login's journal row is written
    bool m_closed = false;
    bool m_stepFailed = false;
};

}  // namespace kx
