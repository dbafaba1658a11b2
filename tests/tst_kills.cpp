// The program killed (SIGKILL) at a random moment while it writes: an
// import, the address clean-up, a backup by hand and at exit, a restore, an
// export, the login that hashes the passwords of an older register. Whatever the moment, what is left must be one whole state — the
// one before the command or the one after it — and a data.mdb the program
// opens again (rolling back what the kill left in its journal) and that
// passes the engine's integrity check.
//
// The commands run in the child kx_killchild, through the main window as the
// user starts them. Each command first runs once without a kill: that run
// gives the state after it and how long it takes; each kill then lands after
// a random delay across that whole span (some after the end). The delays come
// from a generator whose seed is printed; KX_KILL_SEED=N repeats a run,
// KX_KILLS=N sets the kills per command (5 by default).

#include "PgTestServer.h"
#include "TestDb.h"

#include "data/Connection.h"
#include "data/DatabaseCopier.h"
#include "data/DatabaseFactory.h"
#include "data/LoginJournal.h"
#include "data/PasswordHash.h"
#include "data/Schema.h"
#include "data/Statement.h"
#include "data/Database.h"
#include "maintenance/ExitBackup.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QThread>
#include <QtTest>
#include <map>
#include <memory>
#include <optional>

using namespace kx;

namespace {

constexpr int smallRegister = 10;
constexpr int importedOrders = 20000;
constexpr int largeRegister = 100000;
constexpr int backupRegister = 30000;
const QDate today(2026, 12, 10);  // the child's clock
// The users of a register made before passwords were hashed, each with the
// password it holds in the clear; the child logs in as the first.
const QList<std::pair<QString, QString>> clearUsers = {
    {QStringLiteral("超级管理员"), QStringLiteral("507")}, {QStringLiteral("小王"), QStringLiteral("123")},
    {QStringLiteral("Tom"), QStringLiteral("Ab9")},       {QStringLiteral("阿杰"), QStringLiteral("123")},
    {QStringLiteral("李四"), QStringLiteral("x9y8z7")}};

// An order of the small register.
QVariantList smallOrder(int i)
{
    return QVariantList{QStringLiteral("小%1").arg(i), "13700000000", "北京市朝阳区建国路1号", "EMS", "未打印",
                        "笔记本", QStringLiteral("S%1").arg(i), 1.0, 9.5, "2026-11-01"};
}
const QString smallMarker = QStringLiteral("标记-小库");
const QString senderRow = QStringLiteral("insert into post values ('李明','13812345678','杭州市文三路188号','申通快递')");

int killsPerCommand()
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("KX_KILLS", &ok);
    return ok && n > 0 ? n : 5;
}

quint32 killSeed()
{
    bool ok = false;
    const uint seed = qEnvironmentVariable("KX_KILL_SEED").toUInt(&ok);
    return ok ? seed : QRandomGenerator::system()->generate();
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Every value of every row of a query, in its order, with nulls apart from
// empty texts.
QByteArray digest(sqlite3* db, const QString& sql)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    Statement st(db, sql);
    while (st.step()) {
        for (int c = 0; c < st.columnCount(); ++c) {
            const QVariant v = st.value(c);
            hash.addData(v.isNull() ? QByteArrayView("\x01") : QByteArrayView(v.toString().toUtf8()));
            hash.addData(QByteArrayView("\x1f"));
        }
        hash.addData(QByteArrayView("\x1e"));
    }
    return hash.result().toHex();
}

const QString allOrders = QStringLiteral("select rowid, * from data order by rowid");

// The order table's digest of a file opened apart from the program, or
// why it could not be read.
QByteArray ordersOf(const QString& path)
{
    try {
        Connection c;
        c.open(path, schema::databaseKey);
        return digest(c.handle(), allOrders);
    } catch (const std::exception& e) {
        return QByteArray("cannot read ") + path.toUtf8() + ": " + e.what();
    }
}

// Why a file is no sound database of the program; empty when it is one.
QString unsound(const QString& path)
{
    try {
        DatabaseCopier().verify(path);
        return QString();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
}

// Mobile and address of every order, by its storage identity.
using Addresses = QHash<qint64, std::pair<QString, QString>>;
Addresses addressesOf(sqlite3* db)
{
    Addresses rows;
    Statement st(db, QStringLiteral("select rowid, b, c from data"));
    while (st.step())
        rows.insert(st.value(0).toLongLong(), {st.value(1).toString(), st.value(2).toString()});
    return rows;
}
// Every field but those two.
const QString otherFields = QStringLiteral(
    "select rowid, a, d, g, h, i, j, k, z, [1], [2], day1 from data order by rowid");

// One start of the child: where it got to, and its own account.
struct ChildRun {
    bool started = false;
    bool finished = false;  // it said "done": the command had returned
    qint64 spanMs = 0;      // from "start" to "done", when not killed
    QString output;
    QString failure;
};

// Runs the child in `dir` and kills it `killAfterMs` after it said "start"
// (never when that is empty).
ChildRun runChild(const QString& dir, const QStringList& args, std::optional<int> killAfterMs)
{
    ChildRun run;
    QProcess p;
    p.setWorkingDirectory(dir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KX_CHILDREN_DIR "/kx_killchild"), args);
    if (!p.waitForStarted(30000)) {
        run.failure = QStringLiteral("the child did not start: ") + p.errorString();
        return run;
    }
    QByteArray out;
    auto waitFor = [&](const QByteArray& line) {
        while (!out.contains(line)) {
            if (!p.waitForReadyRead(120000) && p.state() != QProcess::Running) {
                out += p.readAllStandardOutput();
                return out.contains(line);
            }
            out += p.readAllStandardOutput();
        }
        return true;
    };
    run.started = waitFor("start\n");
    if (run.started) {
        QElapsedTimer span;
        span.start();
        if (killAfterMs) {
            QThread::msleep(ulong(*killAfterMs));
            p.kill();
        } else if (waitFor("done\n")) {
            run.spanMs = span.elapsed();
        }
    }
    p.waitForFinished(120000);
    out += p.readAllStandardOutput();
    run.finished = out.contains("done\n");
    run.output = QString::fromUtf8(out + p.readAllStandardError()).trimmed();
    if (!run.started)
        run.failure = QStringLiteral("the child never started the command (exit %1): %2")
                          .arg(p.exitCode())
                          .arg(run.output);
    else if (!killAfterMs && (!run.finished || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0))
        run.failure = QStringLiteral("the command did not end normally (exit %1): %2").arg(p.exitCode()).arg(run.output);
    return run;
}

