// kestrix-newdb with a postgresql:// URI: the register made in an empty
// database on a server of the test's own, looked at with psql.
#include "PgTestServer.h"
#include "data/Connection.h"
#include "data/PasswordHash.h"
#include "data/Schema.h"
#include "data/Statement.h"

#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace kx;

namespace {

struct Run {
    int exitCode = -1;
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
    run.errors = QString::fromUtf8(p.readAllStandardError());
    return run;
}

// A value read from the file as psql shows the same value from the server.
QString shown(const QVariant& v)
{
    if (v.typeId() == QMetaType::Double)
        return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    return v.toString();
}

// The rows a statement gives on the file, one line each, fields joined by "|".
QString fileRows(Connection& db, const QString& sql)
{
    Statement st(db, sql);
    QStringList lines;
    while (st.step()) {
        QStringList fields;
        for (int c = 0; c < st.columnCount(); ++c)
            fields << shown(st.value(c));
        lines << fields.join(QLatin1Char('|'));
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

#define PSQL(db, sql, out) QVERIFY2(m_server->psql(db, sql, out), qPrintable(m_server->error()))

class TestPgRegister : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void makesRegister_data();
    void makesRegister();
    void refusesDatabaseInUse_data();
    void refusesDatabaseInUse();
    void refusesUnreachableServer_data();
    void refusesUnreachableServer();

private:
    std::unique_ptr<PgTestServer> m_server;
    QString m_serverMissing;
};

void TestPgRegister::initTestCase()
{
    m_server = std::make_unique<PgTestServer>();
    if (PgTestServer::binDir().isEmpty())
        m_serverMissing = QStringLiteral("the PostgreSQL server programs are not installed");
    else
        QVERIFY2(m_server->start(), qPrintable(m_server->error()));
}

void TestPgRegister::makesRegister_data()
{
    QTest::addColumn<bool>("demo");
    QTest::addColumn<QString>("counts");  // data, post, userdb, rz, data1
    QTest::newRow("plain") << false << "0|1|1|0|0";
    QTest::newRow("demo") << true << "30|1|2|0|0";
}

// Every table and column of the file, in the file's order and of the
// matching type; the identity columns; the rows a file of the same kind gets.
void TestPgRegister::makesRegister()
{
    QFETCH(bool, demo);
    QFETCH(QString, counts);
    if (!m_serverMissing.isEmpty())
        QSKIP(qPrintable(m_serverMissing));
    const QString name = QStringLiteral("made_%1").arg(QTest::currentDataTag());
    const QString uri = m_server->createDatabase(name);
    QVERIFY2(!uri.isEmpty(), qPrintable(m_server->error()));
    QStringList args{uri};
    if (demo)
        args.prepend(QStringLiteral("--demo"));
    const Run made = newdb(args);
    QCOMPARE(made.errors, QString());
    QCOMPARE(made.exitCode, 0);

    // The file of the same kind, to compare with.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.mdb"));
    args.last() = path;
    QCOMPARE(newdb(args).exitCode, 0);
    Connection file;
    file.open(path, schema::databaseKey);

    const QString tables = fileRows(file, QStringLiteral("select name from sqlite_master where type='table'"
                                                         " and name not like 'sqlite%' order by name"));
    QString serverTables;
    PSQL(name,
         QStringLiteral("select table_name from information_schema.tables where table_schema='public' order by 1"),
         &serverTables);
    QCOMPARE(serverTables.trimmed(), tables);

    for (const QString& table : tables.split(QLatin1Char('\n'))) {
        QStringList expected;
        // cid, name, type, notnull, default, pk
        Statement info(file, QStringLiteral("pragma table_info(\"%1\")").arg(table));
        while (info.step()) {
            const QString type = info.value(2).toString();
            const QString serverType = type == QLatin1String("TEXT")   ? QStringLiteral("text")
                                       : type == QLatin1String("REAL") ? QStringLiteral("double precision")
                                                                       : QStringLiteral("bigint");
            // The file's own counters are numbered by the server unless a
            // copied register brings its numbers.
            expected << QStringLiteral("%1|%2|%3").arg(info.value(1).toString(), serverType,
                                                       info.value(5).toInt() ? QStringLiteral("BY DEFAULT")
                                                                             : QString());
        }
        // Every table gets the row identity the file's rowid stands for.
        expected << QStringLiteral("kx_row|bigint|ALWAYS");
        QString columns;
        PSQL(name,
             QStringLiteral("select column_name, data_type, coalesce(identity_generation, '')"
                            " from information_schema.columns where table_schema='public' and table_name='%1'"
                            " order by ordinal_position")
                 .arg(table),
             &columns);
        QCOMPARE(columns.trimmed(), expected.join(QLatin1Char('\n')));
    }

    QString rowCounts;
    PSQL(name,
         QStringLiteral("select (select count(*) from data), (select count(*) from post), (select count(*) from userdb),"
                        " (select count(*) from rz), (select count(*) from data1)"),
         &rowCounts);
    QCOMPARE(rowCounts.trimmed(), counts);

    // The administrator's password is kept as a hash of the initial one.
    QString stored;
    PSQL(name, QStringLiteral("select passwd from userdb where username = '超级管理员'"), &stored);
    stored = stored.trimmed();
    QVERIFY2(PasswordHash::isHash(stored), qPrintable(stored));
    QVERIFY(PasswordHash::matches(stored, schema::initialPassword));

    // The same rows as in the file: the orders in the order they were added.
    const QString orderColumns = QStringLiteral("a,b,c,d,g,h,i,j,k,z,\"1\",\"2\",day1");
    QString serverRows;
    PSQL(name, QStringLiteral("select %1 from data order by kx_row").arg(orderColumns), &serverRows);
    QCOMPARE(serverRows.trimmed(),
             fileRows(file, QStringLiteral("select %1 from data order by rowid").arg(orderColumns)));
    PSQL(name, QStringLiteral("select a,b,c,d from post; select username from userdb order by 1"), &serverRows);
    QCOMPARE(serverRows.trimmed(), fileRows(file, QStringLiteral("select a,b,c,d from post")) + QLatin1Char('\n')
                                       + fileRows(file, QStringLiteral("select username from userdb order by 1")));
}

void TestPgRegister::refusesDatabaseInUse_data()
{
    QTest::addColumn<QString>("before");  // "newdb", or statements run first
    QTest::addColumn<QString>("named");   // the tables the message names
    QTest::newRow("a register") << "newdb" << "data, data1, post, rz, userdb";
    QTest::newRow("one table of the same name") << "create table rz (x int); insert into rz values (7)" << "rz";
}

// A database that holds any of the register's tables is left exactly as it
// was, by a plain and a --demo run alike.
void TestPgRegister::refusesDatabaseInUse()
{
    QFETCH(QString, before);
    QFETCH(QString, named);
    if (!m_serverMissing.isEmpty())
        QSKIP(qPrintable(m_serverMissing));
    const QString name = QStringLiteral("used_%1").arg(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_'));
    const QString uri = m_server->createDatabase(name);
    QVERIFY2(!uri.isEmpty(), qPrintable(m_server->error()));
    if (before == QLatin1String("newdb"))
        QCOMPARE(newdb({QStringLiteral("--demo"), uri}).exitCode, 0);
    else
        PSQL(name, before, nullptr);

    const QString snapshot = QStringLiteral(
        "select table_name, column_name, data_type from information_schema.columns"
        " where table_schema='public' order by 1, ordinal_position;"
        " select string_agg(t::text, ',' order by t::text) from (select table_name::text as t"
        " from information_schema.tables where table_schema='public') s;");
    QString was;
    PSQL(name, snapshot, &was);
    QString rowsWere;
    if (before == QLatin1String("newdb"))
        PSQL(name, QStringLiteral("select * from data order by kx_row; select * from userdb; select * from post"),
             &rowsWere);

    for (const QStringList& args : {QStringList{uri}, QStringList{QStringLiteral("--demo"), uri}}) {
        const Run again = newdb(args);
        QCOMPARE(again.exitCode, 1);
        QCOMPARE(again.errors.trimmed(),
                 QStringLiteral("kestrix-newdb: Database '%1' already holds a register's tables (%2); "
                                "a new register needs an empty database.")
                     .arg(name, named));
        QString now;
        PSQL(name, snapshot, &now);
        QCOMPARE(now, was);
        if (before == QLatin1String("newdb")) {
            PSQL(name, QStringLiteral("select * from data order by kx_row; select * from userdb; select * from post"),
                 &now);
            QCOMPARE(now, rowsWere);
        }
    }
}

void TestPgRegister::refusesUnreachableServer_data()
{
    QTest::addColumn<QString>("uri");
    QTest::addColumn<QString>("reason");  // part of libpq's own message
    QTest::newRow("socket folder missing")
        << "postgresql:///kestrix?host=/tmp/kxpg-none-here&port=5999" << "/tmp/kxpg-none-here/.s.PGSQL.5999";
    QTest::newRow("nothing on the port") << "postgres://127.0.0.1:1/kestrix" << "Connection refused";
}

void TestPgRegister::refusesUnreachableServer()
{
    QFETCH(QString, uri);
    QFETCH(QString, reason);
    for (const QStringList& args : {QStringList{uri}, QStringList{QStringLiteral("--demo"), uri}}) {
        const Run run = newdb(args);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.errors.startsWith(QLatin1String("kestrix-newdb: Cannot connect to the database server: ")),
                 qPrintable(run.errors));
        QVERIFY2(run.errors.contains(reason), qPrintable(run.errors));
    }
}

QTEST_GUILESS_MAIN(TestPgRegister)
#include "tst_pgregister.moc"
