// The courier web lookup, the support menu, the about box and the status bar
// link of the main window. One test drives the real embedded browser against
// a page on a local server; the rest watch a fake browser and the shell seam.
#include "Fakes.h"
#include "MainSession.h"
#include "TestHttpServer.h"

#include "extras/Extras.h"
#include "extras/Restarter.h"
#include "extras/AboutBox.h"
#include "extras/WebEngineBrowser.h"
#include "orders/OrderEditorPanel.h"
#include "widgets/CommandRegistry.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QWebEngineView>
#include <QtTest>
#include <unistd.h>

using namespace kx;
using namespace kx::test;

namespace {

class FakeBrowser : public Browser {
public:
    explicit FakeBrowser(QWidget* parent) : m_widget(new QWidget(parent)) {}
    QWidget* widget() override { return m_widget; }
    void navigate(const QUrl& url) override { visited << url; }
    QList<QUrl> visited;

private:
    QWidget* m_widget;
};

class NoRestart : public Restarter {
public:
    void restart(const QStringList&) override {}
};

// What the system is, as a test says: root or not, and no package.
SystemFacts facts(bool root)
{
    return {[root] { return root; }, [](const QString&) { return false; }};
}

// A main window with the extras installed over a fake browser.
struct ExtrasSession {
    MainSession session;
    NoRestart restarter;
    Extras::Parts parts;
    int browsersMade = 0;

    explicit ExtrasSession(bool root = false)
    {
        parts = Extras::install(
            *session.main, session.fp.platform, restarter,
            [this](QWidget* parent) {
                ++browsersMade;
                return std::make_unique<FakeBrowser>(parent);
            },
            courierSites(), defaultUpdateSettings(), {}, facts(root));
    }
    MainWindow& main() { return *session.main; }
    QAction* action(Command c) { return session.main->commands()->action(c); }
    FakeBrowser& browser() { return *static_cast<FakeBrowser*>(parts.lookup->browser()); }
    QStringList& opened() { return session.fp.shell.opened; }
};

}  // namespace

class TestLookup : public QObject {
    Q_OBJECT
private slots:
    void lookupOpensOnceEmptyBesideTheMainWindow();
    void pictureShowsItsCourier_data();
    void pictureShowsItsCourier();
    void closingKeepsThePage();
    void asRootNoBrowserStartsAndTheAddressIsShown();
    void supportMenu();
    void aboutBox();
    void statusBarOpensSite_data();
    void statusBarOpensSite();
    void realBrowserLoadsClickedPage();
};

void TestLookup::lookupOpensOnceEmptyBesideTheMainWindow()
{
    ExtrasSession s;
    s.main().editor()->show();
    QVERIFY(s.action(Command::WebLookup)->isEnabled());
    s.action(Command::WebLookup)->trigger();
    s.action(Command::WebLookup)->trigger();

    CourierLookupWindow* lookup = s.parts.lookup;
    QVERIFY(lookup->isVisible());
    QVERIFY(!lookup->isModal());
    QVERIFY(!s.main().editor()->isVisible());
    QCOMPARE(lookup->objectName(), QStringLiteral("TForm2"));
    QCOMPARE(lookup->windowTitle(), QStringLiteral("网点查询"));
    QCOMPARE(lookup->size(), QSize(1033, 705));
    QCOMPARE(s.main().findChildren<CourierLookupWindow*>().size(), 1);
    QCOMPARE(s.browser().widget()->geometry(), QRect(8, 128, 1025, 577));
    QVERIFY(s.browser().visited.isEmpty());

    // Two rows of pictures at their places, 140 × 40 each.
    const QStringList names{"Image1", "Image7", "Image11", "Image13", "Image12",
                            "Image8", "Image5", "Image9", "Image6"};
    for (int i = 0; i < names.size(); ++i) {
        auto* picture = lookup->findChild<QLabel*>(names[i]);
        QVERIFY2(picture, qPrintable(names[i]));
        QCOMPARE(picture->geometry(), QRect(31 + 160 * (i % 5), i < 5 ? 16 : 72, 140, 40));
        QCOMPARE(picture->pixmap().size(), QSize(140, 40));
        QCOMPARE(picture->accessibleName(), courierSites()[i].name);
    }
}

void TestLookup::pictureShowsItsCourier_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("url");
    for (const CourierSite& site : courierSites())
        QTest::newRow(qPrintable(site.object)) << site.object << site.url;
}

void TestLookup::pictureShowsItsCourier()
{
    QFETCH(QString, picture);
    QFETCH(QString, url);
    ExtrasSession s;
    s.action(Command::WebLookup)->trigger();
    QTest::mouseClick(s.parts.lookup->findChild<QLabel*>(picture), Qt::LeftButton);
    QCOMPARE(s.browser().visited, QList<QUrl>{QUrl(url)});
}

void TestLookup::closingKeepsThePage()
{
    ExtrasSession s;
    s.action(Command::WebLookup)->trigger();
    CourierLookupWindow* lookup = s.parts.lookup;
    QTest::mouseClick(lookup->picture(5), Qt::LeftButton);
    QPointer<CourierLookupWindow> alive(lookup);
    QVERIFY(lookup->close());
    QCoreApplication::processEvents();
    QVERIFY(alive);
    QVERIFY(!lookup->isVisible());

    s.action(Command::WebLookup)->trigger();
    QVERIFY(lookup->isVisible());
    // Shown again as it was left: no new navigation.
    QCOMPARE(s.browser().visited.size(), 1);
}