// How the kills of one command landed.
struct Tally {
    int kills = 0;
    int during = 0;  // before the command returned
    int journals = 0;  // a journal was left for the next opening to roll back
    std::map<QString, int> outcomes;
    QSet<QString> leftovers;  // files the kill left that no finished command leaves
    QString report(const QString& command) const
    {
        QStringList o;
        for (const auto& [what, n] : outcomes)
            o << QStringLiteral("%1 %2").arg(what).arg(n);
        QStringList left = leftovers.values();
        left.sort();
        return QStringLiteral("%1: %2 kills, %3 during the command, %4 after it; %5 left a journal; %6%7")
            .arg(command)
            .arg(kills)
            .arg(during)
            .arg(kills - during)
            .arg(journals)
            .arg(o.join(QStringLiteral(", ")))
            .arg(left.isEmpty() ? QString() : QStringLiteral("; left behind: ") + left.join(QStringLiteral(", ")));
    }
};

}  // namespace

class TestKills : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void killImport_data() { addRounds(); }
    void killImport();
    void killCleanup_data() { addRounds(); }
    void killCleanup();
    void killBackup_data() { addRounds(); }
    void killBackup();
    void killRestore_data() { addRounds(); }
    void killRestore();
    void killRestoreOverDamaged_data() { addRounds(); }
    void killRestoreOverDamaged();
    void killExport_data() { addRounds(); }
    void killExport();
    void killLogin_data() { addRounds(); }
    void killLogin();
    void killImportIntoServer_data() { addRounds(); }
    void killImportIntoServer();

    void leftoversOfCutOffCopies_data();
    void leftoversOfCutOffCopies();

private:
    void addRounds();
    QString fixture(const QString& name) const { return m_fixtures.filePath(name); }
    // A fresh folder for one run of a command, holding a copy of `database`
    // as data.mdb.
    QString roundDir(const QString& command, int round, const QString& database);
    // One killed run: its folder, what the child got to, and the round
    // named for messages (the delay, the span and the seed that repeat it).
    struct Kill {
        QString dir;
        ChildRun run;
        QString where;
    };
    // The run of a command without a kill, made at its first round: its
    // folder holds the state after the command, its span bounds the delays.
    struct Reference {
        QString dir;
        qint64 spanMs = 0;
    };
    const Reference& reference(const QString& command, const QString& database,
                               const std::function<QStringList(const QString& dir)>& args,
                               const std::function<void(const QString& dir)>& prepare = {});
    // The current round: the command started over a copy of `database` and
    // killed after a random delay.
    Kill kill(const QString& command, const QString& database,
              const std::function<QStringList(const QString& dir)>& args,
              const std::function<void(const QString& dir)>& prepare = {});
    // The common checks after a kill: a fresh data module opens data.mdb,
    // rolling back a journal the kill left, and the file passes the
    // integrity check. Returns the order table's digest (empty on failure).
    QByteArray reopened(const Kill& k, Tally& tally);

    // A new register on the test's own database server (started at the
    // first) holding what small.mdb holds; empty when it cannot be made.
    QString smallServerRegister();
    // The server register's orders in short, every field of every row in
    // the order of their identities, as the server's own client reads them.
    QString serverOrders(const QString& uri);

    std::unique_ptr<PgTestServer> m_server;
    int m_serverRegisters = 0;
    // The import into a server register without a kill: the orders before
    // and after it, and how long it took.
    struct {
        QString before;
        QString after;
        qint64 spanMs = 0;
    } m_serverImport;
    QTemporaryDir m_fixtures;
    QTemporaryDir m_work;
    quint32 m_seed = 0;
    int m_kills = 5;
    QString m_lastDir;  // the folder of the last kill, kept when it failed
    QHash<QString, Reference> m_references;
    QHash<QString, QRandomGenerator> m_delays;
    QHash<QString, Tally> m_tallies;
    QHash<QString, QByteArray> m_orders;  // the order table's digest of each fixture file
    // The clean-up's register before and after, and its fields it leaves alone.
    Addresses m_untidied;
    Addresses m_tidied;
    QByteArray m_otherFields;
};

void TestKills::addRounds()
{
    QTest::addColumn<int>("round");
    for (int r = 1; r <= m_kills; ++r)
        QTest::addRow("kill %d", r) << r;
}

