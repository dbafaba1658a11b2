// A register moved between the encrypted file and a database server of the
// test's own: kestrix-newdb --from, the backup of a server register into a
// file, the restore of a file into it, and a restore killed half-way.
#include "Fakes.h"
#include "PgTestServer.h"

#include "core/OperationError.h"
#include "data/DatabaseChecker.h"
#include "data/Database.h"
#include "data/DatabaseFactory.h"
#include "data/RegisterTransfer.h"
#include "data/Schema.h"
#include "maintenance/BackupWindow.h"
#include "maintenance/ExitBackup.h"
#include "maintenance/MaintenanceHost.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>
#include <sqlite3.h>

using namespace kx;

namespace {

struct Run {
    int exitCode = -1;
    QString output;
    QString errors;
};

Run newdb(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(KX_NEWDB_PATH), args);
    Run run;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = p.exitCode();
    run.output = QString::fromUtf8(p.readAllStandardOutput());
    run.errors = QString::fromUtf8(p.readAllStandardError());
    return run;
}

struct DbClose {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using DbHandle = std::unique_ptr<sqlite3, DbClose>;

DbHandle openFile(const QString& path)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    DbHandle db(raw);
    sqlite3_key(raw, schema::databaseKey.constData(), int(schema::databaseKey.size()));
    return db;
}

// A new register file (as kestrix-newdb makes it) with the statements run
// on it; false with the engine's message when one fails.
bool makeRegister(const QString& path, const QString& sql, QString* error)
{
    QFile::remove(path);
    createDatabase(path, false);
    const DbHandle db = openFile(path);
    char* message = nullptr;
    if (sqlite3_exec(db.get(), sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        *error = QString::fromUtf8(message);
        sqlite3_free(message);
        return false;
    }
    return true;
}

// Every row of every table as the engine stores it: the rowid, then each
// field with its storage class, doubles with all their digits; then what the
// counters have given.
QString dump(const QString& path, bool withCounters = true)
{
    const DbHandle db = openFile(path);
    QStringList lines;
    auto each = [&](const QString& sql) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db.get(), sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
            lines << QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(db.get()));
            return;
        }
        while (sqlite3_step(st) == SQLITE_ROW) {
            QStringList fields;
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                switch (sqlite3_column_type(st, c)) {
                case SQLITE_NULL: fields << QStringLiteral("null"); break;
                case SQLITE_INTEGER: fields << QString::number(sqlite3_column_int64(st, c)); break;
                case SQLITE_FLOAT: fields << QStringLiteral("r:%1").arg(sqlite3_column_double(st, c), 0, 'g', 17); break;
                default:
                    fields << QStringLiteral("t:") + QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)),
                                                                   sqlite3_column_bytes(st, c));
                }
            }
            lines << fields.join(QLatin1Char('|'));
        }
        sqlite3_finalize(st);
    };
    for (const schema::Table& table : schema::tables()) {
        lines << table.name;
        each(QStringLiteral("select rowid, * from %1 order by rowid").arg(table.name));
    }
    if (withCounters) {
        lines << QStringLiteral("counters");
        each(QStringLiteral("select name, seq from sqlite_sequence order by name"));
    }
    return lines.join(QLatin1Char('\n'));
}

// What the sqlcipher command-line tool, not our code, reads from a file.
QString cli(const QString& path, const QString& sql)
{
    QProcess p;
    p.start(QStringLiteral("sqlcipher"), {path});
    p.write("PRAGMA key='" + schema::databaseKey + "';\n" + sql.toUtf8() + ";\n");
    p.closeWriteChannel();
    p.waitForFinished(30000);
    QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.removeAll(QStringLiteral("ok"));  // newer builds echo it for the key
    return lines.join(QLatin1Char('\n'));
}

