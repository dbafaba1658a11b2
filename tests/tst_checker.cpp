// The check of database files the program did not make: kestrix-check, run
// by DatabaseChecker, on registers carrying what no register of ours holds
// (made by tests/fixtures/make_hostile_registers), on sound and damaged
// registers, and with a checker that is missing, cannot start or hangs.

#include "HostileRegisters.h"
#include "TestDb.h"

#include "core/OperationError.h"
#include "data/Connection.h"
#include "data/DatabaseChecker.h"
#include "data/Schema.h"

#include <QCryptographicHash>
#include <QScopeGuard>
#include <QtTest>
#include <chrono>

using namespace kx;
using namespace std::chrono_literals;

class TestChecker : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void refused_data();
    void refused();
    void soundRegister_data();
    void soundRegister();
    void cutOffWriteIsCheckedAsPlayedBack();
    void damagedPageFoundOnlyByWholeCheck();
    void checkerCannotAnswer_data();
    void checkerCannotAnswer();

private:
    QTemporaryDir m_files;
};

namespace {

// The message a check refused the file with; empty when it passed.
QString refusal(const DatabaseChecker& checker, bool whole, const QString& path)
{
    try {
        whole ? checker.checkWhole(path) : checker.checkSchema(path);
    } catch (const OperationError& e) {
        return e.message();
    }
    return QString();
}

// The file and everything beside it that the engine might have added.
QByteArray fingerprint(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "missing";
    const QFileInfo info(path);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256) +
           info.dir().entryList({info.fileName() + QLatin1Char('*')}, QDir::Files).join(u'|').toUtf8();
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

}  // namespace

void TestChecker::initTestCase()
{
    QVERIFY(m_files.isValid());
    test::writeHostileRegisters(m_files.path());
    // Beside the generator's files: what the program's own open refuses too.
    writeFile(m_files.filePath("text.mdb"), "淘宝订单\n张三,13800000000\n");
    Connection other;
    other.create(m_files.filePath("other_key.mdb"), "another password");
    other.execScript(schema::createScript());
    other.close();
    Connection noLedger;
    noLedger.create(m_files.filePath("no_ledger.mdb"), schema::databaseKey);
    noLedger.execScript(schema::createScript().section(QStringLiteral("CREATE TABLE data1"), 0, 0));
}

void TestChecker::refused_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("reason");  // %1: the file

    // The engine crashes reading this schema; only the checker goes down.
    QTest::newRow("crafted schema row") << "crafted.mdb" << "%1 无法检查：检查程序意外终止，文件可能已损坏或被篡改。";
    QTest::newRow("trigger on the login journal") << "trigger.mdb" << "%1 含有本程序不会建立的内容：触发器 rz_login。";
    QTest::newRow("a column more in data") << "columns.mdb" << "%1 的数据表 data 与本程序的不同。";
    QTest::newRow("wal journal") << "wal.mdb" << "%1 使用了 WAL 日志模式。";
    QTest::newRow("view") << "view.mdb" << "%1 含有本程序不会建立的内容：视图 recent。";
    QTest::newRow("index") << "index.mdb" << "%1 含有本程序不会建立的内容：索引 by_number。";
    QTest::newRow("a table missing") << "no_ledger.mdb" << "%1 不是本程序的数据库：缺少数据表 data1。";
    QTest::newRow("another password") << "other_key.mdb" << "%1 不是本程序的数据库文件，或者它的密码不同。";
    QTest::newRow("no database") << "text.mdb" << "%1 不是本程序的数据库文件，或者它的密码不同。";
    QTest::newRow("no such file") << "missing.mdb" << "找不到文件 %1。";
}

void TestChecker::refused()
{
    QFETCH(QString, file);
    QFETCH(QString, reason);
    const QString path = m_files.filePath(file);
    const QByteArray before = fingerprint(path);
    for (const bool whole : {true, false}) {
        QCOMPARE(refusal(DatabaseChecker(), whole, path), reason.arg(native(path)));
        // Read only: not a byte written, no journal, WAL or index file left.
        QCOMPARE(fingerprint(path), before);
    }
}

void TestChecker::soundRegister_data()
{
    QTest::addColumn<bool>("demo");
    QTest::addColumn<QString>("where");  // relative to the fixture's folder; empty: data.mdb

    QTest::newRow("new register") << false << "";
    QTest::newRow("demo register") << true << "";
    // The name goes to the checker as an argument, as the file system has it.
    QTest::newRow("folder and name in Chinese with blanks") << true << "备份 文件/数据 2026.mdb";
    QTest::newRow("name starting with a dash") << false << "-data.mdb";
}