// The fixtures, made once: a small register, one of 100,000 untidied orders,
// one of 30,000 other orders that serves as a backup to restore and as the
// register to export, a report of 20,000 orders, and a register of several
// users with their passwords in the clear.
void TestKills::initTestCase()
{
    QVERIFY(QFileInfo(QStringLiteral(KX_CHILDREN_DIR "/kx_killchild")).isExecutable());
    m_seed = killSeed();
    m_kills = killsPerCommand();
    qInfo("kill seed %u (KX_KILL_SEED=%u repeats the delays), %d kills per command", m_seed, m_seed, m_kills);

    auto make = [this](const QString& name, const QString& marker, int orders,
                       const std::function<QVariantList(int)>& order) {
        test::TestDb db;
        db.exec(QStringLiteral("insert into post values ('李明','13812345678','杭州市文三路188号','申通快递')"));
        db.exec(QStringLiteral("begin"));
        db.addOrder({{"a", marker}, {"b", "13900000000"}, {"c", "标记"}, {"d", "申通快递"}});
        for (int i = 0; i < orders; ++i)
            db.exec(QStringLiteral("insert into data (a, b, c, d, g, h, j, [1], [2], day1) "
                                   "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                    order(i));
        db.exec(QStringLiteral("commit"));
        db.closeConnection();
        QVERIFY(QFile::copy(db.path(), fixture(name)));
        m_orders.insert(name, ordersOf(fixture(name)));
    };
    make(QStringLiteral("small.mdb"), smallMarker, smallRegister, smallOrder);
    make(QStringLiteral("large.mdb"), QStringLiteral("标记-大库"), largeRegister, [](int i) {
        return QVariantList{QStringLiteral("收件人%1").arg(i), QStringLiteral("86138%1").arg(i, 8, 10, QChar(u'0')),
                            QStringLiteral("浙江省 杭州市 西湖区 浙江省杭州市西湖区文三路%1号").arg(i),
                            "申通快递", "未打印", "纯棉T恤 男款 白色XL", QStringLiteral("L%1").arg(i, 16, 10, QChar(u'0')),
                            double(1 + i % 5), 0.01 * (i % 100000), "2026-11-15 14:24:05"};
    });
    make(QStringLiteral("backup.mdb"), QStringLiteral("标记-备份"), backupRegister, [](int i) {
        return QVariantList{QStringLiteral("客户%1").arg(i), QStringLiteral("139%1").arg(i, 8, 10, QChar(u'0')),
                            QStringLiteral("广东省深圳市南山区科技园路%1号").arg(i), "顺丰速运", "已打印",
                            "陶瓷马克杯", QStringLiteral("B%1").arg(i), 2.0, 129.0, "2026-10-01"};
    });

    // The report as the marketplace saves it as comma-separated text.
    QByteArray csv("\xEF\xBB\xBF订单编号,买家会员名,买家实际支付金额,订单状态,买家留言,收货人姓名,收货地址,"
                   "运送方式,联系手机,订单付款时间,宝贝标题,宝贝总数量\n");
    for (int i = 0; i < importedOrders; ++i)
        csv += QStringLiteral("=\"19306798%1\",tb_buyer%2,25.80,等待发货,请尽快发货,张三%2,"
                              "浙江省 杭州市 西湖区 文三路%2号,申通快递,138%3,2026-11-15 14:24:05,纯棉T恤,2\n")
                   .arg(i, 8, 10, QChar(u'0'))
                   .arg(i)
                   .arg(i, 8, 10, QChar(u'0'))
                   .toUtf8();
    QVERIFY(writeFile(fixture(QStringLiteral("report.csv")), csv));
    QVERIFY(writeFile(fixture(QStringLiteral("old.xls")), QByteArray("an export of yesterday\n")));

    test::TestDb users;
    users.exec(QStringLiteral("insert into post values ('李明','13812345678','杭州市文三路188号','申通快递')"));
    users.exec(QStringLiteral("delete from userdb"));
    for (const auto& [user, password] : clearUsers)
        users.exec(QStringLiteral("insert into userdb values (?, ?)"), {user, password});
    users.closeConnection();
    QVERIFY(QFile::copy(users.path(), fixture(QStringLiteral("users.mdb"))));
}

void TestKills::cleanupTestCase()
{
    for (const char* name :
         {"import", "cleanup", "backup", "exitbackup", "restore", "export", "login", "import into server"}) {
        const QString command = QString::fromLatin1(name);
        if (m_tallies.contains(command))
            qInfo().noquote() << m_tallies.value(command).report(command);
    }
}

void TestKills::cleanup()
{
    // The registers are large; a failed kill's folder stays for a look.
    if (!m_lastDir.isEmpty() && !QTest::currentTestFailed())
        QDir(m_lastDir).removeRecursively();
    else if (!m_lastDir.isEmpty()) {
        m_work.setAutoRemove(false);
        qInfo().noquote() << "kept for a look:" << m_lastDir;
    }
    m_lastDir.clear();
}

QString TestKills::roundDir(const QString& command, int round, const QString& database)
{
    const QString dir = m_work.filePath(QStringLiteral("%1-%2").arg(command).arg(round));
    QDir(dir).removeRecursively();
    if (!QDir().mkpath(dir) || !QFile::copy(fixture(database), QDir(dir).filePath(schema::databaseFile)))
        return QString();
    return dir;
}

const TestKills::Reference& TestKills::reference(const QString& command, const QString& database,
                                                 const std::function<QStringList(const QString&)>& args,
                                                 const std::function<void(const QString&)>& prepare)
{
    auto it = m_references.find(command);
    if (it != m_references.end())
        return *it;
    Reference ref;
    ref.dir = roundDir(command, 0, database);
    if (!ref.dir.isEmpty()) {
        if (prepare)
            prepare(ref.dir);
        const ChildRun run = runChild(ref.dir, args(ref.dir), std::nullopt);
        if (run.failure.isEmpty()) {
            ref.spanMs = std::max<qint64>(run.spanMs, 1);
            qInfo("%s takes %lld ms without a kill", qPrintable(command), ref.spanMs);
        } else {
            qWarning().noquote() << command << run.failure;
        }
    }
    // Each command draws its delays from its own generator, so that one
    // command's kills can be repeated alone.
    m_delays.insert(command, QRandomGenerator(m_seed ^ quint32(qHash(command))));
    return *m_references.insert(command, ref);
}

TestKills::Kill TestKills::kill(const QString& command, const QString& database,
                                const std::function<QStringList(const QString&)>& args,
                                const std::function<void(const QString&)>& prepare)
{
    QFETCH(int, round);
    const Reference& ref = reference(command, database, args, prepare);
    Kill k;
    if (ref.spanMs == 0)
        return k;
    // A quarter beyond the span measured: the command's end is covered too,
    // also in a run slower than the measured one.
    const qint64 range = ref.spanMs + ref.spanMs / 4 + 1;
    const int delay = int(m_delays[command].bounded(range));
    k.where = QStringLiteral("%1, kill %2 after %3 of %4 ms (seed %5)")
                  .arg(command)
                  .arg(round)
                  .arg(delay)
                  .arg(ref.spanMs)
                  .arg(m_seed);
    k.dir = roundDir(command, round, database);
    m_lastDir = k.dir;
    if (k.dir.isEmpty())
        return k;
    if (prepare)
        prepare(k.dir);
    k.run = runChild(k.dir, args(k.dir), delay);
    Tally& tally = m_tallies[command];
    ++tally.kills;
    if (!k.run.finished)
        ++tally.during;
    return k;
}

QByteArray TestKills::reopened(const Kill& k, Tally& tally)
{
    // What a finished command leaves: the database, the fixture files,
    // the daily copy with its log, the kept copy of a restore.
    static const QRegularExpression expected(QStringLiteral(
        "^(data\\.mdb(-journal)?|备份\\.mdb|手工备份\\.mdb|清单\\.xls|backup/data-\\d{4}-\\d\\d-\\d\\d\\.mdb|"
        "backup/backup\\.log|data\\.mdb\\.\\d{8}-\\d{6}(-\\d+)?\\.bak)$"));
    QDirIterator files(k.dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString name = QDir(k.dir).relativeFilePath(files.next());
        if (!expected.match(name).hasMatch())
            tally.leftovers.insert(name);
    }
    const QString path = QDir(k.dir).filePath(schema::databaseFile);
    const QString journal = path + QStringLiteral("-journal");
    if (QFileInfo(journal).size() > 0)
        ++tally.journals;
    try {
        Database dm(path, nullptr);
        // The opening rolled the journal back and removed it.
        if (QFileInfo(journal).size() > 0) {
            qWarning().noquote() << k.where << ": a journal is still there after the opening";
            return QByteArray();
        }
        Statement check(dm.connection.handle(), QStringLiteral("PRAGMA integrity_check"));
        QStringList found;
        while (check.step())
            found << check.value(0).toString();
        if (found != QStringList{QStringLiteral("ok")}) {
            qWarning().noquote() << k.where << ": integrity check:" << found.join(u'\n');
            return QByteArray();
        }
        return digest(dm.connection.handle(), allOrders);
    } catch (const std::exception& e) {
        qWarning().noquote() << k.where << ": the data module cannot open the file:" << e.what();
        return QByteArray();
    }
}

// 淘宝订单批量导入 of 20,000 orders: all of them or none.
void TestKills::killImport()
{
    const QString command = QStringLiteral("import");
    auto args = [this](const QString&) { return QStringList{"import", fixture("report.csv")}; };
    const Reference& ref = reference(command, QStringLiteral("small.mdb"), args);
    QVERIFY2(ref.spanMs > 0, "the import without a kill failed");
    const QByteArray before = m_orders.value(QStringLiteral("small.mdb"));
    const QByteArray after = ordersOf(QDir(ref.dir).filePath(schema::databaseFile));
    {
        Connection c;
        c.open(QDir(ref.dir).filePath(schema::databaseFile), schema::databaseKey);
        Statement count(c.handle(), QStringLiteral("select count(*) from data"));
        QVERIFY(count.step());
        QCOMPARE(count.value(0).toInt(), 1 + smallRegister + importedOrders);
    }

    const Kill k = kill(command, QStringLiteral("small.mdb"), args);
    QVERIFY2(k.run.started, qPrintable(k.run.failure));
    Tally& tally = m_tallies[command];
    const QByteArray orders = reopened(k, tally);
    QVERIFY2(!orders.isEmpty(), qPrintable(k.where));
    QVERIFY2(orders == before || orders == after, qPrintable(k.where + ": a part of the report was imported"));
    // A kill after the command returned takes nothing back.
    QVERIFY2(orders == after || !k.run.finished, qPrintable(k.where + ": the finished import was lost"));
    ++tally.outcomes[orders == before ? QStringLiteral("none imported") : QStringLiteral("all imported")];
}

// 优化收件地址 over 100,000 orders, committed in chunks: each order as it
// was or wholly tidied, mobile and address together, nothing else changed.
void TestKills::killCleanup()
{
    const QString command = QStringLiteral("cleanup");
    auto args = [](const QString&) { return QStringList{"cleanup"}; };
    const Reference& ref = reference(command, QStringLiteral("large.mdb"), args);
    QVERIFY2(ref.spanMs > 0, "the clean-up without a kill failed");
    Addresses& untidied = m_untidied;
    Addresses& tidied = m_tidied;
    QByteArray& others = m_otherFields;
    if (tidied.isEmpty()) {
        Connection c;
        c.open(fixture(QStringLiteral("large.mdb")), schema::databaseKey);
        untidied = addressesOf(c.handle());
        others = digest(c.handle(), otherFields);
        c.open(QDir(ref.dir).filePath(schema::databaseFile), schema::databaseKey);
        tidied = addressesOf(c.handle());
        QCOMPARE(digest(c.handle(), otherFields), others);
        int changed = 0;
        for (auto it = tidied.cbegin(); it != tidied.cend(); ++it)
            changed += it.value() != untidied.value(it.key());
        QCOMPARE(changed, largeRegister);  // every order but the marker
    }

    const Kill k = kill(command, QStringLiteral("large.mdb"), args);
    QVERIFY2(k.run.started, qPrintable(k.run.failure));
    Tally& tally = m_tallies[command];
    QVERIFY2(!reopened(k, tally).isEmpty(), qPrintable(k.where));
    Connection c;
    c.open(QDir(k.dir).filePath(schema::databaseFile), schema::databaseKey);
    const Addresses now = addressesOf(c.handle());
    QCOMPARE(now.size(), untidied.size());
    int done = 0;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        const bool asBefore = it.value() == untidied.value(it.key());
        const bool asAfter = it.value() == tidied.value(it.key());
        QVERIFY2(asBefore || asAfter, qPrintable(k.where + QStringLiteral(": order %1 holds %2 / %3")
                                                               .arg(it.key())
                                                               .arg(it.value().first, it.value().second)));
        done += asAfter && !asBefore;
    }
    QCOMPARE(digest(c.handle(), otherFields), others);
    QVERIFY2(done == largeRegister || !k.run.finished, qPrintable(k.where + ": the finished clean-up was lost"));
    ++tally.outcomes[done == 0 ? QStringLiteral("none tidied")
                     : done == largeRegister ? QStringLiteral("all tidied")
                                             : QStringLiteral("part tidied")];
}

// "备份数据库" (odd kills) and the exit backup (even kills) of a register of
// 100,000 orders over an older copy: the target is the older copy or a
// complete checked one; the database keeps its orders.
void TestKills::killBackup()
{
    QFETCH(int, round);
    const bool atExit = round % 2 == 0;
    const QString command = atExit ? QStringLiteral("exitbackup") : QStringLiteral("backup");
    const QString older = fixture(QStringLiteral("small.mdb"));
    auto target = [atExit](const QString& dir) {
        return atExit ? QDir(ExitBackup::folderFor(QDir(dir).filePath(schema::databaseFile)))
                            .filePath(ExitBackup::copyName(today))
                      : QDir(dir).filePath(QStringLiteral("手工备份.mdb"));
    };
    auto prepare = [&](const QString& dir) {
        QDir().mkpath(QFileInfo(target(dir)).absolutePath());
        QFile::copy(older, target(dir));
    };
    auto args = [&](const QString& dir) {
        return atExit ? QStringList{"exitbackup"} : QStringList{"backup", target(dir)};
    };
    const Reference& ref = reference(command, QStringLiteral("large.mdb"), args, prepare);
    QVERIFY2(ref.spanMs > 0, "the backup without a kill failed");
    const QByteArray orders = m_orders.value(QStringLiteral("large.mdb"));
    QCOMPARE(unsound(target(ref.dir)), QString());
    QCOMPARE(ordersOf(target(ref.dir)), orders);

    const Kill k = kill(command, QStringLiteral("large.mdb"), args, prepare);
    QVERIFY2(k.run.started, qPrintable(k.run.failure));
    Tally& tally = m_tallies[command];
    QCOMPARE(reopened(k, tally), orders);
    const bool old = fileBytes(target(k.dir)) == fileBytes(older);
    if (!old) {
        const QString why = unsound(target(k.dir));
        QVERIFY2(why.isEmpty(), qPrintable(k.where + ": the backup is neither the older copy nor sound: " + why));
        QVERIFY2(ordersOf(target(k.dir)) == orders, qPrintable(k.where + ": the backup lacks orders"));
    }
    QVERIFY2(!old || !k.run.finished, qPrintable(k.where + ": the finished backup is not there"));
    ++tally.outcomes[old ? QStringLiteral("older copy") : QStringLiteral("new copy")];
}

// "恢复数据库" of a backup of 30,000 orders over a register of 100,000: the
// database holds the one or the other, the backup stays as it was, and a
// kept copy of the replaced register is a whole one.
void TestKills::killRestore()
{
    const QString command = QStringLiteral("restore");
    const QString backup = fixture(QStringLiteral("backup.mdb"));
    auto source = [](const QString& dir) { return QDir(dir).filePath(QStringLiteral("备份.mdb")); };
    auto prepare = [&](const QString& dir) { QFile::copy(backup, source(dir)); };
    auto args = [&](const QString& dir) { return QStringList{"restore", source(dir)}; };
    const Reference& ref = reference(command, QStringLiteral("large.mdb"), args, prepare);
    QVERIFY2(ref.spanMs > 0, "the restore without a kill failed");
    const QByteArray old = m_orders.value(QStringLiteral("large.mdb"));
    const QByteArray restored = m_orders.value(QStringLiteral("backup.mdb"));
    QCOMPARE(ordersOf(QDir(ref.dir).filePath(schema::databaseFile)), restored);

    const Kill k = kill(command, QStringLiteral("large.mdb"), args, prepare);
    QVERIFY2(k.run.started, qPrintable(k.run.failure));
    Tally& tally = m_tallies[command];
    const QByteArray orders = reopened(k, tally);
    QVERIFY2(!orders.isEmpty(), qPrintable(k.where));
    QVERIFY2(orders == old || orders == restored, qPrintable(k.where + ": the database holds neither register"));
    QVERIFY2(orders == restored || !k.run.finished, qPrintable(k.where + ": the finished restore was lost"));
    QVERIFY2(fileBytes(source(k.dir)) == fileBytes(backup), qPrintable(k.where + ": the backup was changed"));
    for (const QString& kept : QDir(k.dir).entryList({QStringLiteral("data.mdb.*.bak")}, QDir::Files)) {
        const QString path = QDir(k.dir).filePath(kept);
        QVERIFY2(ordersOf(path) == old, qPrintable(k.where + ": the kept copy " + kept + " is not the register"));
    }
    ++tally.outcomes[orders == old ? QStringLiteral("old register") : QStringLiteral("restored")];
}

// "恢复数据库" of a backup of 30,000 orders over a register of 100,000 whose
// middle went bad while the backup window had it closed: data.mdb is the
// damaged file byte for byte or the whole restored register, and a kept
// copy is the damaged file byte for byte.
void TestKills::killRestoreOverDamaged()
{
    const QString command = QStringLiteral("restoredamaged");
    const QString backup = fixture(QStringLiteral("backup.mdb"));
    auto source = [](const QString& dir) { return QDir(dir).filePath(QStringLiteral("备份.mdb")); };
    auto prepare = [&](const QString& dir) { QFile::copy(backup, source(dir)); };
    auto args = [&](const QString& dir) { return QStringList{command, source(dir)}; };
    const Reference& ref = reference(command, QStringLiteral("large.mdb"), args, prepare);
    QVERIFY2(ref.spanMs > 0, "the restore over a damaged register without a kill failed");
    const QByteArray restored = m_orders.value(QStringLiteral("backup.mdb"));
    QCOMPARE(ordersOf(QDir(ref.dir).filePath(schema::databaseFile)), restored);

    const Kill k = kill(command, QStringLiteral("large.mdb"), args, prepare);
    QVERIFY2(k.run.started, qPrintable(k.run.failure));
    // The child said what the damaged file holds (after its login wrote to it).
    const QRegularExpressionMatch said =
        QRegularExpression(QStringLiteral("damaged ([0-9a-f]{64})")).match(k.run.output);
    QVERIFY2(said.hasMatch(), qPrintable(k.run.output));
    const QByteArray damaged = QByteArray::fromHex(said.captured(1).toLatin1());
    auto sha = [](const QString& path) { return QCryptographicHash::hash(fileBytes(path), QCryptographicHash::Sha256); };
    Tally& tally = m_tallies[command];
    const QString path = QDir(k.dir).filePath(schema::databaseFile);
    const bool stillDamaged = sha(path) == damaged;
    if (!stillDamaged)
        QVERIFY2(reopened(k, tally) == restored, qPrintable(k.where + ": data.mdb is neither file"));
    QVERIFY2(!stillDamaged || !k.run.finished, qPrintable(k.where + ": the finished restore was lost"));
    QVERIFY2(fileBytes(source(k.dir)) == fileBytes(backup), qPrintable(k.where + ": the backup was changed"));
    const QStringList kept = QDir(k.dir).entryList({QStringLiteral("data.mdb.*.bak")}, QDir::Files);
    QVERIFY2(stillDamaged || kept.size() == 1, qPrintable(k.where + ": the damaged register was not kept"));
    for (const QString& name : kept)
        QVERIFY2(sha(QDir(k.dir).filePath(name)) == damaged,
                 qPrintable(k.where + ": the kept copy " + name + " is not the damaged file"));
    ++tally.outcomes[stillDamaged ? QStringLiteral("damaged register") : QStringLiteral("restored")];
}

// 导出Excel of 30,000 orders over an older file: the older file byte for
// byte, or the complete export (as the run without a kill wrote it).
void TestKills::killExport()
{
    const QString command = QStringLiteral("export");
    const QString older = fixture(QStringLiteral("old.xls"));
    auto target = [](const QString& dir) { return QDir(dir).filePath(QStringLiteral("清单.xls")); };
    auto prepare = [&](const QString& dir) { QFile::copy(older, target(dir)); };
    auto args = [&](const QString& dir) { return QStringList{"export", target(dir)}; };
    const Reference& ref = reference(command, QStringLiteral("backup.mdb"), args, prepare);
    QVERIFY2(ref.spanMs > 0, "the export without a kill failed");
    const QByteArray complete = fileBytes(target(ref.dir));
    QVERIFY(complete.size() > 30000 * 13);

    const Kill k = kill(command, QStringLiteral("backup.mdb"), args, prepare);
    QVERIFY2(k.run.started, qPrintable(k.run.failure));
    Tally& tally = m_tallies[command];
    QCOMPARE(reopened(k, tally), m_orders.value(QStringLiteral("backup.mdb")));
    const QByteArray now = fileBytes(target(k.dir));
    QVERIFY2(now == fileBytes(older) || now == complete,
             qPrintable(k.where + QStringLiteral(": the file holds %1 bytes, neither the older file nor the "
                                                 "complete export")
                                      .arg(now.size())));
    QVERIFY2(now == complete || !k.run.finished, qPrintable(k.where + ": the finished export is not there"));
    ++tally.outcomes[now == complete ? QStringLiteral("complete export") : QStringLiteral("older file")];
}

// The first login into a register of clear passwords hashes every user's:
// whatever the moment of the kill, the passwords are all in the clear or all
// hashed, and every user logs in with their password.
void TestKills::killLogin()
{
    const QString command = QStringLiteral("login");
    auto args = [](const QString&) { return QStringList{"login"}; };
    const int users = int(clearUsers.size());
    // What the register holds for each user, and the password that opens it.
    struct Stored {
        QHash<QString, QString> passwords;
        int hashed = 0;
    };
    auto storedIn = [](const QString& dir) {
        Stored stored;
        Connection c;
        c.open(QDir(dir).filePath(schema::databaseFile), schema::databaseKey);
        Statement st(c.handle(), QStringLiteral("select %1, %2 from userdb")
                                     .arg(schema::userColumn::name, schema::userColumn::password));
        while (st.step()) {
            stored.passwords.insert(st.value(0).toString(), st.value(1).toString());
            stored.hashed += PasswordHash::isHash(st.value(1).toString());
        }
        return stored;
    };
    const Reference& ref = reference(command, QStringLiteral("users.mdb"), args);
    QVERIFY2(ref.spanMs > 0, "the login without a kill failed");
    QCOMPARE(storedIn(ref.dir).hashed, users);

    const Kill k = kill(command, QStringLiteral("users.mdb"), args);
    QVERIFY2(k.run.started, qPrintable(k.run.failure));
    Tally& tally = m_tallies[command];
    QVERIFY2(!reopened(k, tally).isEmpty(), qPrintable(k.where));
    const Stored now = storedIn(k.dir);
    QCOMPARE(now.passwords.size(), users);
    QVERIFY2(now.hashed == 0 || now.hashed == users,
             qPrintable(k.where + QStringLiteral(": %1 of %2 passwords hashed").arg(now.hashed).arg(users)));
    QVERIFY2(now.hashed > 0 || !k.run.finished, qPrintable(k.where + ": the finished login's hashes were lost"));
    Database dm(QDir(k.dir).filePath(schema::databaseFile), nullptr);
    for (const auto& [user, password] : clearUsers) {
        if (now.hashed == 0)
            QCOMPARE(now.passwords.value(user), password);
        QVERIFY2(LoginJournal::passwordMatches(dm, user, password), qPrintable(k.where + ": " + user));
    }
    ++tally.outcomes[now.hashed == 0 ? QStringLiteral("all clear") : QStringLiteral("all hashed")];
}

// What a copy cut off by a kill leaves (its temporary file and journal,
// hidden beside the target) is removed by the next copy to the same name,
// once it has lain untouched for an hour; a copy running elsewhere at the
// moment and every other file keep theirs.
void TestKills::leftoversOfCutOffCopies_data()
{
    using Copy = std::function<void(const test::TestDb&)>;
    QTest::addColumn<Copy>("copy");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");  // the target's, or the kept copy's without its moment
    QTest::newRow("backup by hand") << Copy([](const test::TestDb& db) {
        DatabaseCopier().backup(db.path(), QDir(db.dir()).filePath(QStringLiteral("手工备份.mdb")));
    }) << "" << "手工备份.mdb";
    QTest::newRow("exit backup") << Copy([](const test::TestDb& db) {
        Connection c;
        c.open(db.path(), schema::databaseKey);
        QVERIFY(ExitBackup::run(c, QDateTime(today, QTime(18, 0))));
    }) << "backup" << "data-2026-12-10.mdb";
    QTest::newRow("restore") << Copy([](const test::TestDb& db) {
        const QString source = QDir(db.dir()).filePath(QStringLiteral("备份.mdb"));
        QVERIFY(QFile::copy(db.path(), source));
        DatabaseCopier().restore(source, db.path(), QDateTime(today, QTime(18, 0)));
    }) << "" << "data.mdb.20261209-170000.bak";
}

void TestKills::leftoversOfCutOffCopies()
{
    QFETCH(std::function<void(const test::TestDb&)>, copy);
    QFETCH(QString, folder);
    QFETCH(QString, name);
    test::TestDb db;
    db.closeConnection();
    const QDir dir(QDir(db.dir()).filePath(folder));
    QVERIFY(dir.mkpath(QStringLiteral(".")));
    auto leave = [&](const QString& file, qint64 agoSeconds) {
        QFile f(dir.filePath(file));
        QVERIFY(f.open(QIODevice::WriteOnly));
        // Written out before the time is set, which the writing would change.
        QVERIFY(f.write("a page or two") > 0 && f.flush());
        QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-agoSeconds), QFileDevice::FileModificationTime));
    };
    const QStringList stale = {"." + name + ".4242.tmp", "." + name + ".4242.tmp-journal"};
    const QStringList kept = {
        "." + name + ".4343.tmp",             // a copy running elsewhere now
        "." + name + ".4444.tmp-journal",     // and its journal
        ".other.mdb.4242.tmp",                // another file's
        name + ".4242.tmp",                   // not one of ours
    };
    for (const QString& file : stale)
        leave(file, 2 * 60 * 60);
    leave(kept[0], 0);
    leave(kept[1], 5 * 60);
    leave(kept[2], 2 * 60 * 60);
    leave(kept[3], 2 * 60 * 60);

    copy(db);

    const QStringList present = dir.entryList(QDir::Files | QDir::Hidden);
    for (const QString& file : stale)
        QVERIFY2(!present.contains(file), qPrintable(file));
    for (const QString& file : kept)
        QVERIFY2(present.contains(file), qPrintable(file));
}

