#include "MainSession.h"
#include "Typing.h"

#include "access/LoginWindow.h"
#include "app/AppStyle.h"
#include "app/MainWindow.h"
#include "data/Database.h"
#include "platform/RegisterChoice.h"
#include "data/LoginJournal.h"
#include "data/PasswordHash.h"
#include "data/UserAccounts.h"
#include "orders/OrderGrid.h"
#include "widgets/CommandRegistry.h"
#include "widgets/PasswordKeyFilter.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

using namespace kx;

// A main window on a fresh database, shown, with its login window open.
struct Session : test::MainSession {
    explicit Session(const std::function<void(test::TestDb&)>& fixture = {}) : MainSession(fixture)
    {
        QVERIFY(waitForLogin());
    }
    LoginWindow* login() const { return main->login(); }
};

class TestLogin : public QObject {
    Q_OBJECT
private slots:
    // The program's style, installed before the first window as at program start.
    void initTestCase() { QApplication::setStyle(m_style = new AppStyle); }

    void loginWindowShownAndFilled();
    void administratorLogsIn();
    void ordinaryUserLosesEntriesAndColumns();
    void refused_data();
    void refused();
    void clearPasswordsHashedAtLogin_data();
    void clearPasswordsHashedAtLogin();
    void requiredFields();
    void passwordKeyFilter_data();
    void passwordKeyFilter();
    void passwordTypingFilter();
    void enterChain();
    void closingWithoutLoginEndsProgram();
    void nullCourierDoesNotLockOut();
    void journalFailureRetriesWithoutSecondRow();
    void exitWritesJtime();
    void stationsKeepTheirOwnJournalRows();

private:
    QPointer<QStyle> m_style;  // a style replaced later is deleted
};

void TestLogin::loginWindowShownAndFilled()
{
    Session s([](test::TestDb& db) { db.exec("insert into userdb values ('小王','123'), ('阿杰','9')"); });
    QCOMPARE(s.login()->windowTitle(), QString("用户登录"));
    QCOMPARE(s.login()->userBox->count(), 3);
    QCOMPARE(s.login()->userBox->currentIndex(), 0);
    QVERIFY(s.login()->isModal());
    QCOMPARE(s.main->journalNumber(), 0);

    // The start-up sequence that ran before the login keeps the program's
    // style: replacing it would repolish the labels out of their font.
    QVERIFY(m_style && QApplication::style() == m_style.data());
    // The register this login opens, whole in the tooltip.
    QCOMPARE(s.login()->registerLabel->toolTip(), "数据库：" + RegisterChoice::label(s.db.path()));
    for (const char* caption : {"用户名称：", "输入密码：", "初始登陆密码：507"}) {
        QLabel* label = nullptr;
        for (QLabel* l : s.login()->findChildren<QLabel*>())
            if (l->text() == QString(caption))
                label = l;
        QVERIFY2(label, caption);
        QCOMPARE(label->font().family(), QString("宋体"));
        QCOMPARE(label->font().pixelSize(), 14);
        QCOMPARE(QFontInfo(label->font()).pixelSize(), 14);
    }
}

void TestLogin::administratorLogsIn()
{
    Session s;
    s.logIn("超级管理员", " 507 ");  // blanks around a pasted password are trimmed
    QVERIFY(!s.login()->isVisible());
    QVERIFY(s.login()->loggedIn());
    QCOMPARE(s.main->statusPanel(1)->text(), QString("超级管理员"));
    // One journal row, checked by the independent tool.
    QCOMPARE(s.db.cli("select id, username, btime, ifnull(jtime,'-') from rz"),
             QStringList{"1|超级管理员|2026-12-10 09:30:15|-"});
    QCOMPARE(s.main->journalNumber(), 1);
    CommandRegistry* c = s.main->commands();
    for (QAction* a : {c->action(Command::GridNew), c->action(Command::GridEdit), c->action(Command::GridDelete), c->action(Command::GridHideItems), c->action(Command::ChangePassword)})
        QVERIFY2(a->isVisible(), qPrintable(a->text()));
    for (int col = 0; col < 12; ++col)
        QVERIFY(s.main->grid()->isColumnVisible(col));
    // The show-all action ran: the grid's query holds every order.
    QVERIFY(s.dm->gridResult.isOpen());
    // A later activation does not ask again; the login would come from a
    // posted call, which processing the pending events runs.
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(s.main.get(), &activate);
    QCoreApplication::processEvents();
    QVERIFY(!s.login()->isVisible());
}