void TestChecker::soundRegister()
{
    QFETCH(bool, demo);
    QFETCH(QString, where);
    test::TestDb db(demo);
    // A session's entry in the login journal, as every login writes it.
    db.exec("insert into rz (username, btime) values (?, '2026-12-10 09:00:00')", {schema::administrator});
    db.closeConnection();
    QString path = db.path();
    if (!where.isEmpty()) {
        path = QDir(db.dir()).filePath(where);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QVERIFY(QFile::rename(db.path(), path));
    }
    QCOMPARE(refusal(DatabaseChecker(), true, path), QString());
    QCOMPARE(refusal(DatabaseChecker(), false, path), QString());
}

void TestChecker::cutOffWriteIsCheckedAsPlayedBack()
{
    // A register copied while a write was under way, as a kill or a power
    // loss leaves it: the file and the journal that the next connection
    // plays back. It is sound, and the check leaves both as they are.
    test::TestDb db;
    const QString cut = QDir(db.dir()).filePath("cut.mdb");
    db.exec("PRAGMA cache_size=10");
    db.exec("begin");
    db.exec("with recursive n(x) as (select 1 union all select x+1 from n where x<3000)"
            " insert into data (a, c) select '张'||x, '北京市朝阳区建国路'||x||'号' from n");
    QVERIFY(QFile::exists(db.path() + "-journal"));
    QVERIFY(QFile::copy(db.path(), cut));
    QVERIFY(QFile::copy(db.path() + "-journal", cut + "-journal"));
    db.exec("rollback");
    const QByteArray before = fingerprint(cut);
    QCOMPARE(refusal(DatabaseChecker(), true, cut), QString());
    QCOMPARE(fingerprint(cut), before);
}

void TestChecker::damagedPageFoundOnlyByWholeCheck()
{
    test::TestDb db;
    db.exec("with recursive n(x) as (select 1 union all select x+1 from n where x<400)"
            " insert into data (a, b, c, d, j) select '张'||x, '13800001111',"
            " '北京市朝阳区建国路'||x||'号', '申通快递', 'T'||x from n");
    db.closeConnection();
    // Three quarters into the file: orders, far from the schema.
    QFile f(db.path());
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.seek(f.size() / 4 * 3 + 200));
    QCOMPARE(f.write(QByteArray(16, '\xa5')), 16);
    f.close();

    const QString whole = refusal(DatabaseChecker(), true, db.path());
    QVERIFY2(whole.startsWith(native(db.path()) + " 已损坏（"), qPrintable(whole));
    QCOMPARE(refusal(DatabaseChecker(), false, db.path()), QString());
}

void TestChecker::checkerCannotAnswer_data()
{
    QTest::addColumn<QByteArray>("script");  // empty: no checker at all
    QTest::addColumn<bool>("executable");
    QTest::addColumn<QString>("reason");     // %1: the file, %2: the checker

    QTest::newRow("missing") << QByteArray() << false << "无法检查 %1：找不到检查程序 %2。";
    QTest::newRow("not executable") << QByteArray("#!/bin/sh\nexit 0\n") << false << "无法检查 %1：检查程序 %2 无法启动";
    // Not said to be damaged: a large file on a busy computer may take long.
    QTest::newRow("runs past the limit") << QByteArray("#!/bin/sh\nexec sleep 60\n") << true
                                         << "%1 未能在 1 秒内检查完毕，请稍后再试。";
    QTest::newRow("wrong arguments") << QByteArray("#!/bin/sh\necho 'usage: kestrix-check FILE' >&2\nexit 2\n") << true
                                     << "无法检查 %1：检查程序出错（usage: kestrix-check FILE）。";
}

void TestChecker::checkerCannotAnswer()
{
    QFETCH(QByteArray, script);
    QFETCH(bool, executable);
    QFETCH(QString, reason);
    test::TestDb db;
    const QString checker = QDir(db.dir()).filePath("kestrix-check");
    if (!script.isEmpty()) {
        writeFile(checker, script);
        if (executable)
            QVERIFY(QFile::setPermissions(checker, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    DatabaseChecker::setProgram(checker);
    const auto back = qScopeGuard([] { DatabaseChecker::setProgram(QStringLiteral(KX_CHECKER_PATH)); });
    const QString message = refusal(DatabaseChecker(300ms), true, db.path());
    reason.replace("%1", native(db.path())).replace("%2", native(checker));
    QVERIFY2(message.startsWith(reason), qPrintable(message));
}

QTEST_GUILESS_MAIN(TestChecker)
#include "tst_checker.moc"
