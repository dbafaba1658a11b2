// The connection window: reached from the settings menu by every user and
// unlocked by the administrator's password; what it saves; its connection
// test against a server that is not there and one of the test's own; and the
// start's way out when the chosen server cannot be reached.
#include "MainSession.h"
#include "PgTestServer.h"

#include "data/Connection.h"
#include "data/Database.h"
#include "data/ServerConnection.h"
#include "maintenance/ConnectionWindow.h"
#include "maintenance/StartupRecovery.h"
#include "platform/RegisterChoice.h"
#include "platform/SettingsKeys.h"
#include "widgets/CommandRegistry.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace kx;

namespace {

// A server address where nothing listens: the connection is refused at once.
const QString nobodyHost = "127.0.0.1";
constexpr int nobodyPort = 1;

QString savedChoice(const test::FakePlatform& fp)
{
    return fp.settings.keys.value(settingsKeys::connection).value("database", "-");
}

// A main window logged in as an ordinary user: the menu entry is there for
// every user, the window's own gate keeps it for the administrator.
struct Session : test::MainSession {
    Session()
        : MainSession([](test::TestDb& db) { db.exec("insert into userdb values ('小王','abc123')"); })
    {
        if (!waitForLogin())
            qFatal("no login window");
        logIn("小王", "abc123");
        fp.dialogs.clear();
    }
    ~Session()
    {
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    ConnectionWindow* open()
    {
        main->commands()->action(Command::DatabaseConnection)->trigger();
        ConnectionWindow* found = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* c = qobject_cast<ConnectionWindow*>(w))
                found = c;
        return found;
    }
    ConnectionWindow* unlocked()
    {
        ConnectionWindow* w = open();
        w->adminPasswordEdit->setText("507");
        w->unlockButton->click();
        fp.dialogs.clear();
        return w;
    }
};

void fillServer(ConnectionWindow* w, const QString& host, int port, const QString& database, const QString& user)
{
    w->serverChoice->setChecked(true);
    w->hostEdit->setText(host);
    w->portBox->setValue(port);
    w->databaseEdit->setText(database);
    w->userEdit->setText(user);
}

}  // namespace

class TestConnectionWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void gate_data();
    void gate();
    void save_data();
    void save();
    void testUnreachableServer();
    void testOwnServer_data();
    void testOwnServer();
    void startFallback_data();
    void startFallback();
    void startAsksForPassword();
    void startWindowSavesWithoutGate();

private:
    std::unique_ptr<PgTestServer> m_server;
    QString m_serverMissing;
};

void TestConnectionWindow::initTestCase()
{
    m_server = std::make_unique<PgTestServer>();
    if (PgTestServer::binDir().isEmpty())
        m_serverMissing = "the PostgreSQL server programs are not installed";
    else
        QVERIFY2(m_server->start(), qPrintable(m_server->error()));
    // No password file of the machine's user answers for the test's accounts.
    qputenv("PGPASSFILE", QFile::encodeName(QDir::temp().filePath("kx-no-pgpass")));
    if (!m_serverMissing.isEmpty())
        return;
    // A register whose account must give a password, as a shop's server has it.
    const QString uri = m_server->createDatabase("pw_register");
    QVERIFY2(!uri.isEmpty(), qPrintable(m_server->error()));
    QCOMPARE(QProcess::execute(KX_NEWDB_PATH, {uri}), 0);
    QVERIFY2(m_server->psql("pw_register", "create role shopkeeper login password 'Secret-7';"
                                           "grant all on all tables in schema public to shopkeeper;"
                                           "grant all on all sequences in schema public to shopkeeper"),
             qPrintable(m_server->error()));
    QFile hba(m_server->socketDir() + "/data/pg_hba.conf");
    QVERIFY(hba.open(QIODevice::ReadOnly));
    const QByteArray rules = hba.readAll();
    hba.close();
    QVERIFY(hba.open(QIODevice::WriteOnly | QIODevice::Truncate));
    hba.write("local all shopkeeper scram-sha-256\nhost all shopkeeper 127.0.0.1/32 scram-sha-256\n" + rules);
    hba.close();
    QVERIFY2(m_server->psql("postgres", "select pg_reload_conf()"), qPrintable(m_server->error()));
}

void TestConnectionWindow::gate_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("opens");
    QTest::newRow("administrator's password") << "507" << true;
    QTest::newRow("the user's own password") << "abc123" << false;
    QTest::newRow("empty") << "" << false;
}