void TestLogin::ordinaryUserLosesEntriesAndColumns()
{
    Session s([](test::TestDb& db) { db.exec("insert into userdb values ('小王','abc123')"); });
    s.logIn("小王", "abc123");
    QVERIFY(!s.login()->isVisible());
    CommandRegistry* c = s.main->commands();
    for (QAction* a : {c->action(Command::GridNew), c->action(Command::GridEdit), c->action(Command::GridDelete), c->action(Command::GridHideItems), c->action(Command::ChangePassword)})
        QVERIFY2(!a->isVisible(), qPrintable(a->text()));
    QVERIFY(c->action(Command::NewOrder)->isVisible());
    QVERIFY(c->action(Command::UserAdmin)->isVisible());
    // Its window asks for the administrator's password, as the user administration does.
    QVERIFY(c->action(Command::DatabaseConnection)->isVisible());
    for (int col = 0; col < 12; ++col)
        QCOMPARE(s.main->grid()->isColumnVisible(col), col != 5 && col != 6 && col != 11);
    QCOMPARE(s.db.scalar("select username from rz").toString(), QString("小王"));
}

void TestLogin::refused_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("wrong password") << "超级管理员" << "508";
    QTest::newRow("injection in password") << "超级管理员" << "' or '1'='1";
    QTest::newRow("quote in user") << "超级管理员'--" << "507";
    QTest::newRow("wildcards in user") << "%" << "507";
    QTest::newRow("underscore and bracket") << "[_]" << "507";
    QTest::newRow("trailing blank in user") << "超级管理员 " << "507";
    QTest::newRow("two identical rows") << "双" << "77";
}

void TestLogin::refused()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    Session s([](test::TestDb& db) { db.exec("insert into userdb values ('双','77'), ('双','77')"); });
    s.logIn(user, password);
    QVERIFY(s.login()->isVisible());
    QVERIFY(!s.login()->loggedIn());
    QCOMPARE(s.fp.dialogs.texts(), QStringList{"密码不正确！请重新输入！"});
    QCOMPARE(s.fp.dialogs.shown[0].caption, QString("Kestrix快递单打印软件"));
    QCOMPARE(s.login()->passwordEdit->text(), QString());
    QCOMPARE(s.db.scalar("select count(*) from rz").toInt(), 0);
    // The window stays usable: the right pair still logs in.
    s.logIn("超级管理员", "507");
    QVERIFY(s.login()->loggedIn());
}

// A register made before passwords were hashed: the first login hashes every
// user's, all or none, and everybody logs in as before.
void TestLogin::clearPasswordsHashedAtLogin_data()
{
    QTest::addColumn<bool>("writeFails");  // at the third row, after two were written
    QTest::newRow("every row hashed") << false;
    QTest::newRow("a failed write hashes none") << true;
}

void TestLogin::clearPasswordsHashedAtLogin()
{
    QFETCH(bool, writeFails);
    // The failure is made with a trigger of the file's engine.
    if (writeFails)
        KX_FILE_ONLY();
    const QList<std::pair<QString, QString>> users = {
        {"超级管理员", "507"}, {"小王", "123"}, {"Tom", "Ab9"}, {"阿杰", "123"}};
    Session s([&](test::TestDb& db) {
        db.exec("update userdb set passwd='507'");
        db.exec("insert into userdb values ('小王','123'), ('Tom','Ab9'), ('阿杰','123'), ('双','77'), ('双','77'), "
                "('无', null)");
        if (writeFails)
            db.exec("create trigger refuse before update on userdb when new.username='Tom' "
                    "begin select raise(abort, 'userdb refuses the change'); end");
    });
    const QString rows = "select username, ifnull(passwd, '-') from userdb order by rowid";
    const QStringList before = s.db.cli(rows);
    s.logIn("小王", " 123 ");
    // Whether or not the passwords could be hashed, the login goes on.
    QVERIFY(s.login()->loggedIn());
    QCOMPARE(s.main->journalNumber(), 1);
    const QStringList after = s.db.cli(rows);
    QCOMPARE(after.size(), before.size());
    if (writeFails) {
        QCOMPARE(s.fp.dialogs.texts().size(), 1);
        QVERIFY2(s.fp.dialogs.lastText().contains("userdb refuses the change"), qPrintable(s.fp.dialogs.lastText()));
        QCOMPARE(after, before);
    } else {
        QCOMPARE(s.fp.dialogs.texts(), QStringList{});
        QSet<QString> hashes;
        for (const QString& row : after) {
            const QString name = row.section('|', 0, 0);
            const QString stored = row.section('|', 1);
            if (name == "无")
                QCOMPARE(stored, QString("-"));
            else
                QVERIFY2(stored.startsWith("$argon2id$"), qPrintable(row));
            hashes.insert(stored);
        }
        QCOMPARE(hashes.size(), after.size());  // a salt of its own for each row
        // A second login finds nothing left in the clear and rewrites nothing.
        QCOMPARE(UserAccounts::hashClearPasswords(*s.dm), 0);
        QCOMPARE(s.db.cli(rows), after);
    }
    for (const auto& [user, password] : users)
        QVERIFY2(LoginJournal::passwordMatches(*s.dm, user, password), qPrintable(user));
    // Two rows of one name with the same password still open nothing, nor
    // does another user's password.
    QVERIFY(!LoginJournal::passwordMatches(*s.dm, "双", "77"));
    QVERIFY(!LoginJournal::passwordMatches(*s.dm, "Tom", "123"));
    QVERIFY(!LoginJournal::passwordMatches(*s.dm, "无", ""));
}

