#include "access/UserAdminWindow.h"

#include "core/TextValue.h"
#include "data/Schema.h"
#include "data/Database.h"
#include "data/UserAccounts.h"
#include "platform/AppInfo.h"
#include "platform/Platform.h"
#include "widgets/EnterChain.h"
#include "widgets/FontSubstitutions.h"
#include "widgets/PasswordKeyFilter.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>

namespace kx {

namespace {

constexpr int fieldHeight = 22;

// A pale-green column of the window.
QFrame* column(QWidget* parent, int left, int width, int height)
{
    auto* f = new QFrame(parent);
    f->setGeometry(left, 0, width, height);
    f->setAutoFillBackground(true);
    QPalette pal = f->palette();
    pal.setColor(QPalette::Window, QColor(0xC0, 0xDC, 0xC0));
    f->setPalette(pal);
    return f;
}

QLabel* label(QWidget* parent, const QString& text, int x, int y)
{
    auto* l = new QLabel(text, parent);
    l->move(x, y);
    l->adjustSize();
    return l;
}

// A caption with its field 16 pixels below its top. The Song faces of this
// desktop set a line taller than the Windows face does, and the field would
// cover the glyphs' feet: the caption keeps those 16 pixels and draws its
// line from their bottom, where the Windows face puts the glyphs.
QLabel* captionAbove(QWidget* parent, const QString& text, int x, int y)
{
    QLabel* l = label(parent, text, x, y);
    l->setFixedHeight(16);
    l->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    return l;
}

QLineEdit* field(QWidget* parent, const QString& name, int x, int y, int width)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setGeometry(x, y, width, fieldHeight);
    return e;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& text, QRect geometry)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setGeometry(geometry);
    return b;
}

}  // namespace

UserAdminWindow::UserAdminWindow(QWidget* owner, Database& dm, const Platform& platform)
    : QWidget(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_dm(dm), m_platform(platform)
{
    setObjectName(QStringLiteral("Tuserglfm"));
    setAttribute(Qt::WA_DeleteOnClose);
    // While the register is closed (the backup window replaces its file)
    // nothing here could work on it: the window goes with it.
    connect(&dm, &Database::closed, this, &QWidget::close);
    setWindowTitle(QStringLiteral("用户管理—(管理员专用)"));
    setFixedSize(393, 152);
    setFont(songFont(14));

    // The password gate.
    QFrame* gate = column(this, 0, 96, height());
    QLabel* passLabel = label(gate, QStringLiteral("管理员密码："), 8, 0);
    adminPasswordEdit = field(gate, QStringLiteral("LabeledEdit1"), 8, 32, 81);
    passLabel->move(8, 32 - passLabel->height() - 3);
    passLabel->setBuddy(adminPasswordEdit);
    PasswordKeyFilter::install(adminPasswordEdit);
    loginButton = button(gate, QStringLiteral("loginButton"), QStringLiteral("登录"), {10, 64, 75, 25});
    exitButton = button(gate, QStringLiteral("exitButton"), QStringLiteral("退出"), {10, 104, 75, 25});

    // The user list.
    QFrame* list = column(this, 96, 96, height());
    QLabel* listLabel = label(list, QStringLiteral("用户列表"), 5, 8);
    userList = new QListWidget(list);
    userList->setObjectName(QStringLiteral("ListBox1"));
    userList->setGeometry(1, height() - 125, 94, 125);
    userList->setEnabled(false);
    listLabel->setBuddy(userList);

    // The pages.
    pages = new QTabWidget(this);
    pages->setObjectName(QStringLiteral("PageControl1"));
    pages->setGeometry(192, 0, width() - 192, height());
    pages->setEnabled(false);
    // The three titles side by side in the column's 201 pixels.
    pages->tabBar()->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 3px; }"));
    pages->tabBar()->setFont(font());

    auto* resetPage = new QWidget(pages);
    label(resetPage, QStringLiteral("请在左边列表中选择用户"), 16, 8);
    QLabel* resetLabel = captionAbove(resetPage, QStringLiteral("你选择的用户名："), 16, 32);
    resetName = field(resetPage, QStringLiteral("resetName"), 16, 48, 105);
    resetLabel->setBuddy(resetName);
    resetName->setReadOnly(true);
    resetButton = button(resetPage, QStringLiteral("resetButton"), QStringLiteral("初始化密码"), {16, 80, 97, 25});
    hintButton = button(resetPage, QStringLiteral("hintButton"), QStringLiteral("提示"), {136, 80, 49, 25});
    pages->addTab(resetPage, QStringLiteral("初始化密码"));

    auto* addPage = new QWidget(pages);
    QLabel* newLabel = label(addPage, QStringLiteral("新增用户名："), 35, 16);
    newName = field(addPage, QStringLiteral("newName"), 32, 40, 137);
    newLabel->setBuddy(newName);
    addButton = button(addPage, QStringLiteral("addButton"), QStringLiteral("增加用户"), {56, 72, 89, 25});
    pages->addTab(addPage, QStringLiteral("增加用户"));

    auto* deletePage = new QWidget(pages);
    label(deletePage, QStringLiteral("请在左边列表中选择用户"), 32, 8);
    QLabel* deleteLabel = captionAbove(deletePage, QStringLiteral("你选择的用户名："), 32, 32);
    deleteName = field(deletePage, QStringLiteral("deleteName"), 32, 48, 121);
    deleteLabel->setBuddy(deleteName);
    deleteName->setReadOnly(true);
    deleteButton = button(deletePage, QStringLiteral("deleteButton"), QStringLiteral("删除用户"), {56, 80, 89, 25});
    pages->addTab(deletePage, QStringLiteral("删除用户"));
    pages->setCurrentIndex(0);

    auto* enter = new EnterChain(this);
    enter->link(adminPasswordEdit, loginButton);
    // As on the desktop the program comes from, Enter presses the focused button.
    for (QPushButton* b : {loginButton, exitButton, resetButton, hintButton, addButton, deleteButton})
        enter->pressOnEnter(b);

    connect(loginButton, &QPushButton::clicked, this, &UserAdminWindow::loginClick);
    connect(exitButton, &QPushButton::clicked, this, &QWidget::close);
    connect(hintButton, &QPushButton::clicked, this, &UserAdminWindow::hintClick);
    connect(resetButton, &QPushButton::clicked, this, &UserAdminWindow::resetClick);
    connect(addButton, &QPushButton::clicked, this, &UserAdminWindow::addClick);
    connect(deleteButton, &QPushButton::clicked, this, &UserAdminWindow::deleteClick);
    // A click, or the arrow keys, choose an entry.
    connect(userList, &QListWidget::itemClicked, this, &UserAdminWindow::listEntryChosen);
    connect(userList, &QListWidget::currentRowChanged, this, &UserAdminWindow::listEntryChosen);

    const QScreen* screen = owner ? owner->screen() : QApplication::primaryScreen();
    if (screen)
        move(screen->availableGeometry().center() - rect().center());
    show();
}

void UserAdminWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    fillList();
    adminPasswordEdit->setFocus();
}

void UserAdminWindow::closeEvent(QCloseEvent* event)
{
    m_dm.scratch.close();
    QWidget::closeEvent(event);
}

void UserAdminWindow::fillList()
{
    m_platform.guard(this, [this] {
        {
            const QSignalBlocker blocker(userList);
            userList->clear();
        }
        const QStringList names = UserAccounts::names(m_dm);
        const QSignalBlocker blocker(userList);
        userList->addItems(names);
    });
}

void UserAdminWindow::listEntryChosen()
{
    QListWidgetItem* item = userList->currentItem();
    if (!item)
        return;
    resetName->setText(item->text());
    deleteName->setText(item->text());
}

void UserAdminWindow::inform(const QString& text)
{
    m_platform.dialogs.inform(this, text);
}

void UserAdminWindow::loginClick()
{
    m_platform.guard(this, [this] {
        if (!UserAccounts::isAdministratorPassword(m_dm, trimControl(adminPasswordEdit->text()))) {
            // Once open, the window stays open whatever is typed later.
            inform(QStringLiteral("密码不对！"));
            return;
        }
        inform(QStringLiteral("超级管理员登录成功！"));
        userList->setEnabled(true);
        pages->setEnabled(true);
        adminPasswordEdit->clear();
    });
}

void UserAdminWindow::hintClick()
{
    inform(QStringLiteral("初始化口令用于忘记密码的用户，将口令更改为:") + schema::initialPassword);
}

void UserAdminWindow::resetClick()
{
    m_platform.guard(this, [this] {
        const QString name = trimControl(resetName->text());
        if (name.isEmpty()) {
            inform(QStringLiteral("请选择用户名！"));
            return;
        }
        if (!UserAccounts::resetPassword(m_dm, name)) {
            // Deleted meanwhile, here or at another station: the list shows
            // what is left.
            inform(QStringLiteral("用户不存在！"));
            fillList();
            return;
        }
        inform(QStringLiteral("已经成功将密码初始化为：") + schema::initialPassword);
    });
}

void UserAdminWindow::addClick()
{
    m_platform.guard(this, [this] {
        const QString name = trimControl(newName->text());
        if (name == schema::administrator) {
            inform(QStringLiteral("超级管理员只能有一个，不能增加"));
            return;
        }
        if (name.isEmpty())
            inform(QStringLiteral("请选择用户名！"));
        else if (!UserAccounts::add(m_dm, name))
            inform(QStringLiteral("用户已存在！"));
        else
            inform(QStringLiteral("成功添加新用户！缺省口令是：") + schema::initialPassword +
                   QStringLiteral(",请此用户下次登录时及时修改口令！"));
        fillList();
    });
}

void UserAdminWindow::deleteClick()
{
    m_platform.guard(this, [this] {
        const QString name = trimControl(deleteName->text());
        if (name == schema::administrator) {
            inform(QStringLiteral("超级管理员不能删除！"));
            return;
        }
        if (name.isEmpty()) {
            inform(QStringLiteral("请选择用户"));
            return;
        }
        // No is the default: an Enter too many must not delete a user.
        const auto answer = m_platform.dialogs.message(
            this, appTitle, QStringLiteral("你真的要删除用户：") + name + QStringLiteral("吗?"),
            Dialogs::Icon::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer == QMessageBox::Yes) {
            inform(UserAccounts::remove(m_dm, name) ? QStringLiteral("成功删除！") : QStringLiteral("用户不存在！"));
            // Either way the name is no longer in the table.
            deleteName->clear();
        }
        fillList();
    });
}

}  // namespace kx