// A register with what a copy could lose: Chinese text, the characters that
// separate COPY's fields and rows, nulls beside empty texts, doubles that
// need all their digits, an order id past 2^53, and deleted rows whose
// numbers the counters have given.
const QString richRegister = QStringLiteral(
    "insert into data (rowid,a,b,c,d,g,h,i,\"1\",\"2\",day1) values"
    " (1,'张伟','13800000000','杭州市'||char(9)||'文三路'||char(10)||'188号\\A座'||char(13),'申通快递','未打印',null,'',1,0.1+0.2,'2026-11-01'),"
    " (3,'王芳','13912345678','上海市浦东新区','圆通速递','已打印','蓝牙耳机','buyer_1',null,1e300,'2026-11-02 14:10:05'),"
    " (9007199254740993,'李娜',null,'北京市','顺丰速运','未打印','纯棉T恤','b2',2.5,5e-324,'2026-11-03');"
    "insert into data1 (ID,a,c,a5,\"9\",day6) values (1,'收入','很长的说明，含中文',0.1,-1.5,'2026-11-01'),"
    " (2,'支出',null,123456789.125,null,null), (4,'删掉的',null,null,null,null);"
    "delete from data1 where ID = 4;"
    "insert into rz (id,username,btime,jtime) values (1,'超级管理员','2026-11-01 08:00:00','2026-11-01 18:00:00'),"
    " (2,'小王','2026-11-02 08:00:00',null), (3,'小王','2026-11-03 08:00:00',null);"
    "update post set a='李明', c='浙江省杭州市西湖区文三路188号';"
    "insert into userdb values ('小王','hash-of-123');");

struct QuietHost : MaintenanceHost {
    void hideMainWindow() override {}
    void showMainWindow() override {}
    void showAll() override {}
    void endProgram() override {}
};

}  // namespace

#define PSQL(db, sql, out) QVERIFY2(m_server->psql(db, sql, out), qPrintable(m_server->error()))

class TestTransfer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void roundTripKeepsEveryField();
    void refusesTextServerCannotHold_data();
    void refusesTextServerCannotHold();
    void newdbFromRefuses_data();
    void newdbFromRefuses();
    void restoreReplacesAllOrNothing();
    void exitBackupOfServerRegister();
    void backupWindowOnServerRegister();
    void killRestore();

private:
    QString database(const QString& name);

    std::unique_ptr<PgTestServer> m_server;
    QTemporaryDir m_dir;
};

void TestTransfer::initTestCase()
{
    if (PgTestServer::binDir().isEmpty())
        QSKIP("the PostgreSQL server programs are not installed");
    m_server = std::make_unique<PgTestServer>();
    QVERIFY2(m_server->start(), qPrintable(m_server->error()));
    QVERIFY(m_dir.isValid());
}

QString TestTransfer::database(const QString& name)
{
    const QString uri = m_server->createDatabase(name);
    if (uri.isEmpty())
        qWarning("%s", qPrintable(m_server->error()));
    return uri;
}

// File → server → file: every row and field, the counters' positions and the
// identities come back as they were; the server holds what psql shows; a
// row added on the server afterwards gets a number no row has had.
void TestTransfer::roundTripKeepsEveryField()
{
    const QString original = m_dir.filePath(QStringLiteral("rich.mdb"));
    QString error;
    QVERIFY2(makeRegister(original, richRegister, &error), qPrintable(error));
    const QString uri = database(QStringLiteral("round"));
    QVERIFY(!uri.isEmpty());

    const Run copied = newdb({QStringLiteral("--from"), original, uri});
    QCOMPARE(copied.errors, QString());
    QCOMPARE(copied.exitCode, 0);
    QCOMPARE(copied.output, QStringLiteral("data 3\npost 1\nuserdb 2\nrz 3\ndata1 2\n"));

    // What reached the server, as its own client shows it.
    QString shown;
    PSQL(QStringLiteral("round"),
         QStringLiteral("select kx_row, a, b is null, i, \"1\", \"2\","
                        " c = E'杭州市\\t文三路\\n188号\\\\A座\\r' from data order by kx_row"),
         &shown);
    QCOMPARE(shown.trimmed(), QStringLiteral("1|张伟|f||1|0.30000000000000004|t\n"
                                             "3|王芳|f|buyer_1||1e+300|f\n"
                                             "9007199254740993|李娜|t|b2|2.5|5e-324|f"));
    PSQL(QStringLiteral("round"),
         QStringLiteral("select \"ID\", kx_row, a, a5, \"9\" from data1 order by 1;"
                        " select id, username, jtime is null from rz order by 1"),
         &shown);
    QCOMPARE(shown.trimmed(), QStringLiteral("1|1|收入|0.1|-1.5\n2|2|支出|123456789.125|\n"
                                             "1|超级管理员|f\n2|小王|t\n3|小王|t"));

    const QString back = m_dir.filePath(QStringLiteral("back.mdb"));
    const RegisterTransfer::Counts counts = RegisterTransfer().backupFromServer(uri, back);
    QCOMPARE(counts.size(), 5);
    QCOMPARE(counts.at(0).rows, 3);
    QCOMPARE(dump(back), dump(original));
    // The checker program takes the copy as a register of the program, and
    // the engine's own tool reads it with the key.
    DatabaseChecker().checkWhole(back);
    QCOMPARE(cli(back, QStringLiteral("select group_concat(rowid || ':' || a, ',') from data")),
             QStringLiteral("1:张伟,3:王芳,9007199254740993:李娜"));

    // The next numbers go past every copied one, the deleted ledger row's
    // included; the ledger's row identity keeps in step with its ID.
    PSQL(QStringLiteral("round"),
         QStringLiteral("insert into data (a) values ('新') returning kx_row;"
                        " insert into data1 (a) values ('新') returning \"ID\", kx_row;"
                        " insert into rz (username) values ('新') returning id"),
         &shown);
    QCOMPARE(shown.trimmed(), QStringLiteral("9007199254740994\n5|5\n4"));
}

