#include "MainSession.h"
#include "Typing.h"

#include "access/ChangePasswordWindow.h"
#include "access/LoginWindow.h"
#include "access/UserAdminWindow.h"
#include "app/MainWindow.h"
#include "core/TextValue.h"
#include "data/LoginJournal.h"
#include "data/PasswordHash.h"
#include "data/Database.h"
#include "widgets/CommandRegistry.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

using namespace kx;

namespace {

using Fixture = std::function<void(test::TestDb&)>;

// Two operators besides the administrator, in a table order that is not the
// sorted one.
void operators(test::TestDb& db)
{
    db.exec("insert into userdb values ('小王','123'), ('Tom','Ab9')");
}

QStringList items(const QListWidget* list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

QStringList items(const QComboBox* box)
{
    QStringList names;
    for (int i = 0; i < box->count(); ++i)
        names << box->itemText(i);
    return names;
}

// Deletes the windows that closed themselves.
void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

template <class W>
W* openWindow()
{
    W* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* candidate = qobject_cast<W*>(w))
            found = candidate;
    return found;
}

// A main window logged in (as the administrator unless told otherwise).
struct Session : test::MainSession {
    explicit Session(const Fixture& fixture = operators, const QString& user = "超级管理员",
                     const QString& password = "507")
        : MainSession(fixture)
    {
        if (!waitForLogin())
            qFatal("no login window");
        logIn(user, password);
        fp.dialogs.clear();
    }
    ~Session()
    {
        // The tool windows belong to the main window; none outlives a test.
        main.reset();
        flushDeletes();
    }
    QAction* action(Command c) const { return main->commands()->action(c); }
    UserAdminWindow* users()
    {
        action(Command::UserAdmin)->trigger();
        return openWindow<UserAdminWindow>();
    }
    // User administration with its gate opened.
    UserAdminWindow* unlockedUsers(const QString& password = "507")
    {
        UserAdminWindow* w = users();
        w->adminPasswordEdit->setText(password);
        w->loginButton->click();
        fp.dialogs.clear();
        return w;
    }
    ChangePasswordWindow* changePassword()
    {
        action(Command::ChangePassword)->trigger();
        return openWindow<ChangePasswordWindow>();
    }
    // Whether every row of the user holds a hash (never the password in the
    // clear) that the password opens.
    bool stores(const QString& user, const QString& password) const
    {
        const QStringList stored = db.cli("select passwd from userdb where username='" +
                                          QString(user).replace("'", "''") + "'");
        for (const QString& text : stored)
            if (!text.startsWith("$argon2id$") || !PasswordHash::matches(text, password))
                return false;
        return !stored.isEmpty();
    }
    int userCount() const { return db.scalar("select count(*) from userdb").toInt(); }
};

// A click on the list's entry of that name, as the mouse gives it.
void clickEntry(QListWidget* list, const QString& name)
{
    const QList<QListWidgetItem*> found = list->findItems(name, Qt::MatchExactly);
    QVERIFY2(found.size() == 1, qPrintable(name));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found[0]).center());
}

// An operator chosen in the drop-down list, as the user chooses it.
void choose(QComboBox* box, const QString& name)
{
    const int index = box->findText(name, Qt::MatchExactly);
    QVERIFY2(index >= 0, qPrintable(name));
    box->setCurrentIndex(index);
    emit box->activated(index);
}

// Where a control stands in its window's client area.
QRect placeIn(const QWidget* window, const QWidget* control)
{
    return QRect(control->mapTo(window, QPoint(0, 0)), control->size());
}

QRect placeInPage(const QWidget* control)
{
    return control->geometry();
}

QLabel* labelWithText(const QWidget* window, const QString& text)
{
    for (QLabel* l : window->findChildren<QLabel*>())
        if (l->text() == text)
            return l;
    return nullptr;
}

}  // namespace

class TestUsers : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { PasswordHash::setCost(PasswordHash::Cost::Lightest); }
    void passwordHash_data();
    void passwordHash();
    void menuEntries();
    void onDemandAndDestroyedOnClose();

    // User administration
    void usersWindow();
    void gate_data();
    void gate();
    void gateStaysOpen();
    void gateTypingAndEnter();
    void listChoiceFillsBothNames();
    void resetPassword();
    void resetRefused_data();
    void resetRefused();
    void addUser_data();
    void addUser();
    void deleteUser_data();
    void deleteUser();
    void databaseErrorStopsBeforeSuccess();

    // Password change
    void changeWindow();
    void changePassword_data();
    void changePassword();
    void changeRefused_data();
    void changeRefused();
    void changeEnterChain();
    void changeTypingFilter_data();
    void changeTypingFilter();
};

