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
class Tchangepassfm : public QWidget {
    Q_OBJECT
public:
    Tchangepassfm(QWidget* owner, Database& dm, const Platform& platform);

    QComboBox* ComboBox1;         // 选择操作员
    QLineEdit* Edit1;             // 输入旧密码
    QLineEdit* Edit14;            // 输入新密码
    QLineEdit* Edit15;            // 新密码重复
    QCheckBox* closeWhenDone;     // 更改完毕退出
    QPushButton* changeButton;    // 更改密码
    QPushButton* exitButton;      // 退出

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