void TestTransfer::refusesTextServerCannotHold_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("named");
    QTest::newRow("invalid UTF-8")
        << "insert into data (rowid,a,c) values (6,'张伟','北京'), (7,'王芳',cast(X'E4B8' as text))"
        << "数据表 data 中 rowid 为 7 的记录，字段 c：不是有效的 UTF-8 文本";
    QTest::newRow("a NUL")
        << "insert into data1 (ID,a,k) values (3,'收入',cast(X'6100E4B8AD' as text))"
        << "数据表 data1 中 rowid 为 3 的记录，字段 k：含有空字符（NUL）";
    QTest::newRow("a surrogate")
        << "insert into rz (id,username) values (4,cast(X'EDA080' as text))"
        << "数据表 rz 中 rowid 为 4 的记录，字段 username：不是有效的 UTF-8 文本";
    QTest::newRow("bytes, not text") << "update post set d = X'00FF'"
                                     << "数据表 post 中 rowid 为 1 的记录，字段 d：不是文本";
    QTest::newRow("text, not a number") << "update data set \"2\" = '十九块九' where rowid = 3"
                                        << "数据表 data 中 rowid 为 3 的记录，字段 2：不是数字";
}

// The copy stops before its commit, names where the value stands, and
// leaves the database as empty as it was.
void TestTransfer::refusesTextServerCannotHold()
{
    QFETCH(QString, fixture);
    QFETCH(QString, named);
    const QString file = m_dir.filePath(QStringLiteral("bad.mdb"));
    QString error;
    QVERIFY2(makeRegister(file, richRegister + fixture, &error), qPrintable(error));
    const QString name = QStringLiteral("bad_%1").arg(QTest::currentDataTag()).replace(QRegularExpression("\\W"), "_");
    const QString uri = database(name);
    QVERIFY(!uri.isEmpty());

    const Run run = newdb({QStringLiteral("--from"), file, uri});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.startsWith(QStringLiteral("kestrix-newdb: ") + named), qPrintable(run.errors));
    QCOMPARE(run.output, QString());
    QString tables;
    PSQL(name, QStringLiteral("select count(*) from information_schema.tables where table_schema='public'"), &tables);
    QCOMPARE(tables.trimmed(), QStringLiteral("0"));
}

void TestTransfer::newdbFromRefuses_data()
{
    QTest::addColumn<QString>("file");    // "register", or a text the file holds
    QTest::addColumn<bool>("demoFirst");  // the database holds a register already
    QTest::addColumn<QString>("message");
    QTest::newRow("database holds a register")
        << "register" << true
        << "Database '{db}' already holds a register's tables (data, data1, post, rz, userdb); "
           "a new register needs an empty database.";
    QTest::newRow("file is no register") << "just some text\n" << false << "{file} 不是本程序的数据库文件，或者它的密码不同。";
}

