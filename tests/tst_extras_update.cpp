// The update check "软件自动升级" against a local HTTP server: a newer
// version signed with the maker's key replaces the program and asks for the
// restart; everything else (unsigned, wrongly signed, expired or replayed
// information, a redirect elsewhere, a planted name, a slow server, a
// program that is the package manager's or a process that is root) leaves
// the program file byte for byte as it was and says why.
#include "Fakes.h"
#include "TestHttpServer.h"

#include "extras/Restarter.h"
#include "extras/Updater.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
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
const QString runningVersion = QStringLiteral("2.1.0");  // the fake clock says 10 December 2026

QByteArray sha256Hex(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// A key pair made by the maker's tool for this run, and its signing.
class SigningKey {
public:
    SigningKey()
    {
        m_secret = m_dir.filePath(QStringLiteral("secret.key"));
        m_publicKey = QByteArray::fromHex(tool({QStringLiteral("keygen"), m_secret}).trimmed());
    }
    QByteArray publicKey() const { return m_publicKey; }
    QByteArray sign(const QByteArray& body) const
    {
        QFile file(m_dir.filePath(QStringLiteral("wbq.inf")));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(body);
        file.close();
        return tool({QStringLiteral("sign"), m_secret, file.fileName()});
    }

private:
    static QByteArray tool(const QStringList& arguments)
    {
        QProcess sign;
        sign.start(QStringLiteral(KX_SIGN_PATH), arguments);
        if (!sign.waitForFinished(30000) || sign.exitCode() != 0)
            qFatal("kestrix-sign %s failed: %s", qPrintable(arguments.first()), sign.readAllStandardError().constData());
        return sign.readAllStandardOutput();
    }

    QTemporaryDir m_dir;
    QString m_secret;
    QByteArray m_publicKey;
};

SigningKey& makerKey()
{
    static SigningKey key;
    return key;
}

QByteArray infoBody(const QByteArray& version, const QByteArray& body, const QByteArray& expires = "2027-06-30",
                    const QByteArray& hash = {})
{
    return "# Kestrix\nversion=" + version + "\nexpires=" + expires + "\nfile=download/kestrix kestrix "
           + QByteArray::number(body.size()) + ' ' + (hash.isEmpty() ? sha256Hex(body) : hash) + '\n';
}

QByteArray signedInfo(const QByteArray& version, const QByteArray& body, const QByteArray& expires = "2027-06-30")
{
    return makerKey().sign(infoBody(version, body, expires));
}

// A program folder holding the running program, the server, and an updater
// between them. The system's answers (root, package) are the rig's own.
struct UpdateRig {
    QTemporaryDir dir;
    TestHttpServer server;
    FakePlatform fp;
    FakeRestarter restarter;
    UpdateSettings settings;
    QString programDir;
    bool root = false;
    bool packaged = false;
    QStringList askedOwner;  // the paths the package question was asked for
    std::unique_ptr<Updater> updater;

    explicit UpdateRig(const QString& folder = {}, const QUrl& infoUrl = {})
        : programDir(folder.isEmpty() ? dir.path() : folder)
    {
        QFile f(dir.filePath(QStringLiteral("kestrix")));
        f.open(QIODevice::WriteOnly);
        f.write(oldProgram);
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeGroup);
        settings = {(infoUrl.isEmpty() ? server.url(QStringLiteral("/wbq.inf")) : infoUrl).toString(),
                    {QStringLiteral("kestrix"), QStringLiteral("kestrix-helper")}, runningVersion,
                    makerKey().publicKey()};
        make();
    }

    // A new updater over the settings as they are now.
    void make()
    {
        SystemFacts facts;
        facts.runningAsRoot = [this] { return root; };
        facts.ownedByPackage = [this](const QString& path) {
            askedOwner << path;
            return packaged;
        };
        updater = std::make_unique<Updater>(settings, programDir, fp.platform, facts, restarter, nullptr);
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
        if (done.isEmpty() && !done.wait(60000))
            return false;
        return done.first().first().toBool();
    }

    QByteArray program() const
    {
        QFile f(dir.filePath(QStringLiteral("kestrix")));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    QStringList folder() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System); }
    QString shown() const { return fp.dialogs.texts().join('\n'); }
};

}  // namespace

class TestUpdate : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void newerVersionIsReplacedAndRestarted_data();
    void newerVersionIsReplacedAndRestarted();
    void failureLeavesProgramAsItWas_data();
    void failureLeavesProgramAsItWas();
    void packageManagerOrRootIsNeverWrittenOver_data();
    void packageManagerOrRootIsNeverWrittenOver();
    void buildWithoutKeyNeverDownloads();
    void redirectToAnotherHostIsRefused_data();
    void redirectToAnotherHostIsRefused();
    void plantedTemporaryNameIsNeverWrittenThrough_data();
    void plantedTemporaryNameIsNeverWrittenThrough();
    void slowServerIsStoppedByTheDeadline_data();
    void slowServerIsStoppedByTheDeadline();
    void cancelledDownloadReplacesNothing();
    void versionsCompareAsNumbers_data();
    void versionsCompareAsNumbers();
};