// Nothing can be changed or tested before the administrator's password; the
// window names the register in use either way, and a second choice of the
// entry brings the same window forward.
void TestConnectionWindow::gate()
{
    QFETCH(QString, password);
    QFETCH(bool, opens);
    Session s;
    ConnectionWindow* w = s.open();
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QString("数据库连接"));
    QCOMPARE(w->currentRegisterLabel->text(), QDir::toNativeSeparators(s.db.path()));
    for (QWidget* c : std::initializer_list<QWidget*>{w->localFileChoice, w->serverChoice, w->hostEdit,
                                                      w->testButton, w->saveButton})
        QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
    QCOMPARE(w->adminPasswordEdit->echoMode(), QLineEdit::Password);

    w->adminPasswordEdit->setText(password);
    w->unlockButton->click();
    QCOMPARE(s.fp.dialogs.texts(), opens ? QStringList() : QStringList{"密码不对！"});
    QCOMPARE(w->saveButton->isEnabled(), opens);
    QCOMPARE(w->serverChoice->isEnabled(), opens);
    // Saving while locked writes nothing.
    w->save();
    QCOMPARE(savedChoice(s.fp), opens ? QString("") : QString("-"));
    QCOMPARE(s.open(), w);
}

void TestConnectionWindow::save_data()
{
    QTest::addColumn<QString>("before");    // the saved choice the window starts from; "-" for none
    QTest::addColumn<QStringList>("fields");  // host, port, database, user, TLS mode; empty for the local file
    QTest::addColumn<QString>("saved");
    QTest::newRow("server") << "-" << QStringList{"192.168.1.10", "5432", "kestrix", "shop", "prefer"}
                            << "postgresql://shop@192.168.1.10:5432/kestrix?sslmode=prefer";
    QTest::newRow("names with reserved characters")
        << "-" << QStringList{" office-pc ", "6000", "订单/库", "店主@1", "require"}
        << "postgresql://%E5%BA%97%E4%B8%BB%401@office-pc:6000/%E8%AE%A2%E5%8D%95%2F%E5%BA%93?sslmode=require";
    QTest::newRow("the saved URI's own settings kept")
        << "postgresql://shop@h:5432/k?connect_timeout=3&sslmode=verify-full"
        << QStringList{"h", "5432", "k", "shop", ""} << "postgresql://shop@h:5432/k?connect_timeout=3&sslmode=verify-full";
    QTest::newRow("back to the local file") << "postgresql://shop@h:5432/k?sslmode=prefer" << QStringList{} << "";
}

// What is saved is the URI of the fields, no password, and the window says
// that it takes effect at the next start; the register in use stays.
void TestConnectionWindow::save()
{
    QFETCH(QString, before);
    QFETCH(QStringList, fields);
    QFETCH(QString, saved);
    Session s;
    if (before != "-")
        s.fp.settings.keys[settingsKeys::connection]["database"] = before;
    ConnectionWindow* w = s.unlocked();
    // The window starts from the saved choice.
    QCOMPARE(w->serverChoice->isChecked(), before != "-");
    if (fields.isEmpty()) {
        w->localFileChoice->setChecked(true);
        QVERIFY(!w->hostEdit->isEnabled());
        QVERIFY(!w->testButton->isEnabled());
    } else {
        fillServer(w, fields[0], fields[1].toInt(), fields[2], fields[3]);
        if (!fields[4].isEmpty())
            w->sslModeBox->setCurrentIndex(w->sslModeBox->findData(fields[4]));
    }
    w->saveButton->click();
    QCOMPARE(savedChoice(s.fp), saved);
    QCOMPARE(s.fp.dialogs.texts().size(), 1);
    QVERIFY2(s.fp.dialogs.lastText().contains("下次启动"), qPrintable(s.fp.dialogs.lastText()));
    QCOMPARE(w->currentRegisterLabel->text(), QDir::toNativeSeparators(s.db.path()));
    QVERIFY(s.dm->connection.isOpen());
}

// The test runs away from the window's thread: the click returns at once,
// the button waits, and the server's reason arrives in Chinese words.
void TestConnectionWindow::testUnreachableServer()
{
    Session s;
    ConnectionWindow* w = s.unlocked();
    fillServer(w, nobodyHost, nobodyPort, "kestrix", "shop");
    w->testButton->click();
    QVERIFY(w->isTesting());
    QVERIFY(!w->testButton->isEnabled());
    QVERIFY(s.fp.dialogs.shown.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(s.fp.dialogs.shown.size(), 1, 15000);
    const QString text = s.fp.dialogs.lastText();
    QVERIFY2(text.startsWith("无法连接数据库服务器 127.0.0.1/kestrix。\n原因："), qPrintable(text));
    QVERIFY2(text.contains("Connection refused"), qPrintable(text));
    QVERIFY(!text.contains("Cannot connect"));
    QCOMPARE(s.fp.dialogs.shown.last().icon, Dialogs::Icon::Warning);
    QVERIFY(w->testButton->isEnabled());
    // Testing saves nothing.
    QCOMPARE(savedChoice(s.fp), QString("-"));
    QVERIFY(!QApplication::overrideCursor());

    // A window closed while its test runs gets no answer, and the busy
    // cursor goes all the same.
    w->testButton->click();
    QVERIFY(QApplication::overrideCursor());
    QPointer<ConnectionWindow> closed(w);
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(closed.isNull());
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::overrideCursor(), 15000);
    QCOMPARE(s.fp.dialogs.shown.size(), 1);
}