// Refused by the checker or by the database: nothing printed, nothing
// changed on the server.
void TestTransfer::newdbFromRefuses()
{
    QFETCH(QString, file);
    QFETCH(bool, demoFirst);
    QFETCH(QString, message);
    const QString name =
        QStringLiteral("refused_%1").arg(QTest::currentDataTag()).replace(QRegularExpression("\\W"), "_");
    const QString path = m_dir.filePath(QStringLiteral("source.mdb"));
    message.replace(QStringLiteral("{db}"), name).replace(QStringLiteral("{file}"), path);
    const QString uri = database(name);
    QVERIFY(!uri.isEmpty());
    if (demoFirst)
        QCOMPARE(newdb({QStringLiteral("--demo"), uri}).exitCode, 0);
    QString error;
    if (file == QLatin1String("register")) {
        QVERIFY2(makeRegister(path, richRegister, &error), qPrintable(error));
    } else {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(file.toUtf8());
    }
    const QString snapshot = QStringLiteral(
        "select string_agg(table_name::text, ',' order by table_name) from information_schema.tables"
        " where table_schema='public'");
    QString was;
    PSQL(name, snapshot, &was);
    if (demoFirst) {
        QString rows;
        PSQL(name, QStringLiteral("select count(*) from data"), &rows);
        was += rows;
    }

    const Run run = newdb({QStringLiteral("--from"), path, uri});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.errors.trimmed(), QStringLiteral("kestrix-newdb: ") + message);
    QCOMPARE(run.output, QString());
    QString now;
    PSQL(name, snapshot, &now);
    if (demoFirst) {
        QString rows;
        PSQL(name, QStringLiteral("select count(*) from data"), &rows);
        now += rows;
    }
    QCOMPARE(now, was);
}

// A restore puts the file's rows in place of all the server's; one that
// fails half-way, or is refused at the start, leaves the old register.
void TestTransfer::restoreReplacesAllOrNothing()
{
    const QString first = m_dir.filePath(QStringLiteral("first.mdb"));
    QString error;
    QVERIFY2(makeRegister(first, richRegister, &error), qPrintable(error));
    const QString uri = database(QStringLiteral("restored"));
    QVERIFY(!uri.isEmpty());
    RegisterTransfer().copyIntoEmptyServer(first, uri);
    const QString snapshot = QStringLiteral(
        "select * from data order by kx_row; select * from data1 order by kx_row; select * from rz order by id;"
        " select * from post; select * from userdb order by 1");
    QString old;
    PSQL(QStringLiteral("restored"), snapshot, &old);

    // Bad text in the last table copied: every other table has been
    // replaced inside the transaction by then.
    const QString failing = m_dir.filePath(QStringLiteral("failing.mdb"));
    QVERIFY2(makeRegister(failing,
                          QStringLiteral("insert into data (a) values ('另一个');"
                                         "insert into data1 (ID,a) values (9,cast(X'FF' as text))"),
                          &error),
             qPrintable(error));
    const QString notRegister = m_dir.filePath(QStringLiteral("notregister.mdb"));
    QFile f(notRegister);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("SQLite format 3");
    f.close();
    for (const QString& source : {failing, notRegister}) {
        QVERIFY_THROWS_EXCEPTION(OperationError, RegisterTransfer().restoreToServer(source, uri));
        QString now;
        PSQL(QStringLiteral("restored"), snapshot, &now);
        QCOMPARE(now, old);
    }

    const QString second = m_dir.filePath(QStringLiteral("second.mdb"));
    QVERIFY2(makeRegister(second,
                          QStringLiteral("insert into data (rowid,a,\"2\") values (1,'赵敏',19.9), (2,'黄强',null);"
                                         "insert into rz (id,username) values (1,'小王')"),
                          &error),
             qPrintable(error));
    int calls = 0;
    int lastDone = -1;
    int lastTotal = -1;
    QString seenMeanwhile;
    bool writeWaited = false;
    RegisterTransfer restore;
    restore.setProgress([&](int done, int total) {
        // Half-way, with the old rows deleted inside the restore's
        // transaction: another station still reads the old register, and
        // its write waits for the restore to end.
        if (calls++ == 0) {
            m_server->psql(QStringLiteral("restored"), QStringLiteral("select count(*) from data"), &seenMeanwhile);
            writeWaited = !m_server->psql(QStringLiteral("restored"),
                                          QStringLiteral("set lock_timeout = '300ms'; insert into data (a) values ('插队')"))
                          && m_server->error().contains(QLatin1String("lock timeout"));
        }
        lastDone = done;
        lastTotal = total;
    });
    const RegisterTransfer::Counts counts = restore.restoreToServer(second, uri);
    QCOMPARE(counts.at(0).table, QStringLiteral("data"));
    QCOMPARE(counts.at(0).rows, 2);
    QVERIFY(calls >= 2);
    QCOMPARE(seenMeanwhile.trimmed(), QStringLiteral("3"));
    QVERIFY(writeWaited);
    QCOMPARE(lastDone, 5);  // two orders, the sender, the administrator, one journal row
    QCOMPARE(lastTotal, 5);
    const QString back = m_dir.filePath(QStringLiteral("second-back.mdb"));
    RegisterTransfer().backupFromServer(uri, back);
    QCOMPARE(dump(back, false), dump(second, false));
    // The numbers never go back: a row added now gets one the old register
    // never gave either.
    QString next;
    PSQL(QStringLiteral("restored"),
         QStringLiteral("insert into data (a) values ('新') returning kx_row;"
                        " insert into data1 (a) values ('新') returning \"ID\""),
         &next);
    QCOMPARE(next.trimmed(), QStringLiteral("9007199254740994\n5"));
}