void TestUsers::passwordHash_data()
{
    QTest::addColumn<QString>("stored");  // a password in the clear, or a stored text as it is
    QTest::addColumn<bool>("hashed");     // whether a hash of `stored` is stored rather than it
    QTest::addColumn<QString>("typed");   // trimmed as the windows trim it
    QTest::addColumn<bool>("matches");
    QTest::newRow("right") << "507" << true << "507" << true;
    QTest::newRow("wrong") << "507" << true << "508" << false;
    QTest::newRow("empty") << "507" << true << "" << false;
    QTest::newRow("blanks around trimmed") << "507" << true << " 507\t" << true;
    QTest::newRow("blank inside counts") << "507" << true << "5 07" << false;
    QTest::newRow("letter case counts") << "aB3" << true << "ab3" << false;
    QTest::newRow("a longer password") << "abcdefghij" << true << "abcdefghi" << false;
    QTest::newRow("hash of another password") << "123" << true << "507" << false;
    QTest::newRow("clear, right") << "507" << false << " 507 " << true;
    QTest::newRow("clear, wrong") << "507" << false << "508" << false;
    QTest::newRow("clear, letter case counts") << "aB3" << false << "ab3" << false;
    QTest::newRow("clear, empty") << "507" << false << "" << false;
    QTest::newRow("damaged hash") << "$argon2id$v=19$m=8,t=1,p=1$broken" << false << "507" << false;
}

void TestUsers::passwordHash()
{
    QFETCH(QString, stored);
    QFETCH(bool, hashed);
    QFETCH(QString, typed);
    QFETCH(bool, matches);
    const QString text = hashed ? PasswordHash::make(stored) : stored;
    QCOMPARE(PasswordHash::isHash(text), hashed || stored.startsWith('$'));
    // Salted: the same password hashed again gives another text.
    if (hashed)
        QVERIFY(PasswordHash::make(stored) != text);
    QCOMPARE(PasswordHash::matches(text, trimControl(typed)), matches);
}

void TestUsers::menuEntries()
{
    Session admin;
    QToolButton* button = admin.main->commands()->settingsButton();
    QCOMPARE(button->text(), QString("设 置"));
    QMenu* settings = button->defaultAction()->menu<QMenu*>();
    QVERIFY(settings);
    for (Command c : {Command::UserAdmin, Command::ChangePassword}) {
        QAction* a = admin.action(c);
        QVERIFY2(settings->actions().contains(a), qPrintable(a->text()));
        QVERIFY2(a->isVisible() && a->isEnabled(), qPrintable(a->text()));
    }
    QCOMPARE(admin.action(Command::UserAdmin)->text(), QString("用户管理"));
    QCOMPARE(admin.action(Command::ChangePassword)->text(), QString("修改密码"));

    // An ordinary user keeps user administration, behind its own gate, and
    // does not see the password change.
    Session ordinary(operators, "小王", "123");
    QVERIFY(!ordinary.action(Command::ChangePassword)->isVisible());
    QVERIFY(ordinary.action(Command::UserAdmin)->isVisible());
    QVERIFY(ordinary.action(Command::UserAdmin)->isEnabled());
    UserAdminWindow* w = ordinary.users();
    QVERIFY(w && w->isVisible());
    QVERIFY(!w->userList->isEnabled());
}

void TestUsers::onDemandAndDestroyedOnClose()
{
    Session s;
    QPointer<UserAdminWindow> users = s.unlockedUsers();
    QVERIFY(users->pages->isEnabled());
    QCOMPARE(s.users(), users.data());  // brought to the front, not made again
    s.dm->scratch.setSql("select * from userdb");
    s.dm->scratch.open();
    users->exitButton->click();
    QVERIFY(!s.dm->scratch.isOpen());
    flushDeletes();
    QVERIFY(users.isNull());
    UserAdminWindow* again = s.users();
    QVERIFY(again && again->isVisible());
    QVERIFY(!again->pages->isEnabled());  // a new window starts locked
    QVERIFY(!again->userList->isEnabled());

    QPointer<ChangePasswordWindow> change = s.changePassword();
    choose(change->userBox, "小王");
    change->closeWhenDone->setChecked(false);
    QCOMPARE(s.changePassword(), change.data());
    s.dm->scratch.open();
    change->close();  // the close box
    QVERIFY(!s.dm->scratch.isOpen());
    flushDeletes();
    QVERIFY(change.isNull());
    ChangePasswordWindow* fresh = s.changePassword();
    QCOMPARE(fresh->userBox->currentIndex(), -1);
    QVERIFY(fresh->closeWhenDone->isChecked());
}

