// The update check "软件自动升级" against a local HTTP server: a newer
// version replaces the program and asks for the restart; every failure on
// the way leaves the program file byte for byte as it was.
#include "Fakes.h"
#include "TestHttpServer.h"

#include "extras/Restarter.h"
#include "extras/Updater.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace kx;
using namespace kx::test;

namespace {

class FakeRestarter : public Restarter {
public:
    QList<QStringList> restarts;
    void restart(const QStringList& arguments) override { restarts << arguments; }
};

const QByteArray oldProgram = QByteArray("\x7f" "ELF the running program ") .repeated(200);
const QByteArray newProgram = QByteArray("\x7f" "ELF the newer program ").repeated(3000);

QByteArray sha256Hex(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

QByteArray infoFor(const QByteArray& version, const QByteArray& body, const QByteArray& hash = {})
{
    return "# Kestrix\nversion=" + version + "\nfile=download/kestrix kestrix " + QByteArray::number(body.size())
           + ' ' + (hash.isEmpty() ? sha256Hex(body) : hash) + '\n';
}

// A program folder holding the running program, the server, and an updater
// between them.
struct UpdateRig {
    QTemporaryDir dir;
    TestHttpServer server;
    FakePlatform fp;
    FakeRestarter restarter;
    std::unique_ptr<Updater> updater;

    explicit UpdateRig(const QString& programDir = {}, const QUrl& infoUrl = {})
    {
        QFile f(dir.filePath(QStringLiteral("kestrix")));
        f.open(QIODevice::WriteOnly);
        f.write(oldProgram);
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeGroup);
        const UpdateSettings settings{
            (infoUrl.isEmpty() ? server.url(QStringLiteral("/wbq.inf")) : infoUrl).toString(),
            {QStringLiteral("kestrix")}, QStringLiteral("12/29/2014")};
        updater = std::make_unique<Updater>(settings, programDir.isEmpty() ? dir.path() : programDir, fp.platform,
                                            restarter, nullptr);
    }

    void serveInfo(const QByteArray& text) { server.set(QStringLiteral("/wbq.inf"), {text, "text/plain"}); }
    void serveProgram(const QByteArray& body, qint64 dropAfter = -1, bool stall = false)
    {
        server.set(QStringLiteral("/download/kestrix"), {body, "application/octet-stream", 200, dropAfter, stall});
    }

    // Runs one check to its end; the value it finished with.
    bool run()
    {
        QSignalSpy done(updater.get(), &Updater::finished);
        updater->check();
        if (!done.wait(60000))
            return false;
        return done.first().first().toBool();
    }

    QByteArray program() const
    {
        QFile f(dir.filePath(QStringLiteral("kestrix")));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    QStringList folder() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
};

}  // namespace

class TestUpdate : public QObject {
    Q_OBJECT
private slots:
    void newerVersionIsReplacedAndRestarted();
    void failureLeavesProgramAsItWas_data();
    void failureLeavesProgramAsItWas();
    void unwritableFolderPointsToPackageManager();
    void cancelledDownloadReplacesNothing();
};

void TestUpdate::newerVersionIsReplacedAndRestarted()
{
    UpdateRig rig;
    rig.serveInfo(infoFor("01/15/2015", newProgram));
    rig.serveProgram(newProgram);
    rig.fp.dialogs.answers << QMessageBox::Yes;

    QVERIFY(rig.run());
    QCOMPARE(rig.program(), newProgram);
    QFile old(rig.dir.filePath(QStringLiteral("kestrix.old")));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), oldProgram);
    QVERIFY(QFileInfo(rig.dir.filePath(QStringLiteral("kestrix"))).isExecutable());
    QCOMPARE(rig.folder(), QStringList({QStringLiteral("kestrix"), QStringLiteral("kestrix.old")}));
    QCOMPARE(rig.restarter.restarts, QList<QStringList>{{QStringLiteral("/afterupgrade")}});
    // The operator was asked first, and told before the restart.
    QCOMPARE(rig.fp.dialogs.shown.size(), 2);
    QCOMPARE(rig.fp.dialogs.shown[0].icon, Dialogs::Icon::Question);
    QVERIFY(rig.fp.dialogs.shown[0].text.contains(QStringLiteral("2015年1月15日")));
}