void TestLookup::asRootNoBrowserStartsAndTheAddressIsShown()
{
    ExtrasSession s(true);
    s.action(Command::WebLookup)->trigger();
    CourierLookupWindow* lookup = s.parts.lookup;
    QVERIFY(lookup->isVisible());
    QCOMPARE(s.browsersMade, 0);
    QVERIFY(!lookup->browser());
    QLabel* notice = lookup->rootNotice();
    QVERIFY(notice && notice->isVisible());
    QCOMPARE(notice->geometry(), QRect(8, 128, 1025, 577));
    QVERIFY(notice->text().contains(QStringLiteral("以 root（系统管理员）身份运行")));

    // A click shows the courier's address as text; nothing is opened.
    const CourierSite& sto = courierSites()[1];
    QTest::mouseClick(lookup->picture(1), Qt::LeftButton);
    QVERIFY2(notice->text().contains(sto.name + QStringLiteral("的网址：") + sto.url), qPrintable(notice->text()));
    QCOMPARE(notice->textFormat(), Qt::PlainText);
    QVERIFY(s.opened().isEmpty());
    QCOMPARE(s.browsersMade, 0);
}

void TestLookup::supportMenu()
{
    ExtrasSession s;
    for (Command c : {Command::Help, Command::Update, Command::Website, Command::Contact, Command::About})
        QVERIFY(s.action(c)->isEnabled());
    QCOMPARE(s.action(Command::Contact)->text(), QStringLiteral("客服邮箱：") + makerEmail);

    // 使用帮助 opens the guide that comes with the program (tst_extras_guide).
    s.action(Command::Website)->trigger();
    QCOMPARE(s.opened(), QStringList({makerSite}));

    s.action(Command::Contact)->trigger();
    QCoreApplication::processEvents();
    QCOMPARE(s.opened().size(), 1);
    QVERIFY(s.session.fp.dialogs.shown.isEmpty());
    QVERIFY(!s.parts.about->isVisible());
}

void TestLookup::aboutBox()
{
    ExtrasSession s;
    s.action(Command::About)->trigger();
    AboutBox* about = s.parts.about;
    QCOMPARE(about->objectName(), QStringLiteral("TAboutBox"));
    QVERIFY(about->isVisible());
    QCOMPARE(about->windowModality(), Qt::ApplicationModal);
    QCOMPARE(about->windowTitle(), QStringLiteral("关于软件..."));
    QCOMPARE(about->size(), QSize(387, 163));
    QCOMPARE(about->okButton()->text(), QStringLiteral("确 定"));
    QCOMPARE(about->okButton()->geometry(), QRect(314, 31, 71, 26));
    QCOMPARE(about->emailLink()->pos(), QPoint(203, 66));
    QCOMPARE(about->webLink()->pos(), QPoint(203, 90));
    QVERIFY(about->webLink()->font().underline());
    QCOMPARE(about->webLink()->cursor().shape(), Qt::PointingHandCursor);

    QTest::mouseClick(about->emailLink(), Qt::LeftButton);
    QTest::mouseClick(about->webLink(), Qt::LeftButton);
    QCOMPARE(s.opened(), QStringList({QStringLiteral("mailto:") + makerEmail, makerSite}));

    about->okButton()->click();
    QVERIFY(!about->isVisible());
    // Shown again, it is the same box.
    s.action(Command::About)->trigger();
    QVERIFY(about->isVisible());
    QCOMPARE(s.main().findChildren<AboutBox*>().size(), 1);
    about->okButton()->click();
}

void TestLookup::statusBarOpensSite_data()
{
    QTest::addColumn<int>("panel");  // -1: the bar right of the last panel
    for (int i = -1; i < 4; ++i)
        QTest::newRow(qPrintable(QString::number(i))) << i;
}

void TestLookup::statusBarOpensSite()
{
    QFETCH(int, panel);
    ExtrasSession s;
    QStatusBar* bar = s.main().statusBar();
    QWidget* target = panel < 0 ? static_cast<QWidget*>(bar) : s.main().statusPanel(panel);
    QCOMPARE(target->cursor().shape(), Qt::PointingHandCursor);
    const QPoint at = panel < 0 ? QPoint(bar->width() - 5, bar->height() / 2) : target->rect().center();
    QTest::mouseClick(target, Qt::LeftButton, {}, at);
    QCOMPARE(s.opened(), QStringList{makerSite});
}

void TestLookup::realBrowserLoadsClickedPage()
{
    TestHttpServer server;
    server.set(QStringLiteral("/zto"),
               {"<html><head><title>中通 网点</title></head><body>本地页面</body></html>"});
    QList<CourierSite> sites = courierSites();
    sites[3].url = server.url(QStringLiteral("/zto")).toString();

    // The engine runs here with its sandbox off (see main below), on a
    // loopback page only; the program itself never starts it as root.
    CourierLookupWindow lookup(
        sites, [](QWidget* parent) { return std::make_unique<WebEngineBrowser>(parent); }, false);
    lookup.showLookup();
    auto* view = static_cast<WebEngineBrowser*>(lookup.browser())->view();
    QVERIFY(view->url().isEmpty());

    QSignalSpy loaded(view, &QWebEngineView::loadFinished);
    QTest::mouseClick(lookup.picture(3), Qt::LeftButton);
    QVERIFY(loaded.wait(60000));
    QCOMPARE(loaded.first().first().toBool(), true);
    QCOMPARE(view->title(), QStringLiteral("中通 网点"));
    QCOMPARE(server.requested, QStringList{QStringLiteral("/zto")});
}

int main(int argc, char** argv)
{
    // This test does not run the program's start, which turns the browser's
    // sandbox off for root; the browser draws without a GPU here.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    QApplication app(argc, argv);
    TestLookup test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_extras_lookup.moc"