void TestUsers::usersWindow()
{
    Session s([](test::TestDb& db) { db.exec("insert into userdb values ('zed','1'), ('阿杰','2'), ('abc','3')"); });
    UserAdminWindow* w = s.users();
    QVERIFY(QTest::qWaitForWindowActive(w));
    QCOMPARE(w->windowTitle(), QString("用户管理—(管理员专用)"));
    QCOMPARE(w->size(), QSize(393, 152));
    QCOMPARE(w->minimumSize(), w->maximumSize());
    QVERIFY(w->windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(w->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(w->windowModality(), Qt::NonModal);
    QCOMPARE(w->font().family(), QString("宋体"));
    QCOMPARE(w->font().pixelSize(), 14);

    // The list in the table's order, not sorted; list and pages locked.
    QCOMPARE(items(w->userList), (QStringList{"超级管理员", "zed", "阿杰", "abc"}));
    QVERIFY(!w->userList->isEnabled());
    QVERIFY(!w->pages->isEnabled());
    QCOMPARE(w->pages->count(), 3);
    QCOMPARE(w->pages->tabText(0), QString("初始化密码"));
    QCOMPARE(w->pages->tabText(1), QString("增加用户"));
    QCOMPARE(w->pages->tabText(2), QString("删除用户"));
    QCOMPARE(w->pages->currentIndex(), 0);
    // All three titles in view, none behind a scroll arrow.
    QTabBar* tabs = w->pages->tabBar();
    QVERIFY(tabs->tabRect(2).right() < tabs->width());
    QVERIFY(tabs->width() <= w->pages->width());
    QCOMPARE(tabs->font().pixelSize(), 14);
    QTRY_VERIFY(w->adminPasswordEdit->hasFocus());
    QCOMPARE(w->adminPasswordEdit->echoMode(), QLineEdit::Password);
    QCOMPARE(w->adminPasswordEdit->maxLength(), 10);
    QVERIFY(w->resetName->isReadOnly());
    QVERIFY(w->deleteName->isReadOnly());
    QVERIFY(!w->newName->isReadOnly());

    // The three columns: the gate and the list 96 pixels each, pale green.
    QCOMPARE(placeIn(w, w->adminPasswordEdit).topLeft(), QPoint(8, 32));
    QCOMPARE(w->adminPasswordEdit->width(), 81);
    QCOMPARE(placeIn(w, w->loginButton), QRect(10, 64, 75, 25));
    QCOMPARE(placeIn(w, w->exitButton), QRect(10, 104, 75, 25));
    QCOMPARE(placeIn(w, w->userList).size(), QSize(94, 125));
    QVERIFY(placeIn(w, w->userList).left() >= 96 && placeIn(w, w->userList).right() < 192);
    QCOMPARE(placeIn(w, w->pages).left(), 192);
    QCOMPARE(w->adminPasswordEdit->parentWidget()->palette().color(QPalette::Window), QColor(0xC0, 0xDC, 0xC0));
    QCOMPARE(w->userList->parentWidget()->palette().color(QPalette::Window), QColor(0xC0, 0xDC, 0xC0));
    QLabel* passLabel = labelWithText(w, "管理员密码：");
    QVERIFY(passLabel);
    QCOMPARE(passLabel->buddy(), w->adminPasswordEdit);
    QVERIFY(placeIn(w, passLabel).bottom() < 32);  // above its field
    QCOMPARE(placeIn(w, labelWithText(w, "用户列表")).topLeft(), QPoint(96 + 5, 8));

    // The pages, each position inside its page.
    QCOMPARE(placeInPage(w->resetName), QRect(16, 48, 105, w->resetName->height()));
    QCOMPARE(placeInPage(w->resetButton), QRect(16, 80, 97, 25));
    QCOMPARE(placeInPage(w->hintButton), QRect(136, 80, 49, 25));
    QCOMPARE(placeInPage(w->newName), QRect(32, 40, 137, w->newName->height()));
    QCOMPARE(placeInPage(w->addButton), QRect(56, 72, 89, 25));
    QCOMPARE(placeInPage(w->deleteName), QRect(32, 48, 121, w->deleteName->height()));
    QCOMPARE(placeInPage(w->deleteButton), QRect(56, 80, 89, 25));
    for (const auto& [text, page, place] :
         {std::tuple{"请在左边列表中选择用户", 0, QPoint(16, 8)}, std::tuple{"你选择的用户名：", 0, QPoint(16, 32)},
          std::tuple{"新增用户名：", 1, QPoint(35, 16)}, std::tuple{"请在左边列表中选择用户", 2, QPoint(32, 8)},
          std::tuple{"你选择的用户名：", 2, QPoint(32, 32)}}) {
        QLabel* l = labelWithText(w->pages->widget(page), text);
        QVERIFY2(l, text);
        QCOMPARE(l->pos(), place);
    }
    QCOMPARE(w->resetButton->text(), QString("初始化密码"));
    QCOMPARE(w->hintButton->text(), QString("提示"));
    QCOMPARE(w->addButton->text(), QString("增加用户"));
    QCOMPARE(w->deleteButton->text(), QString("删除用户"));
    // Every caption whole, in the window's face.
    for (QLabel* l : w->findChildren<QLabel*>()) {
        QVERIFY2(l->font().pixelSize() == 14, qPrintable(l->text() + " " + l->font().toString()));
        QVERIFY2(l->width() >= l->sizeHint().width(), qPrintable(l->text()));
    }
    QVERIFY(s.fp.dialogs.shown.isEmpty());
}

void TestUsers::gate_data()
{
    QTest::addColumn<QString>("stored");  // the administrator's password
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("opens");
    QTest::newRow("right") << "507" << "507" << true;
    QTest::newRow("blanks around trimmed") << "507" << " 507 " << true;
    QTest::newRow("wrong") << "507" << "508" << false;
    QTest::newRow("empty") << "507" << "" << false;
    QTest::newRow("letter case counts") << "aB3" << "ab3" << false;
    QTest::newRow("another user's password") << "507" << "123" << false;
    QTest::newRow("two administrator rows") << "twice" << "twice" << false;
}

void TestUsers::gate()
{
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(bool, opens);
    Session s([stored](test::TestDb& db) {
        operators(db);
        if (stored == "twice")
            db.exec("insert into userdb values ('超级管理员','twice')");
    });
    s.db.exec("update userdb set passwd=? where username='超级管理员'", {stored});
    UserAdminWindow* w = s.users();
    w->adminPasswordEdit->setText(typed);
    w->loginButton->click();
    QCOMPARE(s.fp.dialogs.texts(), QStringList{opens ? "超级管理员登录成功！" : "密码不对！"});
    QCOMPARE(s.fp.dialogs.shown[0].caption, QString("Kestrix快递单打印软件"));
    QCOMPARE(s.fp.dialogs.shown[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(w->userList->isEnabled(), opens);
    QCOMPARE(w->pages->isEnabled(), opens);
    QCOMPARE(w->adminPasswordEdit->text(), opens ? QString() : typed);
}

void TestUsers::gateStaysOpen()
{
    Session s;
    UserAdminWindow* w = s.unlockedUsers();
    w->adminPasswordEdit->setText("999");
    w->loginButton->click();
    QCOMPARE(s.fp.dialogs.texts(), QStringList{"密码不对！"});
    QVERIFY(w->userList->isEnabled());
    QVERIFY(w->pages->isEnabled());
}

void TestUsers::gateTypingAndEnter()
{
    Session s;
    UserAdminWindow* w = s.users();
    QVERIFY(QTest::qWaitForWindowActive(w));
    QLineEdit* e = w->adminPasswordEdit;
    test::typeText(e, "ab!中C9 1234567");
    QCOMPARE(e->text(), QString("abC9123456"));  // letters and digits, ten at most
    QCOMPARE(e->displayText(), QString(10, QLatin1Char('*')));
    test::commitText(e, "中");
    QCOMPARE(e->text(), QString("abC9123456"));
    e->clear();

    QTRY_VERIFY(e->hasFocus());
    test::typeText(e, "507");
    QTest::keyClick(e, Qt::Key_Return);
    QTRY_VERIFY(w->loginButton->hasFocus());
    QVERIFY(s.fp.dialogs.shown.isEmpty());  // the first Enter only moves on
    QTest::keyClick(w->loginButton, Qt::Key_Return);
    QCOMPARE(s.fp.dialogs.texts(), QStringList{"超级管理员登录成功！"});
    QVERIFY(w->pages->isEnabled());
}

void TestUsers::listChoiceFillsBothNames()
{
    Session s;
    UserAdminWindow* w = s.unlockedUsers();
    clickEntry(w->userList, "Tom");
    QCOMPARE(w->resetName->text(), QString("Tom"));
    QCOMPARE(w->deleteName->text(), QString("Tom"));
    w->userList->setFocus();
    QTest::keyClick(w->userList, Qt::Key_Up);
    QCOMPARE(w->resetName->text(), QString("小王"));
    QCOMPARE(w->deleteName->text(), QString("小王"));
}

void TestUsers::resetPassword()
{
    Session s;
    UserAdminWindow* w = s.unlockedUsers();
    w->hintButton->click();
    QCOMPARE(s.fp.dialogs.texts(), QStringList{"初始化口令用于忘记密码的用户，将口令更改为:507"});
    s.fp.dialogs.clear();

    clickEntry(w->userList, "小王");
    w->resetButton->click();
    QCOMPARE(s.fp.dialogs.texts(), QStringList{"已经成功将密码初始化为：507"});
    QVERIFY(s.stores("小王", "507"));
    QVERIFY(s.stores("Tom", "Ab9"));  // only the chosen user
    QVERIFY(LoginJournal::passwordMatches(*s.dm, "小王", "507"));

    // The administrator's own password goes back to the initial one too,
    // and the gate then opens with it.
    s.db.exec("update userdb set passwd='k8' where username='超级管理员'");
    clickEntry(w->userList, "超级管理员");
    w->resetButton->click();
    QVERIFY(s.stores("超级管理员", "507"));
    w->close();
    flushDeletes();
    QVERIFY(s.unlockedUsers("507")->pages->isEnabled());
}

void TestUsers::resetRefused_data()
{
    QTest::addColumn<QString>("chosen");  // empty: nothing chosen
    QTest::addColumn<bool>("vanished");   // deleted at another station meanwhile
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing chosen") << "" << false << "请选择用户名！";
    QTest::newRow("user deleted meanwhile") << "小王" << true << "用户不存在！";
}

void TestUsers::resetRefused()
{
    QFETCH(QString, chosen);
    QFETCH(bool, vanished);
    QFETCH(QString, message);
    Session s;
    UserAdminWindow* w = s.unlockedUsers();
    if (!chosen.isEmpty())
        clickEntry(w->userList, chosen);
    if (vanished)
        s.db.exec("delete from userdb where username=?", {chosen});
    w->resetButton->click();
    QCOMPARE(s.fp.dialogs.texts(), QStringList{message});
    QCOMPARE(s.userCount(), vanished ? 2 : 3);
    QVERIFY(s.stores("Tom", "Ab9"));
    if (vanished)
        QVERIFY(w->userList->findItems(chosen, Qt::MatchExactly).isEmpty());
}

void TestUsers::addUser_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("stored");  // the name that is then in the table; empty: nothing added
    QTest::addColumn<bool>("refilled");
    const QString added = "成功添加新用户！缺省口令是：507,请此用户下次登录时及时修改口令！";
    QTest::newRow("Chinese name") << "小张" << added << "小张" << true;
    QTest::newRow("blanks around trimmed") << "  小张 " << added << "小张" << true;
    QTest::newRow("quote") << "O'Brien" << added << "O'Brien" << true;
    QTest::newRow("percent") << "1%" << added << "1%" << true;
    QTest::newRow("underscore") << "a_c" << added << "a_c" << true;
    QTest::newRow("bracket") << "[Tom]" << added << "[Tom]" << true;
    QTest::newRow("letter case counts") << "tom" << added << "tom" << true;
    QTest::newRow("existing name") << "小王" << "用户已存在！" << "" << true;
    QTest::newRow("existing name with blanks") << " Tom " << "用户已存在！" << "" << true;
    QTest::newRow("administrator") << "超级管理员" << "超级管理员只能有一个，不能增加" << "" << false;
    QTest::newRow("empty") << "  " << "请选择用户名！" << "" << true;
}

void TestUsers::addUser()
{
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QString, stored);
    QFETCH(bool, refilled);
    // Names that a pattern match would mistake for the new ones.
    Session s([](test::TestDb& db) {
        operators(db);
        db.exec("insert into userdb values ('10','x'), ('abc','y'), ('T','z')");
    });
    UserAdminWindow* w = s.unlockedUsers();
    w->pages->setCurrentIndex(1);
    test::typeText(w->newName, typed);
    QCOMPARE(w->newName->text(), typed);
    // Added at another station: seen only when the list is filled again.
    s.db.exec("insert into userdb values ('elsewhere','1')");
    const int before = s.userCount();
    w->addButton->click();

    QCOMPARE(s.fp.dialogs.texts(), QStringList{message});
    QCOMPARE(s.userCount(), before + (stored.isEmpty() ? 0 : 1));
    QCOMPARE(w->newName->text(), typed);  // the field keeps its text
    QCOMPARE(w->userList->findItems("elsewhere", Qt::MatchExactly).size(), refilled ? 1 : 0);
    // The other users are untouched.
    QVERIFY(s.stores("小王", "123"));
    QVERIFY(s.stores("Tom", "Ab9"));
    QVERIFY(s.stores("abc", "y"));
    if (stored.isEmpty())
        return;
    // Stored as typed (trimmed), matched literally, last in the table's order,
    // with the initial password hashed.
    QCOMPARE(s.db.cli("select count(*) from userdb where username='" + QString(stored).replace("'", "''") + "'"),
             QStringList{"1"});
    QVERIFY(s.stores(stored, "507"));
    QCOMPARE(items(w->userList).last(), stored);
    QVERIFY(LoginJournal::passwordMatches(*s.dm, stored, "507"));
    // Now it exists: a second time is refused.
    s.fp.dialogs.clear();
    w->addButton->click();
    QCOMPARE(s.fp.dialogs.texts(), QStringList{"用户已存在！"});
    QCOMPARE(s.userCount(), before + 1);
}

void TestUsers::deleteUser_data()
{
    QTest::addColumn<QString>("chosen");  // empty: nothing chosen
    QTest::addColumn<bool>("vanished");   // deleted at another station meanwhile
    QTest::addColumn<int>("answer");      // to the question; 0: no question expected
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("left");  // the users then in the table
    const QStringList all{"超级管理员", "小王", "Tom", "a_c", "abc"};
    QTest::newRow("yes") << "小王" << false << int(QMessageBox::Yes) << QStringList{"成功删除！"}
                         << QStringList{"超级管理员", "Tom", "a_c", "abc"};
    QTest::newRow("no") << "小王" << false << int(QMessageBox::No) << QStringList{} << all;
    QTest::newRow("wildcard name deletes only itself")
        << "a_c" << false << int(QMessageBox::Yes) << QStringList{"成功删除！"}
        << QStringList{"超级管理员", "小王", "Tom", "abc"};
    QTest::newRow("user deleted meanwhile") << "Tom" << true << int(QMessageBox::Yes) << QStringList{"用户不存在！"}
                                            << QStringList{"超级管理员", "小王", "a_c", "abc"};
    QTest::newRow("administrator") << "超级管理员" << false << 0 << QStringList{"超级管理员不能删除！"} << all;
    QTest::newRow("nothing chosen") << "" << false << 0 << QStringList{"请选择用户"} << all;
}

void TestUsers::deleteUser()
{
    QFETCH(QString, chosen);
    QFETCH(bool, vanished);
    QFETCH(int, answer);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, left);
    Session s([](test::TestDb& db) {
        operators(db);
        db.exec("insert into userdb values ('a_c','1'), ('abc','2')");
    });
    UserAdminWindow* w = s.unlockedUsers();
    w->pages->setCurrentIndex(2);
    if (!chosen.isEmpty())
        clickEntry(w->userList, chosen);
    if (vanished)
        s.db.exec("delete from userdb where username=?", {chosen});
    if (answer)
        s.fp.dialogs.answers.enqueue(QMessageBox::StandardButton(answer));
    w->deleteButton->click();

    QStringList expected = messages;
    if (answer) {
        const auto& q = s.fp.dialogs.shown.value(0);
        QCOMPARE(q.text, "你真的要删除用户：" + chosen + "吗?");
        QCOMPARE(q.icon, Dialogs::Icon::Question);
        QCOMPARE(q.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(q.defaultButton, QMessageBox::No);
        expected.prepend(q.text);
    }
    QCOMPARE(s.fp.dialogs.texts(), expected);
    QCOMPARE(s.db.cli("select username from userdb order by rowid"), left);
    // After a question the list is filled again; the deleted name's field is
    // emptied only when the deletion went ahead, the reset page's never.
    if (answer)
        QCOMPARE(items(w->userList), left);
    QCOMPARE(w->deleteName->text(), answer == QMessageBox::Yes ? QString() : chosen);
    QCOMPARE(w->resetName->text(), chosen);
}

void TestUsers::databaseErrorStopsBeforeSuccess()
{
    Session s;
    UserAdminWindow* w = s.unlockedUsers();
    clickEntry(w->userList, "小王");
    s.db.exec("alter table userdb rename to userdb_away");
    w->newName->setText("小张");
    w->addButton->click();
    w->resetButton->click();
    QCOMPARE(s.fp.dialogs.shown.size(), 2);
    for (const auto& shown : s.fp.dialogs.shown) {
        QCOMPARE(shown.icon, Dialogs::Icon::Critical);
        QVERIFY2(shown.text.contains(test::TestDb::missingTable("userdb")), qPrintable(shown.text));
    }
    QCOMPARE(items(w->userList).size(), 3);  // not refilled
}

void TestUsers::changeWindow()
{
    // A name held twice is listed once; the list is sorted.
    Session s([](test::TestDb& db) { db.exec("insert into userdb values ('zed','1'), ('abc','2'), ('zed','3')"); });
    ChangePasswordWindow* w = s.changePassword();
    QVERIFY(QTest::qWaitForWindowActive(w));
    QCOMPARE(w->windowTitle(), QString("更改密码"));
    QCOMPARE(w->size(), QSize(296, 160));
    QCOMPARE(w->minimumSize(), w->maximumSize());
    QVERIFY(!(w->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(w->windowModality(), Qt::NonModal);
    QCOMPARE(w->font().family(), QString("宋体"));
    QCOMPARE(w->font().pixelSize(), 12);

    QCOMPARE(items(w->userBox), (QStringList{"abc", "zed", "超级管理员"}));
    QVERIFY(!w->userBox->isEditable());
    QCOMPARE(w->userBox->currentIndex(), -1);
    QVERIFY(w->closeWhenDone->isChecked());
    QCOMPARE(w->closeWhenDone->text(), QString("更改完毕退出"));
    QTRY_VERIFY(w->userBox->hasFocus());

    struct Place {
        QWidget* control;
        QPoint at;
        int width;  // 0: not given
    };
    for (const Place& p : {Place{w->userBox, {88, 11}, 89}, Place{w->oldPasswordEdit, {88, 43}, 89},
                           Place{w->newPasswordEdit, {88, 75}, 89}, Place{w->repeatPasswordEdit, {88, 107}, 89},
                           Place{w->closeWhenDone, {192, 14}, 0}, Place{w->changeButton, {192, 41}, 89},
                           Place{w->exitButton, {192, 73}, 89}}) {
        QCOMPARE(p.control->pos(), p.at);
        if (p.width)
            QCOMPARE(p.control->width(), p.width);
    }
    QCOMPARE(w->changeButton->height(), 25);
    QCOMPARE(w->exitButton->height(), 25);
    for (QLineEdit* e : {w->oldPasswordEdit, w->newPasswordEdit, w->repeatPasswordEdit}) {
        QCOMPARE(e->echoMode(), QLineEdit::Password);
        QCOMPARE(e->maxLength(), 10);
    }
    for (const auto& [text, at, buddy] :
         {std::tuple{"选择操作员", QPoint(16, 15), static_cast<QWidget*>(w->userBox)},
          std::tuple{"输入旧密码", QPoint(16, 47), static_cast<QWidget*>(w->oldPasswordEdit)},
          std::tuple{"输入新密码", QPoint(16, 79), static_cast<QWidget*>(w->newPasswordEdit)},
          std::tuple{"新密码重复", QPoint(16, 111), static_cast<QWidget*>(w->repeatPasswordEdit)},
          std::tuple{"提示：密码只能输入字母和数字，最长10个字符！", QPoint(8, 139), static_cast<QWidget*>(nullptr)}}) {
        QLabel* l = labelWithText(w, text);
        QVERIFY2(l, text);
        QCOMPARE(l->pos(), at);
        QCOMPARE(l->buddy(), buddy);
        QVERIFY2(l->width() >= l->sizeHint().width(), text);
        QVERIFY2(l->geometry().right() < w->width(), text);
    }
    QCOMPARE(w->changeButton->text(), QString("更改密码"));
    QCOMPARE(w->exitButton->text(), QString("退出"));
}

void TestUsers::changePassword_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("oldPassword");
    QTest::addColumn<bool>("closeWhenDone");
    QTest::newRow("ticked: the window closes") << "小王" << "123" << true;
    QTest::newRow("unticked: the window stays") << "Tom" << "Ab9" << false;
    QTest::newRow("the administrator's own") << "超级管理员" << "507" << true;
    QTest::newRow("a name a pattern would widen") << "a_c" << "same" << true;
}

void TestUsers::changePassword()
{
    QFETCH(QString, user);
    QFETCH(QString, oldPassword);
    QFETCH(bool, closeWhenDone);
    Session s([](test::TestDb& db) {
        operators(db);
        db.exec("insert into userdb values ('a_c','same'), ('abc','same')");
    });
    QPointer<ChangePasswordWindow> w = s.changePassword();
    choose(w->userBox, user);
    w->closeWhenDone->setChecked(closeWhenDone);
    test::typeText(w->oldPasswordEdit, oldPassword);
    test::typeText(w->newPasswordEdit, "New7x");
    test::typeText(w->repeatPasswordEdit, "New7x");
    w->changeButton->click();

    QCOMPARE(s.fp.dialogs.texts(), QStringList{"你已经成功修改了密码！下次运行程序时生效！"});
    QVERIFY(s.stores(user, "New7x"));
    // The login takes the new password and no longer the old one.
    QVERIFY(LoginJournal::passwordMatches(*s.dm, user, "New7x"));
    QVERIFY(!LoginJournal::passwordMatches(*s.dm, user, oldPassword));
    // Nobody else's password changed.
    for (const auto& [other, password] : {std::pair{"超级管理员", "507"}, std::pair{"小王", "123"},
                                          std::pair{"Tom", "Ab9"}, std::pair{"a_c", "same"}, std::pair{"abc", "same"}})
        if (other != user)
            QVERIFY(s.stores(other, password));

    flushDeletes();
    QCOMPARE(w.isNull(), closeWhenDone);
    if (!closeWhenDone) {
        QVERIFY(w->isVisible());
        QCOMPARE(w->userBox->currentText(), user);
        for (QLineEdit* e : {w->oldPasswordEdit, w->newPasswordEdit, w->repeatPasswordEdit})
            QVERIFY(e->text().isEmpty());
    }
}

void TestUsers::changeRefused_data()
{
    QTest::addColumn<QString>("user");  // empty: nothing chosen
    QTest::addColumn<QString>("oldPassword");
    QTest::addColumn<QString>("newPassword");
    QTest::addColumn<QString>("repeat");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("warning");    // the required-field check's dialog
    QTest::addColumn<QString>("focused");  // the control then holding the focus
    QTest::newRow("nothing chosen") << "" << "123" << "n1" << "n1" << "请选择操作员！" << false << "ComboBox1";
    QTest::newRow("nothing chosen, all empty") << "" << "" << "" << "" << "请选择操作员！" << false << "ComboBox1";
    QTest::newRow("all empty") << "小王" << "" << "" << "" << "必须输入旧口令！" << true << "Edit1";
    QTest::newRow("no new password") << "小王" << "123" << "" << "" << "新口令长度不能为空！" << true << "Edit14";
    QTest::newRow("repeat differs in case")
        << "小王" << "123" << "abc" << "ABC" << "两次输入的密码不一致！请重新输入！" << false << "Edit15";
    QTest::newRow("repeat empty") << "小王" << "123" << "abc" << "" << "两次输入的密码不一致！请重新输入！" << false
                                  << "Edit15";
    QTest::newRow("wrong old password") << "小王" << "124" << "n1" << "n1" << "旧口令不正确！" << false << "Edit1";
    QTest::newRow("old password differs in case")
        << "Tom" << "ab9" << "n1" << "n1" << "旧口令不正确！" << false << "Edit1";
    QTest::newRow("another user's old password")
        << "Tom" << "123" << "n1" << "n1" << "旧口令不正确！" << false << "Edit1";
    QTest::newRow("user deleted meanwhile") << "gone" << "g1" << "n1" << "n1" << "旧口令不正确！" << false << "Edit1";
}

void TestUsers::changeRefused()
{
    QFETCH(QString, user);
    QFETCH(QString, oldPassword);
    QFETCH(QString, newPassword);
    QFETCH(QString, repeat);
    QFETCH(QString, message);
    QFETCH(bool, warning);
    QFETCH(QString, focused);
    Session s([](test::TestDb& db) {
        operators(db);
        db.exec("insert into userdb values ('gone','g1')");
    });
    ChangePasswordWindow* w = s.changePassword();
    QVERIFY(QTest::qWaitForWindowActive(w));
    if (!user.isEmpty())
        choose(w->userBox, user);
    if (user == "gone")
        s.db.exec("delete from userdb where username='gone'");
    w->oldPasswordEdit->setText(oldPassword);
    w->newPasswordEdit->setText(newPassword);
    w->repeatPasswordEdit->setText(repeat);
    const QString before = s.db.cli("select group_concat(username || '=' || passwd) from userdb").join("");
    w->changeButton->click();

    QCOMPARE(s.fp.dialogs.texts(), QStringList{message});
    QCOMPARE(s.fp.dialogs.shown[0].caption, QString(warning ? "Warning" : "Kestrix快递单打印软件"));
    QCOMPARE(s.db.cli("select group_concat(username || '=' || passwd) from userdb").join(""), before);
    QVERIFY(w->isVisible());
    QTRY_COMPARE(QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(), focused);
    // Only a mismatch empties a field, the repeat.
    QCOMPARE(w->oldPasswordEdit->text(), oldPassword);
    QCOMPARE(w->newPasswordEdit->text(), newPassword);
    QCOMPARE(w->repeatPasswordEdit->text(), focused == "Edit15" ? QString() : repeat);
}

void TestUsers::changeEnterChain()
{
    Session s;
    ChangePasswordWindow* w = s.changePassword();
    QVERIFY(QTest::qWaitForWindowActive(w));
    QTRY_VERIFY(w->userBox->hasFocus());
    // An arrow key in the closed list chooses the first operator and moves on.
    QTest::keyClick(w->userBox, Qt::Key_Down);
    QCOMPARE(w->userBox->currentText(), QString("Tom"));
    QTRY_VERIFY(w->oldPasswordEdit->hasFocus());
    test::typeText(w->oldPasswordEdit, "Ab9");
    QTest::keyClick(w->oldPasswordEdit, Qt::Key_Return);
    QTRY_VERIFY(w->newPasswordEdit->hasFocus());
    test::typeText(w->newPasswordEdit, "z1");
    QTest::keyClick(w->newPasswordEdit, Qt::Key_Return);
    QTRY_VERIFY(w->repeatPasswordEdit->hasFocus());
    test::typeText(w->repeatPasswordEdit, "z1");
    QTest::keyClick(w->repeatPasswordEdit, Qt::Key_Return);
    QTRY_VERIFY(w->changeButton->hasFocus());
    QVERIFY(s.fp.dialogs.shown.isEmpty());
    QTest::keyClick(w->changeButton, Qt::Key_Return);
    QCOMPARE(s.fp.dialogs.texts(), QStringList{"你已经成功修改了密码！下次运行程序时生效！"});
    QVERIFY(s.stores("Tom", "z1"));
}

void TestUsers::changeTypingFilter_data()
{
    QTest::addColumn<QString>("field");
    QTest::newRow("old") << "Edit1";
    QTest::newRow("new") << "Edit14";
    QTest::newRow("repeat") << "Edit15";
}

void TestUsers::changeTypingFilter()
{
    QFETCH(QString, field);
    Session s;
    QLineEdit* e = s.changePassword()->findChild<QLineEdit*>(field);
    QVERIFY(e);
    test::typeText(e, "a 中!Z9.xyz123456");
    QCOMPARE(e->text(), QString("aZ9xyz1234"));
    QCOMPARE(e->displayText(), QString(10, QLatin1Char('*')));
    test::commitText(e, "中");
    QCOMPARE(e->text(), QString("aZ9xyz1234"));
}

QTEST_MAIN(TestUsers)
#include "tst_users.moc"