void TestLogin::requiredFields()
{
    Session s;
    s.logIn("  ", "507");
    QCOMPARE(s.fp.dialogs.lastText(), QString("必须选择用户！"));
    QCOMPARE(s.fp.dialogs.shown.last().caption, QString("Warning"));
    s.logIn("超级管理员", "");
    QCOMPARE(s.fp.dialogs.lastText(), QString("必须输入密码！"));
    QCOMPARE(s.fp.dialogs.shown.size(), 2);
    QVERIFY(s.login()->isVisible());
}

void TestLogin::passwordKeyFilter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("committed");  // by an input method rather than keys
    QTest::addColumn<QString>("shown");
    QTest::newRow("letters") << "abXY" << false << "abXY";
    QTest::newRow("digits") << "0129" << false << "0129";
    QTest::newRow("punctuation and blank") << "a!-. _b" << false << "ab";
    QTest::newRow("Chinese keys") << "中a文" << false << "a";
    QTest::newRow("full-width letter and digit") << "ａ１z" << false << "z";
    QTest::newRow("ten characters at most") << "abcdefghij12" << false << "abcdefghij";
    QTest::newRow("input method mixed") << "中!a" << true << "";
    QTest::newRow("input method plain, cut at ten") << "abc123456789" << true << "abc1234567";
}

void TestLogin::passwordKeyFilter()
{
    QFETCH(QString, typed);
    QFETCH(bool, committed);
    QFETCH(QString, shown);
    QLineEdit field;
    PasswordKeyFilter::install(&field);
    QCOMPARE(field.echoMode(), QLineEdit::Password);
    QVERIFY(!field.testAttribute(Qt::WA_InputMethodEnabled));
    if (committed)
        test::commitText(&field, typed);
    else
        test::typeText(&field, typed);
    QCOMPARE(field.text(), shown);
    QCOMPARE(field.displayText(), QString(shown.size(), QLatin1Char('*')));
    QTest::keyClick(&field, Qt::Key_Backspace);
    QCOMPARE(field.text(), shown.left(shown.size() - 1));  // nothing to take from an empty field
    // Enter reaches the field, so that an Enter chain can move on.
    QSignalSpy enter(&field, &QLineEdit::returnPressed);
    QTest::keyClick(&field, Qt::Key_Return);
    QCOMPARE(enter.size(), 1);
}

void TestLogin::passwordTypingFilter()
{
    Session s;
    QLineEdit* e = s.login()->passwordEdit;
    e->setFocus();
    test::typeText(e, "ab!中C9");
    QCOMPARE(e->text(), QString("abC9"));
    test::typeText(e, "1234567");
    QCOMPARE(e->text(), QString("abC9123456"));  // at most ten characters
    QTest::keyClick(e, Qt::Key_Backspace);
    QCOMPARE(e->text(), QString("abC912345"));
    QCOMPARE(e->echoMode(), QLineEdit::Password);
    QCOMPARE(e->displayText(), QString("*********"));
    // A skin is an application style sheet: the mask stays.
    qApp->setStyleSheet("QLineEdit { background: white; }");
    QCOMPARE(e->displayText(), QString("*********"));
    qApp->setStyleSheet(QString());
    test::commitText(e, "中!a");
    QCOMPARE(e->text(), QString("abC912345"));
}

void TestLogin::enterChain()
{
    Session s;
    QVERIFY(QTest::qWaitForWindowActive(s.login()));
    s.login()->userBox->setFocus();
    QTRY_VERIFY(QApplication::focusWidget() == s.login()->userBox);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(s.login()->passwordEdit->hasFocus());
    test::typeText(s.login()->passwordEdit, "507");
    QTest::keyClick(s.login()->passwordEdit, Qt::Key_Return);
    QTRY_VERIFY(s.login()->loginButton->hasFocus());
    QVERIFY(s.login()->isVisible());  // the first Enter only moves the focus
    QTest::keyClick(s.login()->loginButton, Qt::Key_Return);
    QVERIFY(s.login()->loggedIn());
}