// Each station's exit backup of a server register is today's file in the
// backup folder of its own working folder, a register as the file's are.
void TestTransfer::exitBackupOfServerRegister()
{
    const QString source = m_dir.filePath(QStringLiteral("station.mdb"));
    QString error;
    QVERIFY2(makeRegister(source, richRegister, &error), qPrintable(error));
    const QString uri = database(QStringLiteral("stations"));
    QVERIFY(!uri.isEmpty());
    RegisterTransfer().copyIntoEmptyServer(source, uri);

    QTemporaryDir station;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(station.path());
    const QDateTime now(QDate(2026, 12, 11), QTime(18, 0));
    const bool made = ExitBackup::runForServer(uri, now, DatabaseCopier());
    QDir::setCurrent(previous);
    QVERIFY(made);
    const QString copy = QDir(station.path()).filePath(QStringLiteral("backup/data-2026-12-11.mdb"));
    QCOMPARE(dump(copy), dump(source));
    QCOMPARE(QFileInfo(copy).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
}

// A restore into the server killed at random moments: the server's register
// is always either the old one or the restored one, whole, and the next
// restore goes through.
void TestTransfer::killRestore()
{
    const QString child = QStringLiteral(KX_CHILDREN_DIR "/kx_transferchild");
    QVERIFY(QFileInfo(child).isExecutable());
    // Two registers of 30,000 orders each, told apart by their names.
    QStringList files;
    for (const QString& name : {QStringLiteral("甲"), QStringLiteral("乙")}) {
        const QString path = m_dir.filePath(QStringLiteral("kill-%1.mdb").arg(files.size()));
        QString error;
        QVERIFY2(makeRegister(path,
                              QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where i < 30000)"
                                             " insert into data (a,b,c,\"2\") select '%1'||i, '138'||i,"
                                             " '杭州市文三路'||i||'号', i*0.1 from n")
                                  .arg(name),
                              &error),
                 qPrintable(error));
        files << path;
    }
    const QString uri = database(QStringLiteral("killed"));
    QVERIFY(!uri.isEmpty());
    RegisterTransfer().copyIntoEmptyServer(files.at(0), uri);

    // The register on the server, in short: its orders' count and checksum.
    auto signature = [&](QString* out) {
        return m_server->psql(QStringLiteral("killed"),
                              QStringLiteral("select count(*), md5(string_agg(concat_ws('|', kx_row, a, b, c, \"2\"),"
                                             " ',' order by kx_row)) from data"),
                              out);
    };
    QStringList signatures(2);
    QVERIFY2(signature(&signatures[0]), qPrintable(m_server->error()));

    auto runChild = [&](const QString& file, int killAfterMs, bool* finished) {
        QProcess p;
        p.start(child, {QStringLiteral("restore"), file, uri});
        QByteArray out;
        while (!out.contains("start\n") && p.waitForReadyRead(60000))
            out += p.readAllStandardOutput();
        QElapsedTimer span;
        span.start();
        if (killAfterMs >= 0) {
            QThread::msleep(ulong(killAfterMs));
            p.kill();
        }
        p.waitForFinished(120000);
        out += p.readAllStandardOutput();
        *finished = out.contains("done\n");
        if (killAfterMs < 0 && !*finished)
            qWarning("%s", p.readAllStandardError().constData());
        return span.elapsed();
    };
    bool finished = false;
    const qint64 spanMs = runChild(files.at(1), -1, &finished);
    QVERIFY(finished);
    QVERIFY2(signature(&signatures[1]), qPrintable(m_server->error()));
    QVERIFY(signatures.at(1) != signatures.at(0));
    QVERIFY(signatures.at(1).startsWith(QStringLiteral("30000|")));

    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("restore takes %lld ms; kill seed %u", spanMs, seed);
    QRandomGenerator random(seed);
    int current = 1;
    for (int round = 0; round < 4; ++round) {
        const int other = 1 - current;
        const int killAfter = int(random.bounded(qint64(spanMs) + 1));
        runChild(files.at(other), killAfter, &finished);
        QString now;
        QVERIFY2(signature(&now), qPrintable(m_server->error()));
        QVERIFY2(signatures.contains(now), qPrintable(QStringLiteral("kill after %1 ms: %2").arg(killAfter).arg(now)));
        if (finished)
            QCOMPARE(now, signatures.at(other));
        current = signatures.indexOf(now);
        qInfo("kill after %d ms: the %s register", killAfter, current == other ? "restored" : "old");
    }
    // The server takes the next restore as ever.
    runChild(files.at(1 - current), -1, &finished);
    QVERIFY(finished);
}