void TestUpdate::initTestCase()
{
    QCOMPARE(makerKey().publicKey().size(), 32);
}

void TestUpdate::newerVersionIsReplacedAndRestarted_data()
{
    QTest::addColumn<bool>("redirected");
    QTest::newRow("direct") << false;
    // Redirects on the maker's own server are followed.
    QTest::newRow("redirected on the same host") << true;
}

void TestUpdate::newerVersionIsReplacedAndRestarted()
{
    QFETCH(bool, redirected);
    UpdateRig rig;
    if (redirected) {
        rig.server.set(QStringLiteral("/wbq.inf"), TestHttpServer::redirect("/current/wbq.inf"));
        rig.server.set(QStringLiteral("/current/wbq.inf"), {signedInfo("2.2.0", newProgram), "text/plain"});
        rig.server.set(QStringLiteral("/download/kestrix"),
                       TestHttpServer::redirect(rig.server.url(QStringLiteral("/files/kestrix")).toEncoded()));
        rig.server.set(QStringLiteral("/files/kestrix"), {newProgram, "application/octet-stream"});
    } else {
        rig.serveInfo(signedInfo("2.2.0", newProgram));
        rig.serveProgram(newProgram);
    }
    rig.fp.dialogs.answers << QMessageBox::Yes;

    QVERIFY2(rig.run(), qPrintable(rig.shown()));
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
    QVERIFY(rig.fp.dialogs.shown[0].text.contains(QStringLiteral("发现新版本 2.2.0（您正在使用 2.1.0）")));
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
    auto row = [&](const char* name, const QByteArray& info, const QString& message,
                   const QByteArray& download = newProgram, qint64 dropAfter = -1) {
        QTest::newRow(name) << info << download << dropAfter << true << yes << message;
    };
    const QByteArray good = signedInfo("2.2.0", newProgram);

    row("same version", signedInfo("2.1.0", newProgram), QStringLiteral("您使用的已是最新版本（2.1.0）"));
    row("replayed older version", signedInfo("2.0.5", newProgram),
        QStringLiteral("版本 2.0.5 比您正在使用的版本 2.1.0 旧"));
    row("expired", signedInfo("2.2.0", newProgram, "2026-12-09"), QStringLiteral("升级信息已过期（有效期到 2026年12月9日）"));
    row("unsigned", infoBody("2.2.0", newProgram), QStringLiteral("没有签名"));
    SigningKey otherKey;
    row("signed with another key", otherKey.sign(infoBody("2.2.0", newProgram)), QStringLiteral("签名无效"));
    QByteArray tampered = good;
    tampered.replace("version=2.2.0", "version=2.3.0");
    row("changed after signing", tampered, QStringLiteral("签名无效"));
    row("text after the signature", good + "# more\n", QStringLiteral("没有签名"));
    QByteArray overLong = QByteArray("# " + QByteArray(98, 'x') + '\n').repeated(700) + good;
    row("longer than 64 KB", overLong, QStringLiteral("wbq.inf 超过 64 KB"));
    row("not our format", "<html>welcome</html>", QStringLiteral("没有签名"));
    row("no version",
        makerKey().sign("expires=2027-06-30\nfile=download/kestrix kestrix 5 " + sha256Hex("12345") + '\n'),
        QStringLiteral("没有版本号"));
    row("date as version", signedInfo("01/15/2027", newProgram), QStringLiteral("版本号无效"));
    row("short hash", makerKey().sign(infoBody("2.2.0", newProgram, "2027-06-30", "abcdef")),
        QStringLiteral("SHA-256 无效"));
    QByteArray escaping = infoBody("2.2.0", newProgram);
    escaping.replace(" kestrix ", " ../kestrix ");
    row("name outside the list", makerKey().sign(escaping), QStringLiteral("不在升级文件列表中"));
    const QByteArray fileLine = "file=download/kestrix kestrix " + QByteArray::number(newProgram.size()) + ' '
                                + sha256Hex(newProgram) + '\n';
    row("one name twice", makerKey().sign(infoBody("2.2.0", newProgram) + fileLine),
        QStringLiteral("重复列出文件 kestrix"));
    // Two sizes whose sum passes 2^63.
    row("sizes near 2^63",
        makerKey().sign("version=2.2.0\nexpires=2027-06-30\nfile=download/kestrix kestrix 4611686018427387904 "
                        + sha256Hex(newProgram) + "\nfile=download/helper kestrix-helper 4611686018427387904 "
                        + sha256Hex(newProgram) + '\n'),
        QStringLiteral("大小超过上限"));
    QTest::newRow("unreachable") << good << newProgram << qint64(-1) << false << yes
                                 << QStringLiteral("无法连接升级服务器");
    row("missing wbq.inf", QByteArray(), QStringLiteral("升级服务器上没有升级信息文件 wbq.inf"));
    QTest::newRow("declined") << good << newProgram << qint64(-1) << true << QMessageBox::No
                              << QStringLiteral("是否现在下载并升级");
    QByteArray damaged = newProgram;
    damaged[100] = 'X';
    row("wrong checksum", good, QStringLiteral("校验失败"), damaged);
    row("dropped half-way", good, QStringLiteral("程序没有改动。"), newProgram, newProgram.size() / 2);
    row("longer than announced", signedInfo("2.2.0", newProgram.left(1000)), QStringLiteral("比升级信息中的大小大"));
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
    QVERIFY2(rig.shown().contains(message), qPrintable(rig.shown()));
    QVERIFY(!rig.updater->busy());
}

