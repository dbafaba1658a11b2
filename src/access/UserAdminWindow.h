#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace kx {

class Database;
struct Platform;

// User administration "用户管理—(管理员专用)": lists the users, and once the
// administrator's password has been typed into its own gate, resets a
// user's password to the initial one, adds users and deletes them. Not
// modal; it shows itself when made and is destroyed when closed, so each
// opening starts locked.
class UserAdminWindow : public QWidget {
    Q_OBJECT
public:
    UserAdminWindow(QWidget* owner, Database& dm, const Platform& platform);

    // The password gate
    QLineEdit* adminPasswordEdit;
    QPushButton* loginButton;   // 登录
    QPushButton* exitButton;    // 退出
    // The user list
    QListWidget* userList;
    // The pages
    QTabWidget* pages;
    QLineEdit* resetName;       // 初始化密码 ▸ the selected name
    QPushButton* resetButton;   // 初始化密码
    QPushButton* hintButton;    // 提示
    QLineEdit* newName;         // 增加用户 ▸ 新增用户名
    QPushButton* addButton;     // 增加用户
    QLineEdit* deleteName;      // 删除用户 ▸ the selected name
    QPushButton* deleteButton;  // 删除用户

public slots:
    void loginClick();
    void hintClick();
    void resetClick();
    void addClick();
    void deleteClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The names in the table's own order; an error leaves the list empty.
    void fillList();
    void listEntryChosen();
    void inform(const QString& text);

    Database& m_dm;
    const Platform& m_platform;
};

}  // namespace kx