QString TestKills::smallServerRegister()
{
    if (!m_server) {
        auto server = std::make_unique<PgTestServer>();
        if (!server->start()) {
            qWarning().noquote() << server->error();
            return QString();
        }
        m_server = std::move(server);
    }
    const QString uri = m_server->createDatabase(QStringLiteral("import%1").arg(++m_serverRegisters));
    if (uri.isEmpty()) {
        qWarning().noquote() << m_server->error();
        return QString();
    }
    try {
        PasswordHash::setCost(PasswordHash::Cost::Lightest);
        createServerRegister(uri, false);
        Connection c;
        c.open(uri, schema::databaseKey);
        c.exec(QStringLiteral("delete from post"));
        c.exec(senderRow);
        c.exec(QStringLiteral("begin"));
        c.exec(QStringLiteral("insert into data (a, b, c, d) values (?, ?, ?, ?)"),
               {smallMarker, "13900000000", "标记", "申通快递"});
        for (int i = 0; i < smallRegister; ++i)
            c.exec(QStringLiteral("insert into data (a, b, c, d, g, h, j, [1], [2], day1) "
                                  "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                   smallOrder(i));
        c.exec(QStringLiteral("commit"));
    } catch (const std::exception& e) {
        qWarning("%s", e.what());
        return QString();
    }
    return uri;
}

QString TestKills::serverOrders(const QString& uri)
{
    QProcess psql;
    psql.start(PgTestServer::binDir() + QStringLiteral("/psql"),
               {QStringLiteral("-X"), QStringLiteral("-A"), QStringLiteral("-t"), QStringLiteral("-q"),
                QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-d"), uri, QStringLiteral("-c"),
                QStringLiteral("select count(*), md5(string_agg(d::text, E'\\n' order by d.kx_row)) from data d")});
    if (!psql.waitForFinished(60000) || psql.exitStatus() != QProcess::NormalExit || psql.exitCode() != 0)
        return QStringLiteral("psql failed: ") + QString::fromUtf8(psql.readAllStandardError());
    return QString::fromUtf8(psql.readAllStandardOutput()).trimmed();
}

// 淘宝订单批量导入 of 20,000 orders into a register on a database server,
// the program killed at a random moment: the server holds all of them or
// none, and the data module opens the register again.
void TestKills::killImportIntoServer()
{
    QFETCH(int, round);
    if (PgTestServer::binDir().isEmpty())
        QSKIP("the PostgreSQL server programs are not installed");
    const QString command = QStringLiteral("import into server");
    const QStringList report{QStringLiteral("import"), fixture(QStringLiteral("report.csv"))};
    QString& before = m_serverImport.before;
    QString& after = m_serverImport.after;
    qint64& spanMs = m_serverImport.spanMs;
    if (round == 1 || spanMs == 0) {
        const QString uri = smallServerRegister();
        QVERIFY(!uri.isEmpty());
        before = serverOrders(uri);
        QVERIFY2(before.startsWith(QString::number(1 + smallRegister) + u'|'), qPrintable(before));
        const QString dir = m_work.filePath(QStringLiteral("server-import-0"));
        QVERIFY(QDir().mkpath(dir));
        const ChildRun run = runChild(dir, report + QStringList{uri}, std::nullopt);
        QVERIFY2(run.failure.isEmpty(), qPrintable(run.failure));
        // The checker looked for a file named as the URI (the report is
        // there): the import window does not take a server register yet.
        if (run.output.contains(QStringLiteral("找不到文件")))
            QSKIP("the import window does not take a server register's URI yet");
        after = serverOrders(uri);
        QVERIFY2(after.startsWith(QString::number(1 + smallRegister + importedOrders) + u'|'),
                 qPrintable(after + u'\n' + run.output));
        spanMs = std::max<qint64>(run.spanMs, 1);
        qInfo("%s takes %lld ms without a kill", qPrintable(command), spanMs);
        m_delays.insert(command, QRandomGenerator(m_seed ^ quint32(qHash(command))));
    }

    const QString uri = smallServerRegister();
    QVERIFY(!uri.isEmpty());
    QCOMPARE(serverOrders(uri), before);
    const int delay = int(m_delays[command].bounded(spanMs + spanMs / 4 + 1));
    const QString where =
        QStringLiteral("%1, kill %2 after %3 of %4 ms (seed %5)").arg(command).arg(round).arg(delay).arg(spanMs).arg(m_seed);
    const QString dir = m_work.filePath(QStringLiteral("server-import-%1").arg(round));
    QVERIFY(QDir().mkpath(dir));
    m_lastDir = dir;
    const ChildRun run = runChild(dir, report + QStringList{uri}, delay);
    QVERIFY2(run.started, qPrintable(run.failure));
    Tally& tally = m_tallies[command];
    ++tally.kills;
    if (!run.finished)
        ++tally.during;

    const QString orders = serverOrders(uri);
    QVERIFY2(orders == before || orders == after, qPrintable(where + ": " + orders));
    QVERIFY2(orders == after || !run.finished, qPrintable(where + ": the finished import was lost"));
    ++tally.outcomes[orders == before ? QStringLiteral("none imported") : QStringLiteral("all imported")];
    // The next program on the register starts as ever: the killed one's
    // session has left nothing that stands in its way.
    try {
        Database dm(uri, nullptr);
    } catch (const std::exception& e) {
        QFAIL(qPrintable(where + ": the data module cannot open the register: " + e.what()));
    }
}

QTEST_MAIN(TestKills)
#include "tst_kills.moc"