void TestUpdate::packageManagerOrRootIsNeverWrittenOver_data()
{
    QTest::addColumn<bool>("root");
    QTest::addColumn<bool>("packaged");
    QTest::addColumn<QString>("programDir");  // empty: the rig's own folder
    QTest::addColumn<QString>("message");
    QTest::newRow("running as root") << true << false << QString() << QStringLiteral("以 root（系统管理员）身份运行");
    QTest::newRow("owned by a package") << false << true << QString()
                                        << QStringLiteral("本软件是用系统的软件包管理器安装的");
    // Nobody, root included, can make a file in /proc.
    QTest::newRow("folder not writable") << false << false << QStringLiteral("/proc") << QStringLiteral("不能写入");
}

void TestUpdate::packageManagerOrRootIsNeverWrittenOver()
{
    QFETCH(bool, root);
    QFETCH(bool, packaged);
    QFETCH(QString, programDir);
    QFETCH(QString, message);
    UpdateRig rig(programDir);
    rig.root = root;
    rig.packaged = packaged;
    rig.serveInfo(signedInfo("2.2.0", newProgram));
    rig.serveProgram(newProgram);
    rig.fp.dialogs.answers << QMessageBox::Yes;

    QVERIFY(!rig.run());
    // One message: that a newer version exists and how to get it; no question.
    QCOMPARE(rig.fp.dialogs.shown.size(), 1);
    const QString text = rig.fp.dialogs.lastText();
    QVERIFY2(text.contains(QStringLiteral("发现新版本 2.2.0")) && text.contains(message)
                 && text.contains(QStringLiteral("请用系统的软件包管理器升级本软件")),
             qPrintable(text));
    if (packaged)
        QCOMPARE(rig.askedOwner, QStringList{QDir(rig.dir.path()).filePath(QStringLiteral("kestrix"))});
    QCOMPARE(rig.server.requested, QStringList{QStringLiteral("/wbq.inf")});
    QCOMPARE(rig.program(), oldProgram);
    QCOMPARE(rig.folder(), QStringList{QStringLiteral("kestrix")});
}

void TestUpdate::buildWithoutKeyNeverDownloads()
{
    UpdateRig rig;
    rig.settings.publicKey.clear();
    rig.make();
    rig.serveInfo(signedInfo("2.2.0", newProgram));
    rig.serveProgram(newProgram);
    rig.fp.dialogs.answers << QMessageBox::Yes;

    QVERIFY(!rig.run());
    QCOMPARE(rig.fp.dialogs.shown.size(), 1);
    QVERIFY2(rig.shown().contains(QStringLiteral("没有设置自动升级")), qPrintable(rig.shown()));
    QVERIFY(rig.server.requested.isEmpty());
    QCOMPARE(rig.program(), oldProgram);
}

void TestUpdate::redirectToAnotherHostIsRefused_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("information") << QStringLiteral("/wbq.inf");
    QTest::newRow("program file") << QStringLiteral("/download/kestrix");
}

