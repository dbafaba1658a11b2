#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace kx {

class Database;
struct Platform;

// The password change "更改密码": a new password for an operator chosen from
// the users, given the operator's old one. Not modal; it shows itself when
// made and is destroyed when closed.
class ChangePasswordWindow : public QWidget {
    Q_OBJECT
public:
    ChangePasswordWindow(QWidget* owner, Database& dm, const Platform& platform);

    QComboBox* userBox;
    QLineEdit* oldPasswordEdit;
    QLineEdit* newPasswordEdit;
    QLineEdit* repeatPasswordEdit;
    QCheckBox* closeWhenDone;
    QPushButton* changeButton;
    QPushButton* exitButton;

public slots:
    void changeClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Database& m_dm;
    const Platform& m_platform;
};

}  // namespace kx