void TestConnectionWindow::testOwnServer_data()
{
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("typed");   // the password typed when asked; "-" when none may be asked
    QTest::addColumn<QString>("answer");  // part of the message
    QTest::newRow("a register") << "shop_register" << "kxtest" << "-" << "连接成功：";
    QTest::newRow("an empty database") << "shop_empty" << "kxtest" << "-" << "还没有订单库";
    QTest::newRow("password asked") << "pw_register" << "shopkeeper" << "Secret-7" << "连接成功：";
    QTest::newRow("wrong password") << "pw_register" << "shopkeeper" << "secret-7" << "password authentication failed";
    QTest::newRow("password declined") << "pw_register" << "shopkeeper" << "" << "no password supplied";
}

// Against a server of the test's own: success, a database without the
// register, and an account that wants a password, which is asked for once
// and goes nowhere but into the connection.
void TestConnectionWindow::testOwnServer()
{
    QFETCH(QString, database);
    QFETCH(QString, user);
    QFETCH(QString, typed);
    QFETCH(QString, answer);
    if (!m_serverMissing.isEmpty())
        QSKIP(qPrintable(m_serverMissing));
    if (database != "pw_register") {
        const QString uri = m_server->createDatabase(database);
        QVERIFY2(!uri.isEmpty(), qPrintable(m_server->error()));
        if (database == "shop_register")
            QCOMPARE(QProcess::execute(KX_NEWDB_PATH, {uri}), 0);
    }

    Session s;
    ConnectionWindow* w = s.unlocked();
    QStringList asked;
    w->askPassword = [&](QWidget*, const QString& label) -> std::optional<QString> {
        asked << label;
        return typed.isEmpty() ? std::nullopt : std::optional<QString>(typed);
    };
    // The socket folder as the host, as libpq takes it.
    fillServer(w, m_server->socketDir(), m_server->port(), database, user);
    w->testButton->click();
    QTRY_COMPARE_WITH_TIMEOUT(s.fp.dialogs.shown.size(), 1, 15000);
    QVERIFY(!w->isTesting());
    const QString text = s.fp.dialogs.lastText();
    QVERIFY2(text.contains(answer), qPrintable(text));
    QVERIFY(text.contains(m_server->socketDir() + "/" + database));
    QCOMPARE(asked, typed == "-" ? QStringList() : QStringList{m_server->socketDir() + "/" + database});
    if (typed != "-" && !typed.isEmpty())
        QVERIFY(!text.contains(typed));
    QCOMPARE(savedChoice(s.fp), QString("-"));
}

void TestConnectionWindow::startFallback_data()
{
    QTest::addColumn<QList<int>>("answers");    // the buttons pressed, in turn
    QTest::addColumn<QStringList>("chosen");    // what the connection window saves each time; "-" closes it
    QTest::addColumn<bool>("opens");            // whether the local file is opened
    QTest::addColumn<int>("windows");           // how often the connection window came up
    using B = QMessageBox;
    QTest::newRow("local file") << QList<int>{B::No} << QStringList{} << true << 0;
    QTest::newRow("quit") << QList<int>{B::Cancel} << QStringList{} << false << 0;
    QTest::newRow("retry, then the local file") << QList<int>{B::Retry, B::No} << QStringList{} << true << 0;
    QTest::newRow("window saves the local file") << QList<int>{B::Yes} << QStringList{""} << true << 1;
    QTest::newRow("window closed, then quit") << QList<int>{B::Yes, B::Cancel} << QStringList{"-"} << false << 1;
    QTest::newRow("window names another server that is down")
        << QList<int>{B::Yes, B::Cancel} << QStringList{"postgresql://shop@127.0.0.1:2/other"} << false << 1;
}