void TestUpdate::redirectToAnotherHostIsRefused()
{
    QFETCH(QString, path);
    // The other host serves what would pass every other check.
    TestHttpServer elsewhere;
    elsewhere.set(QStringLiteral("/wbq.inf"), {signedInfo("2.2.0", newProgram), "text/plain"});
    elsewhere.set(QStringLiteral("/download/kestrix"), {newProgram, "application/octet-stream"});
    QUrl target = elsewhere.url(path);
    target.setHost(QStringLiteral("localhost"));

    UpdateRig rig;
    rig.serveInfo(signedInfo("2.2.0", newProgram));
    rig.serveProgram(newProgram);
    rig.server.set(path, TestHttpServer::redirect(target.toEncoded()));
    rig.fp.dialogs.answers << QMessageBox::Yes;

    QVERIFY(!rig.run());
    QVERIFY2(rig.shown().contains(QStringLiteral("转到了别的网站（localhost）")), qPrintable(rig.shown()));
    QVERIFY(elsewhere.requested.isEmpty());
    QCOMPARE(rig.program(), oldProgram);
    QCOMPARE(rig.folder(), QStringList{QStringLiteral("kestrix")});
}

void TestUpdate::plantedTemporaryNameIsNeverWrittenThrough_data()
{
    QTest::addColumn<bool>("targetExists");
    QTest::newRow("link to a file") << true;
    // Without O_EXCL the download would create the file the link names.
    QTest::newRow("dangling link") << false;
}

void TestUpdate::plantedTemporaryNameIsNeverWrittenThrough()
{
    QFETCH(bool, targetExists);
    QTemporaryDir elsewhere;
    const QString victim = elsewhere.filePath(QStringLiteral("victim"));
    if (targetExists) {
        QFile f(victim);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("someone else's file");
    }
    UpdateRig rig;
    const QString planted = rig.dir.filePath(QStringLiteral(".kestrix.download"));
    QVERIFY(QFile::link(victim, planted));
    rig.serveInfo(signedInfo("2.2.0", newProgram));
    rig.serveProgram(newProgram);
    rig.fp.dialogs.answers << QMessageBox::Yes;

    QVERIFY(!rig.run());
    QVERIFY2(rig.shown().contains(QStringLiteral("程序所在的文件夹中已有")), qPrintable(rig.shown()));
    QCOMPARE(rig.program(), oldProgram);
    // The planted name is left alone, and so is what it points at.
    QVERIFY(QFileInfo(planted).isSymLink());
    if (targetExists) {
        QFile f(victim);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("someone else's file"));
    } else {
        QVERIFY(!QFileInfo::exists(victim));
    }
}

void TestUpdate::slowServerIsStoppedByTheDeadline_data()
{
    QTest::addColumn<QString>("slowPath");
    QTest::newRow("information") << QStringLiteral("/wbq.inf");
    QTest::newRow("program file") << QStringLiteral("/download/kestrix");
}

void TestUpdate::slowServerIsStoppedByTheDeadline()
{
    QFETCH(QString, slowPath);
    UpdateRig rig;
    rig.settings.deadlineMs = 2000;
    rig.make();
    rig.serveInfo(signedInfo("2.2.0", newProgram));
    rig.serveProgram(newProgram);
    // A byte every 50 ms: never silent long enough for a silence time-out,
    // and never done.
    TestHttpServer::Response slow{slowPath == QLatin1String("/wbq.inf") ? signedInfo("2.2.0", newProgram) : newProgram,
                                  "application/octet-stream"};
    slow.trickleMs = 50;
    rig.server.set(slowPath, slow);
    rig.fp.dialogs.answers << QMessageBox::Yes;

    QVERIFY(!rig.run());
    QVERIFY2(rig.shown().contains(QStringLiteral("升级没有在限定的 2 秒内完成")), qPrintable(rig.shown()));
    QCOMPARE(rig.program(), oldProgram);
    QCOMPARE(rig.folder(), QStringList{QStringLiteral("kestrix")});
}

void TestUpdate::cancelledDownloadReplacesNothing()
{
    UpdateRig rig;
    rig.serveInfo(signedInfo("2.2.0", newProgram));
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

void TestUpdate::versionsCompareAsNumbers_data()
{
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::addColumn<int>("order");
    QTest::newRow("minor of two digits") << "2.10.0" << "2.9.9" << 1;
    QTest::newRow("major of two digits") << "10.0" << "9.99.99" << 1;
    QTest::newRow("missing number is 0") << "2.1" << "2.1.0" << 0;
    QTest::newRow("patch") << "2.1.0" << "2.1.1" << -1;
    QTest::newRow("leading zeros") << "2.01" << "2.1" << 0;
    QTest::newRow("invalid sorts first") << "2.1.0-rc1" << "0.0.1" << -1;
}

void TestUpdate::versionsCompareAsNumbers()
{
    QFETCH(QString, left);
    QFETCH(QString, right);
    QFETCH(int, order);
    QCOMPARE(UpdateInfo::compareVersions(left, right), order);
    QCOMPARE(UpdateInfo::compareVersions(right, left), -order);
}

QTEST_MAIN(TestUpdate)
#include "tst_extras_update.moc"
