#include "access/ChangePasswordWindow.h"

#include "core/TextValue.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "data/UserAccounts.h"
#include "platform/Platform.h"
#include "widgets/ControlOps.h"
#include "widgets/EnterChain.h"
#include "widgets/FontSubstitutions.h"
#include "widgets/PasswordKeyFilter.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace kx {

namespace {

constexpr int fieldHeight = 21;

QLabel* label(QWidget* parent, const QString& text, int x, int y)
{
    auto* l = new QLabel(text, parent);
    l->move(x, y);
    l->adjustSize();
    return l;
}

QLineEdit* passwordField(QWidget* parent, const QString& name, int y, const QString& caption)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setGeometry(88, y, 89, fieldHeight);
    PasswordKeyFilter::install(e);
    label(parent, caption, 16, y + 4)->setBuddy(e);
    return e;
}

}  // namespace

ChangePasswordWindow::ChangePasswordWindow(QWidget* owner, Database& dm, const Platform& platform)
    : QWidget(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_dm(dm), m_platform(platform)
{
    setObjectName(QStringLiteral("Tchangepassfm"));
    setAttribute(Qt::WA_DeleteOnClose);
    // While the register is closed (the backup window replaces its file)
    // nothing here could work on it: the window goes with it.
    connect(&dm, &Database::closed, this, &QWidget::close);
    setWindowTitle(QStringLiteral("更改密码"));
    setFixedSize(296, 160);
    setFont(songFont(12));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QApplication::palette("QMenuBar").color(QPalette::Window));
    setPalette(pal);

    userBox = new QComboBox(this);
    userBox->setObjectName(QStringLiteral("ComboBox1"));
    userBox->setGeometry(88, 11, 89, fieldHeight);
    label(this, QStringLiteral("选择操作员"), 16, 15)->setBuddy(userBox);
    oldPasswordEdit = passwordField(this, QStringLiteral("Edit1"), 43, QStringLiteral("输入旧密码"));
    newPasswordEdit = passwordField(this, QStringLiteral("Edit14"), 75, QStringLiteral("输入新密码"));
    repeatPasswordEdit = passwordField(this, QStringLiteral("Edit15"), 107, QStringLiteral("新密码重复"));
    label(this, QStringLiteral("提示：密码只能输入字母和数字，最长10个字符！"), 8, 139);

    closeWhenDone = new QCheckBox(QStringLiteral("更改完毕退出"), this);
    closeWhenDone->setObjectName(QStringLiteral("closeWhenDone"));
    closeWhenDone->move(192, 14);
    closeWhenDone->adjustSize();
    closeWhenDone->setChecked(true);
    changeButton = new QPushButton(QStringLiteral("更改密码"), this);
    changeButton->setObjectName(QStringLiteral("changeButton"));
    changeButton->setGeometry(192, 41, 89, 25);
    exitButton = new QPushButton(QStringLiteral("退出"), this);
    exitButton->setObjectName(QStringLiteral("exitButton"));
    exitButton->setGeometry(192, 73, 89, 25);

    auto* enter = new EnterChain(this);
    enter->link(oldPasswordEdit, newPasswordEdit);
    enter->link(newPasswordEdit, repeatPasswordEdit);
    enter->link(repeatPasswordEdit, changeButton);
    // As on the desktop the program comes from, Enter presses the focused button.
    enter->pressOnEnter(changeButton);
    enter->pressOnEnter(exitButton);

    connect(userBox, &QComboBox::activated, this, [this] { oldPasswordEdit->setFocus(); });
    connect(changeButton, &QPushButton::clicked, this, &ChangePasswordWindow::changeClick);
    connect(exitButton, &QPushButton::clicked, this, &QWidget::close);

    const QScreen* screen = owner ? owner->screen() : QApplication::primaryScreen();
    if (screen)
        move(screen->availableGeometry().center() - rect().center());
    show();
}

void ChangePasswordWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    m_platform.guard(this, [this] {
        fillColumnList(m_dm.scratch, schema::userColumn::name, QStringLiteral("userdb"), userBox);
    });
    userBox->setFocus();
}

void ChangePasswordWindow::closeEvent(QCloseEvent* event)
{
    m_dm.scratch.close();
    QWidget::closeEvent(event);
}

void ChangePasswordWindow::changeClick()
{
    m_platform.guard(this, [this] {
        // Without a choice the change would match nobody and still report success.
        if (userBox->currentIndex() < 0) {
            m_platform.dialogs.inform(this, QStringLiteral("请选择操作员！"));
            userBox->setFocus();
            return;
        }
        const QString user = userBox->currentText();
        const QString oldPassword = trimControl(oldPasswordEdit->text());
        const QString newPassword = trimControl(newPasswordEdit->text());
        const QString repeat = trimControl(repeatPasswordEdit->text());
        if (!requiredFieldCheck(m_platform.dialogs, oldPasswordEdit, QStringLiteral("必须输入旧口令！")))
            return;
        if (!requiredFieldCheck(m_platform.dialogs, newPasswordEdit, QStringLiteral("新口令长度不能为空！")))
            return;
        if (newPassword != repeat) {
            m_platform.dialogs.inform(this, QStringLiteral("两次输入的密码不一致！请重新输入！"));
            repeatPasswordEdit->clear();
            repeatPasswordEdit->setFocus();
            return;
        }
        if (!UserAccounts::changePassword(m_dm, user, oldPassword, newPassword)) {
            m_platform.dialogs.inform(this, QStringLiteral("旧口令不正确！"));
            oldPasswordEdit->setFocus();
            return;
        }
        m_platform.dialogs.inform(this, QStringLiteral("你已经成功修改了密码！下次运行程序时生效！"));
        if (closeWhenDone->isChecked())
            close();
        repeatPasswordEdit->clear();
        newPasswordEdit->clear();
        oldPasswordEdit->clear();
    });
}

}  // namespace kx