// A server that cannot be reached never locks the shop out: it is named with
// its reason, and the local file or the connection window are offered.
void TestConnectionWindow::startFallback()
{
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, chosen);
    QFETCH(bool, opens);
    QFETCH(int, windows);
    test::TestDb db;
    test::FakePlatform fp;
    for (int a : answers)
        fp.dialogs.answers.enqueue(QMessageBox::StandardButton(a));
    QStringList windowOpenedOn;
    StartupRecovery::ServerPrompts prompts;
    prompts.askPassword = [](const QString&) -> std::optional<QString> {
        qFatal("no password is asked for a server that does not answer");
        return std::nullopt;
    };
    prompts.chooseConnection = [&](const QString& current) -> std::optional<QString> {
        windowOpenedOn << current;
        const QString next = chosen.value(windowOpenedOn.size() - 1, "-");
        return next == "-" ? std::nullopt : std::optional<QString>(next);
    };
    const QString uri = "postgresql://shop@127.0.0.1:1/kestrix?sslmode=prefer";
    const std::unique_ptr<Database> dm = StartupRecovery::open(fp.platform, uri, prompts);

    QCOMPARE(dm != nullptr, opens);
    if (dm)
        QCOMPARE(QFileInfo(dm->path()).absoluteFilePath(), db.path());
    QCOMPARE(windowOpenedOn.size(), windows);
    QCOMPARE(fp.dialogs.shown.size(), answers.size());
    const auto& first = fp.dialogs.shown.first();
    QVERIFY2(first.text.startsWith("无法打开数据库服务器上的订单库 127.0.0.1/kestrix。\n原因："), qPrintable(first.text));
    QVERIFY2(first.text.contains("Connection refused"), qPrintable(first.text));
    QVERIFY2(first.text.contains(QDir::toNativeSeparators(db.path())), qPrintable(first.text));
    QCOMPARE(first.buttons, QMessageBox::Retry | QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (windows > 0 && chosen.first().startsWith("postgresql:"))
        QVERIFY(fp.dialogs.shown.last().text.contains("127.0.0.1/other"));
}

// A server that wants a password nobody gave asks for it once at start; the
// password reaches the connection and no setting or message.
void TestConnectionWindow::startAsksForPassword()
{
    if (!m_serverMissing.isEmpty())
        QSKIP(qPrintable(m_serverMissing));
    test::TestDb db;
    test::FakePlatform fp;
    // Should the register not open behind the password, the start ends.
    fp.dialogs.answers.enqueue(QMessageBox::Cancel);
    QStringList asked;
    StartupRecovery::ServerPrompts prompts;
    prompts.askPassword = [&](const QString& label) -> std::optional<QString> {
        asked << label;
        return QString("Secret-7");
    };
    prompts.chooseConnection = [](const QString&) -> std::optional<QString> { return std::nullopt; };
    const QString uri = RegisterChoice::buildUri({m_server->socketDir(), m_server->port(), "pw_register", "shopkeeper", {}});
    const std::unique_ptr<Database> dm = StartupRecovery::open(fp.platform, uri, prompts);
    // Kept for the run's later connections, never in the environment.
    QVERIFY(qEnvironmentVariableIsEmpty("PGPASSWORD"));

    QCOMPARE(asked, QStringList{m_server->socketDir() + "/pw_register"});
    QVERIFY(fp.settings.keys.isEmpty());
    QVERIFY(dm);
    QCOMPARE(dm->path(), uri);
    QVERIFY(dm->connection.isOpen());
    Connection again;
    again.open(uri, {});
    QVERIFY(again.isOpen());
    ServerConnection::setSessionPassword(QString());
    QVERIFY(fp.dialogs.shown.isEmpty());
}

// At start there is no register to check a password against: the window
// opens without a gate, and what it saves is used at once.
void TestConnectionWindow::startWindowSavesWithoutGate()
{
    test::FakePlatform fp;
    bool gated = true;
    QTimer::singleShot(0, [&] {
        auto* seen = qobject_cast<ConnectionWindow*>(QApplication::activeModalWidget());
        if (!seen) {
            // Ends the call all the same, with nothing saved.
            if (QApplication::activeModalWidget())
                QApplication::activeModalWidget()->close();
            return;
        }
        gated = seen->adminPasswordEdit != nullptr || !seen->saveButton->isEnabled();
        fillServer(seen, "office-pc", 5433, "kestrix", "shop");
        seen->saveButton->click();
    });
    const std::optional<QString> result =
        ConnectionWindow::chooseAtStart(fp.platform, "postgresql://shop@127.0.0.1:1/kestrix");
    QVERIFY(!gated);
    QCOMPARE(result, std::optional<QString>("postgresql://shop@office-pc:5433/kestrix?sslmode=prefer"));
    QCOMPARE(savedChoice(fp), *result);
    QVERIFY(fp.dialogs.shown.isEmpty());
}

QTEST_MAIN(TestConnectionWindow)
#include "tst_connectionwindow.moc"