// The backup window over a data module open on a server register: its
// backup is a file, its restore replaces the server's rows.
void TestTransfer::backupWindowOnServerRegister()
{
    const QString source = m_dir.filePath(QStringLiteral("window.mdb"));
    QString error;
    QVERIFY2(makeRegister(source, richRegister, &error), qPrintable(error));
    const QString uri = database(QStringLiteral("window"));
    QVERIFY(!uri.isEmpty());
    RegisterTransfer().copyIntoEmptyServer(source, uri);
    std::unique_ptr<Database> dm;
    try {
        dm = std::make_unique<Database>(uri, nullptr);
    } catch (const OperationError& e) {
        QSKIP(qPrintable(QStringLiteral("the data module does not open a server register here: ") + e.message()));
    }
    test::FakePlatform fp;
    QuietHost host;
    const QString backup = m_dir.filePath(QStringLiteral("window-backup.mdb"));
    QPointer<BackupWindow> w = new BackupWindow(nullptr, *dm, fp.platform, host);
    w->show();
    w->backupPathEdit->setText(backup);
    w->backupButton->click();
    QCOMPARE(fp.dialogs.texts(), QStringList{QStringLiteral("数据库备份成功！")});
    QCOMPARE(dump(backup), dump(source));

    PSQL(QStringLiteral("window"), QStringLiteral("delete from data; insert into data (a) values ('后来的')"), nullptr);
    fp.dialogs.clear();
    fp.dialogs.answers.enqueue(QMessageBox::Yes);
    w->restoreFileEdit->setText(backup);
    w->restoreButton->click();
    QCOMPARE(fp.dialogs.texts(),
             QStringList({QStringLiteral("文件已存在，是否替换？"), QStringLiteral("数据库恢复成功！")}));
    QString orders;
    PSQL(QStringLiteral("window"), QStringLiteral("select string_agg(a, ',' order by kx_row) from data"), &orders);
    QCOMPARE(orders.trimmed(), QStringLiteral("张伟,王芳,李娜"));
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete w.data();
}

QTEST_MAIN(TestTransfer)
#include "tst_transfer.moc"
