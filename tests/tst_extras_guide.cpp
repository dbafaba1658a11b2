// "使用帮助" opens the user guide that comes with the program: the installed
// one in the package's documentation folder, or, in a build tree, the one
// the build made beside the program. Watched through the shell seam, with
// program folders laid out in a temporary folder.
#include "Fakes.h"
#include "MainSession.h"

#include "extras/Browser.h"
#include "extras/Extras.h"
#include "extras/Restarter.h"
#include "extras/UserGuide.h"
#include "widgets/CommandRegistry.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace kx;
using namespace kx::test;

namespace {

class NoRestart : public Restarter {
public:
    void restart(const QStringList&) override {}
};

// The lookup window is made with the extras; no web engine is needed here.
class NoBrowser : public Browser {
public:
    explicit NoBrowser(QWidget* parent) : m_widget(new QWidget(parent)) {}
    QWidget* widget() override { return m_widget; }
    void navigate(const QUrl&) override {}

private:
    QWidget* m_widget;
};

// A main window with the extras installed for a program in `programDir`.
struct GuideSession {
    MainSession session;
    NoRestart restarter;

    explicit GuideSession(const QString& programDir)
    {
        Extras::install(*session.main, session.fp.platform, restarter,
                        [](QWidget* parent) { return std::make_unique<NoBrowser>(parent); }, courierSites(),
                        defaultUpdateSettings(), programDir);
    }
    void trigger(Command c) { session.main->commands()->action(c)->trigger(); }
    QStringList& opened() { return session.fp.shell.opened; }
    FakeDialogs& dialogs() { return session.fp.dialogs; }
};

void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("<!DOCTYPE html>");
}

}  // namespace

class TestGuide : public QObject {
    Q_OBJECT
private slots:
    void helpOpensTheGuide_data();
    void helpOpensTheGuide();
    void missingGuideIsNamed();
    void buildMadeTheGuide();
};

void TestGuide::helpOpensTheGuide_data()
{
    // Files to make under the temporary folder, the program's folder, and
    // the file that 使用帮助 must open (relative to the temporary folder).
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("programDir");
    QTest::addColumn<QString>("opened");
    const QString installed = QStringLiteral("usr/share/doc/kestrix/使用说明.html");
    const QString built = QStringLiteral("build/doc/使用说明.html");
    QTest::newRow("installed") << QStringList{installed} << "usr/bin" << installed;
    QTest::newRow("other prefix") << QStringList{"opt/k/share/doc/kestrix/使用说明.html"} << "opt/k/bin"
                                  << "opt/k/share/doc/kestrix/使用说明.html";
    QTest::newRow("build tree") << QStringList{built} << "build" << built;
    // A build tree beside an installation: each program opens its own.
    QTest::newRow("installed beside a build") << QStringList{installed, "usr/bin/doc/使用说明.html"} << "usr/bin" << installed;
}

void TestGuide::helpOpensTheGuide()
{
    QFETCH(QStringList, files);
    QFETCH(QString, programDir);
    QFETCH(QString, opened);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    for (const QString& f : files)
        touch(root.filePath(f));
    QDir().mkpath(root.filePath(programDir));

    GuideSession s(root.filePath(programDir));
    s.trigger(Command::Help);
    QCOMPARE(s.opened(), QStringList{QDir::cleanPath(root.filePath(opened))});
    QVERIFY(s.dialogs().shown.isEmpty());

    // The maker's site stays under 官方网站.
    s.trigger(Command::Website);
    QCOMPARE(s.opened().last(), makerSite);
}

void TestGuide::missingGuideIsNamed()
{
    // Systems that leave documentation out of packages: the user learns
    // where the guide should be instead of nothing happening.
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QDir().mkpath(root.filePath("usr/bin"));
    GuideSession s(root.filePath("usr/bin"));
    s.trigger(Command::Help);
    QVERIFY(s.opened().isEmpty());
    QCOMPARE(s.dialogs().shown.size(), 1);
    QVERIFY2(s.dialogs().lastText().contains(root.filePath("usr/share/doc/kestrix/使用说明.html")),
             qPrintable(s.dialogs().lastText()));
}

void TestGuide::buildMadeTheGuide()
{
    // The program of this build tree finds the page the build made, with
    // its pictures beside it.
    const QString guide = UserGuide::find(QStringLiteral(KX_BUILD_DIR));
    QCOMPARE(guide, QDir::cleanPath(QStringLiteral(KX_BUILD_DIR "/doc/使用说明.html")));
    QFile page(guide);
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    QVERIFY(html.contains(QStringLiteral("备份与恢复</h2>")));
    QVERIFY(QFileInfo::exists(QFileInfo(guide).dir().filePath("images/main.png")));
}

QTEST_MAIN(TestGuide)
#include "tst_extras_guide.moc"