void TestLogin::closingWithoutLoginEndsProgram()
{
    Session s;
    s.login()->reject();  // the close box
    QVERIFY(!s.login()->isVisible());
    QVERIFY(!s.main->isVisible());
    QCOMPARE(s.db.scalar("select count(*) from rz").toInt(), 0);
}

void TestLogin::nullCourierDoesNotLockOut()
{
    Session s([](test::TestDb& db) { db.addOrder({{"a", "张三"}}); });
    s.logIn("超级管理员", "507");
    // The null courier stops the order list with the conversion error, but
    // the login completes so that the operator can repair the data.
    QCOMPARE(s.fp.dialogs.texts(),
             QStringList{"Could not convert variant of type (Null) into type (String)."});
    QCOMPARE(s.fp.dialogs.shown[0].icon, Dialogs::Icon::Critical);
    QVERIFY(!s.login()->isVisible());
    QCOMPARE(s.main->journalNumber(), 1);
}

void TestLogin::journalFailureRetriesWithoutSecondRow()
{
    Session s;
    s.db.exec("alter table rz rename to rz_away");
    s.logIn("超级管理员", "507");
    QVERIFY(s.login()->isVisible());
    QCOMPARE(s.fp.dialogs.shown.size(), 1);
    QVERIFY(s.fp.dialogs.lastText().contains(test::TestDb::missingTable("rz")));
    QCOMPARE(s.main->journalNumber(), 0);
    s.db.exec("alter table rz_away rename to rz");
    s.login()->loginButton->click();  // retried with "登 录"
    QVERIFY(!s.login()->isVisible());
    QCOMPARE(s.db.scalar("select count(*) from rz").toInt(), 1);
    QCOMPARE(s.main->journalNumber(), 1);
}

void TestLogin::exitWritesJtime()
{
    Session s;
    s.logIn("超级管理员", "507");
    s.fp.clock.moment = QDateTime(QDate(2026, 12, 10), QTime(18, 0, 1));
    s.main->close();
    QCOMPARE(s.db.cli("select btime, jtime from rz"), QStringList{"2026-12-10 09:30:15|2026-12-10 18:00:01"});

    // The exit statement failing still ends the program.
    Session t;
    t.logIn("超级管理员", "507");
    t.db.exec("alter table rz rename to rz_away");
    t.main->close();
    QVERIFY(!t.main->isVisible());
    QVERIFY(t.fp.dialogs.lastText().contains(test::TestDb::missingTable("rz")));
}

// Two stations log in on one file, and a third station's row lands in the
// journal right after the first login's own (a trigger stands in for it: no
// other program can be made to write between two statements of this one).
// Each exit time goes on the row of the login that exits; the third
// station's row gets none. Both main windows are in this process, so the
// first one closing ends the program and closes the second as well.
void TestLogin::stationsKeepTheirOwnJournalRows()
{
    // The failure is made with a trigger of the file's engine.
    KX_FILE_ONLY();
    Session a([](test::TestDb& db) {
        db.exec("insert into userdb values ('小王','123')");
        db.exec("create trigger third_station after insert on rz when new.username='超级管理员' "
                "begin insert into rz (username, btime) values ('阿杰', new.btime); end");
    });
    a.logIn("超级管理员", "507");
    QVERIFY(a.login()->loggedIn());

    test::FakePlatform bp;
    bp.clock.moment = QDateTime(QDate(2026, 12, 10), QTime(9, 40, 0));
    Database bdm;
    MainWindow b(bdm, bp.platform);
    b.show();
    QCoreApplication::processEvents();
    QVERIFY(b.login()->isVisible());
    b.login()->userBox->setEditText("小王");
    b.login()->passwordEdit->setText("123");
    b.login()->loginButton->click();
    QVERIFY(b.login()->loggedIn());

    a.fp.clock.moment = QDateTime(QDate(2026, 12, 10), QTime(18, 0, 1));
    bp.clock.moment = QDateTime(QDate(2026, 12, 10), QTime(18, 30, 0));
    a.main->close();
    QVERIFY(!b.isVisible());
    QCOMPARE(a.db.cli("select id, username, btime, ifnull(jtime,'-') from rz order by id"),
             (QStringList{"1|超级管理员|2026-12-10 09:30:15|2026-12-10 18:00:01", "2|阿杰|2026-12-10 09:30:15|-",
                          "3|小王|2026-12-10 09:40:00|2026-12-10 18:30:00"}));
    QCOMPARE(a.fp.dialogs.texts() + bp.dialogs.texts(), QStringList());
}

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