void TestUpdate::failureLeavesProgramAsItWas_data()
{
    QTest::addColumn<QByteArray>("info");  // empty: no wbq.inf on the server
    QTest::addColumn<QByteArray>("download");
    QTest::addColumn<qint64>("dropAfter");
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QString>("message");

    const auto yes = QMessageBox::Yes;
    QTest::newRow("same version") << infoFor("12/29/2014", newProgram) << newProgram << qint64(-1) << true << yes
                                  << QStringLiteral("您使用的已是最新版本（2014年12月29日）");
    QTest::newRow("older version") << infoFor("06/01/2014", newProgram) << newProgram << qint64(-1) << true << yes
                                   << QStringLiteral("您使用的已是最新版本");
    QTest::newRow("unreachable") << QByteArray() << newProgram << qint64(-1) << false << yes
                                 << QStringLiteral("无法连接升级服务器");
    QTest::newRow("missing wbq.inf") << QByteArray() << newProgram << qint64(-1) << true << yes
                                     << QStringLiteral("升级服务器上没有升级信息文件 wbq.inf");
    QTest::newRow("not our format") << QByteArray("<html>welcome</html>") << newProgram << qint64(-1) << true << yes
                                    << QStringLiteral("wbq.inf 格式不正确");
    QTest::newRow("no version") << QByteArray("file=download/kestrix kestrix 5 " + sha256Hex("12345")) << newProgram
                                << qint64(-1) << true << yes << QStringLiteral("没有版本日期");
    QTest::newRow("bad date") << infoFor("2015-01-15", newProgram) << newProgram << qint64(-1) << true << yes
                              << QStringLiteral("版本日期无效");
    QTest::newRow("short hash") << infoFor("01/15/2015", newProgram, "abcdef") << newProgram << qint64(-1) << true
                                << yes << QStringLiteral("SHA-256 无效");
    QByteArray escaping = infoFor("01/15/2015", newProgram);
    escaping.replace(" kestrix ", " ../kestrix ");
    QTest::newRow("name outside the list") << escaping << newProgram << qint64(-1) << true << yes
                                           << QStringLiteral("不在升级文件列表中");
    QTest::newRow("declined") << infoFor("01/15/2015", newProgram) << newProgram << qint64(-1) << true
                              << QMessageBox::No << QStringLiteral("是否现在下载并升级");
    QByteArray tampered = newProgram;
    tampered[100] = 'X';
    QTest::newRow("wrong checksum") << infoFor("01/15/2015", newProgram) << tampered << qint64(-1) << true << yes
                                    << QStringLiteral("校验失败");
    QTest::newRow("dropped half-way") << infoFor("01/15/2015", newProgram) << newProgram
                                      << qint64(newProgram.size() / 2) << true << yes
                                      << QStringLiteral("程序没有改动。");
    QTest::newRow("longer than announced") << infoFor("01/15/2015", newProgram.left(1000)) << newProgram
                                           << qint64(-1) << true << yes << QStringLiteral("程序没有改动。");
}

void TestUpdate::failureLeavesProgramAsItWas()
{
    QFETCH(QByteArray, info);
    QFETCH(QByteArray, download);
    QFETCH(qint64, dropAfter);
    QFETCH(bool, reachable);
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(QString, message);

    UpdateRig rig({}, reachable ? QUrl() : TestHttpServer::unreachableUrl(QStringLiteral("/wbq.inf")));
    if (!info.isEmpty())
        rig.serveInfo(info);
    rig.serveProgram(download, dropAfter);
    rig.fp.dialogs.answers << answer;

    QVERIFY(!rig.run());
    QCOMPARE(rig.program(), oldProgram);
    QCOMPARE(rig.folder(), QStringList{QStringLiteral("kestrix")});
    QVERIFY(rig.restarter.restarts.isEmpty());
    QVERIFY2(rig.fp.dialogs.texts().join('\n').contains(message), qPrintable(rig.fp.dialogs.texts().join('\n')));
    QVERIFY(!rig.updater->busy());
}

void TestUpdate::unwritableFolderPointsToPackageManager()
{
    // Nobody, root included, can make a file in /proc.
    UpdateRig rig(QStringLiteral("/proc"));
    rig.serveInfo(infoFor("01/15/2015", newProgram));
    rig.serveProgram(newProgram);
    rig.fp.dialogs.answers << QMessageBox::Yes;

    QVERIFY(!rig.run());
    QCOMPARE(rig.fp.dialogs.shown.size(), 1);
    QVERIFY(rig.fp.dialogs.lastText().contains(QStringLiteral("软件包管理器")));
    QVERIFY(!rig.server.requested.contains(QStringLiteral("/download/kestrix")));
    QCOMPARE(rig.program(), oldProgram);
}

void TestUpdate::cancelledDownloadReplacesNothing()
{
    UpdateRig rig;
    rig.serveInfo(infoFor("01/15/2015", newProgram));
    rig.serveProgram(newProgram, newProgram.size() / 3, true);
    rig.fp.dialogs.answers << QMessageBox::Yes;

    QSignalSpy done(rig.updater.get(), &Updater::finished);
    rig.updater->check();
    QTRY_VERIFY_WITH_TIMEOUT(rig.updater->progress() && rig.updater->progress()->value() > 0, 60000);
    QProgressDialog* progress = rig.updater->progress();
    QVERIFY(progress->isVisible());
    auto* cancel = progress->findChild<QPushButton*>();
    QVERIFY(cancel);
    cancel->click();
    // Aborting the reply may end the check before click() returns.
    if (done.isEmpty())
        QVERIFY(done.wait(60000));
    QCOMPARE(done.first().first().toBool(), false);
    QVERIFY(rig.fp.dialogs.lastText().contains(QStringLiteral("升级已取消")));
    QCOMPARE(rig.program(), oldProgram);
    QCOMPARE(rig.folder(), QStringList{QStringLiteral("kestrix")});
}

QTEST_MAIN(TestUpdate)
#include "tst_extras_update.moc"
