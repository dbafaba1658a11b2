#include "TestDb.h"

#include "core/DbError.h"
#include "data/Connection.h"
#include "data/Dataset.h"
#include "data/Schema.h"
#include "data/Statement.h"
#include "data/Transaction.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <future>
#include <thread>

using namespace kx;

namespace {

const QString senderRow = "insert into post values ('李明','13812345678','杭州市文三路188号','申通快递')";

// One station: the program's main window in a child process (see
// tests/children/kx_station.cpp), over the data.mdb of a folder.
class Station {
public:
    // A command's answer: the message boxes the user saw, and its result;
    // `result` stays null when no answer came in time.
    struct Answer {
        QStringList messages;
        QString result;
    };

    explicit Station(const QString& folder)
    {
        m_process.setProgram(QStringLiteral(KX_CHILDREN_DIR "/kx_station"));
        m_process.setArguments({folder});
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
    }
    ~Station()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.write("quit\n");
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(10000)) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    // Started, logged in, nothing shown to the user.
    bool isReady(int timeoutMs = 60000) { return lineStarting("ready", timeoutMs).has_value() && m_seen.isEmpty(); }
    // What the start-up showed (a failed start's reason included).
    QStringList seen() const { return m_seen; }

    void send(const QString& line) { m_process.write((line + '\n').toUtf8()); }
    Answer answer(int timeoutMs = 60000)
    {
        m_seen.clear();
        const std::optional<QString> ok = lineStarting("ok ", timeoutMs);
        return {m_seen, ok ? ok->mid(3) : QString()};
    }
    Answer run(const QString& line, int timeoutMs = 60000)
    {
        send(line);
        return answer(timeoutMs);
    }

private:
    // Reads lines up to the first that starts with `prefix`, collecting the
    // "msg" lines on the way.
    std::optional<QString> lineStarting(const QString& prefix, int timeoutMs)
    {
        const QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            while (m_process.canReadLine()) {
                const QString line = QString::fromUtf8(m_process.readLine()).chopped(1);
                if (line.startsWith(prefix))
                    return line;
                m_seen << (line.startsWith("msg ") ? line.mid(4) : "unexpected: " + line);
            }
            if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
                return std::nullopt;
            m_process.waitForReadyRead(int(qMin<qint64>(deadline.remainingTime(), 1000)));
        }
    }

    QProcess m_process;
    QStringList m_seen;
};

// An order as the editor would have entered it, every field it loads set.
void addOrder(const test::TestDb& db, const QString& number, const QString& name)
{
    db.addOrder({{"a", name},     {"b", "13800001111"}, {"c", "北京市朝阳区"}, {"d", "圆通速递"},
                 {"g", "未打印"},   {"day1", "2026-03-05"}, {"1", 1.0},        {"2", 25.5},
                 {"z", "备注"},    {"h", "商品"},         {"i", "会员"},       {"j", number},
                 {"k", "留言"}});
}

}  // namespace

class TestStations : public QObject {
    Q_OBJECT
private slots:
    void busyIsWaitedOut_data();
    void busyIsWaitedOut();
    void twoStationsEnterOrdersTogether();
    void staleRowTouchesNoOtherOrder_data();
    void staleRowTouchesNoOtherOrder();
};

// Another station holds the file longer than the connection's busy timeout:
// writing (its write lock, which keeps out readers too) or reading (its read
// lock, which keeps this station's commit waiting). This station's statement
// waits it out, where running it again is sound, and fails with the engine's
// "database is locked" only after a few timeouts.
void TestStations::busyIsWaitedOut_data()
{
    QTest::addColumn<QString>("held");  // the other station's "begin exclusive", or a read
    QTest::addColumn<QString>("work");  // this station's
    QTest::addColumn<bool>("holdsOn");  // the other station holds on until this one gives up
    QTest::newRow("insert while another station writes") << "write" << "insert" << false;
    QTest::newRow("transaction while another station writes") << "write" << "transaction" << false;
    QTest::newRow("read while another station writes") << "write" << "read" << false;
    QTest::newRow("commit while another station reads") << "read" << "transaction" << false;
    QTest::newRow("insert while another station writes on") << "write" << "insert" << true;
}

void TestStations::busyIsWaitedOut()
{
    QFETCH(QString, held);
    QFETCH(QString, work);
    QFETCH(bool, holdsOn);
    test::TestDb db;
    addOrder(db, "X-0001", "甲");
    db.closeConnection();
    Connection c;
    c.open(db.path(), schema::databaseKey);

    std::promise<void> locked;
    std::atomic<bool> release = false;
    std::thread other([&] {
        Connection o;
        o.open(db.path(), schema::databaseKey);
        if (held == "write") {
            o.exec("begin exclusive");
        } else {
            o.exec("begin");
            Statement read(o.handle(), "select count(*) from data");
            read.step();
        }
        locked.set_value();
        // Past the first busy timeout of this station's statement, or until
        // it gave up.
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(3000);
        while (holdsOn ? !release.load() : std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        o.exec("commit");
    });
    locked.get_future().wait();

    QString failure;
    QVariant orders;
    try {
        if (work == "insert") {
            c.exec("insert into data (j) values ('X-0002')");
        } else if (work == "transaction") {
            Transaction tx(c);
            c.exec("insert into data (j) values ('X-0002')");
            tx.commit();
        } else {
            Statement count(c.handle(), "select count(*) from data");
            count.step();
            orders = count.value(0);
        }
    } catch (const DbError& e) {
        failure = e.message();
    }
    release = true;
    other.join();

    if (holdsOn) {
        QCOMPARE(failure, QString("另一台电脑正在写入数据库文件，请稍后再试（database is locked）。"));
        QCOMPARE(db.scalar("select count(*) from data").toInt(), 1);
    } else {
        QCOMPARE(failure, QString());
        if (work == "read")
            QCOMPARE(orders.toInt(), 1);
        else
            QCOMPARE(db.cli("select j from data order by rowid"), QStringList({"X-0001", "X-0002"}));
    }
}

// Two stations on one file, each entering 1,000 orders through the order
// editor, one of them searching and showing all between its orders: every
// order arrives, and neither user ever sees a message ("database is
// locked" above all).
void TestStations::twoStationsEnterOrdersTogether()
{
    constexpr int perStation = 1000;
    test::TestDb db;
    db.exec(senderRow);
    db.closeConnection();
    Station reading(db.dir());
    Station writing(db.dir());
    QVERIFY2(reading.isReady(), qPrintable(reading.seen().join('\n')));
    QVERIFY2(writing.isReady(), qPrintable(writing.seen().join('\n')));

    reading.send(QString("save A %1 1").arg(perStation));
    writing.send(QString("save B %1 0").arg(perStation));
    const Station::Answer a = reading.answer(600000);
    const Station::Answer b = writing.answer(600000);
    QVERIFY2(a.messages.isEmpty(), qPrintable(a.messages.join('\n')));
    QVERIFY2(b.messages.isEmpty(), qPrintable(b.messages.join('\n')));
    QCOMPARE(a.result, QString::number(perStation));
    QCOMPARE(b.result, QString::number(perStation));

    // Each order once, as its station entered it (read by the sqlcipher tool).
    QStringList expected;
    for (const char* station : {"A", "B"})
        for (int n = 1; n <= perStation; ++n)
            expected << QString("%1-%2|张%3|浙江省杭州市西湖区文三路%3号")
                            .arg(station)
                            .arg(n, 4, 10, QChar('0'))
                            .arg(n);
    QCOMPARE(db.cli("select j || '|' || a || '|' || c from data order by j"), expected);
}

// Station A has fetched the orders; meanwhile station B (this process, on
// its own connection) changes A's order, or deletes it and enters a new one,
// which takes the deleted order's storage identity. A's "修 改" or "删 除"
// of its stale copy then writes nothing — the other order above all stays
// as it is — and A is told with the usual message for a changed row.
void TestStations::staleRowTouchesNoOtherOrder_data()
{
    QTest::addColumn<QString>("action");  // A's: "change" or "delete"
    QTest::addColumn<QString>("other");   // B's: "none", "change" or "reenter"
    QTest::addColumn<bool>("refetch");    // A shows all again before its action
    QTest::newRow("change, nobody else") << "change" << "none" << false;
    QTest::newRow("change of a changed order") << "change" << "change" << false;
    QTest::newRow("change of a re-entered identity") << "change" << "reenter" << false;
    QTest::newRow("change of a changed order, grid fetched since") << "change" << "change" << true;
    QTest::newRow("change of a re-entered identity, grid fetched since") << "change" << "reenter" << true;
    QTest::newRow("delete, nobody else") << "delete" << "none" << false;
    QTest::newRow("delete of a changed order") << "delete" << "change" << false;
    QTest::newRow("delete of a re-entered identity") << "delete" << "reenter" << false;
}

void TestStations::staleRowTouchesNoOtherOrder()
{
    QFETCH(QString, action);
    QFETCH(QString, other);
    QFETCH(bool, refetch);
    test::TestDb db;
    db.exec(senderRow);
    addOrder(db, "X-0001", "甲");
    addOrder(db, "X-0002", "乙");
    addOrder(db, "X-0003", "丙");
    const qint64 id = db.scalar("select _rowid_ from data where j='X-0003'").toLongLong();
    QCOMPARE(id, db.scalar("select max(_rowid_) from data").toLongLong());

    Station a(db.dir());
    QVERIFY2(a.isReady(), qPrintable(a.seen().join('\n')));
    QCOMPARE(a.run("showall").result, QString("3"));
    if (action == "change")
        QCOMPARE(a.run("load X-0003").result, QString("done"));

    if (other == "change") {
        db.exec("update data set z='另一站改过' where _rowid_=?", {id});
    } else if (other == "reenter") {
        db.exec("delete from data where _rowid_=?", {id});
        addOrder(db, "Y-0001", "新单");
        QCOMPARE(db.scalar("select _rowid_ from data where j='Y-0001'").toLongLong(), id);
    }
    if (refetch)
        QCOMPARE(a.run("showall").result, QString("3"));
    const QString rows = "select j || '|' || a || '|' || z from data order by rowid";
    const QStringList before = db.cli(rows);

    const Station::Answer done = a.run(action == "change" ? "change 丙改" : "delete X-0003");
    QCOMPARE(done.result, QString("done"));
    QStringList messages;
    if (action == "delete")
        messages << "你真的要删除选中资料吗？";
    if (other == "none") {
        QCOMPARE(done.messages, messages);
        QStringList after = before;
        if (action == "change")
            after.last() = "X-0003|丙改|备注";
        else
            after.removeLast();
        QCOMPARE(db.cli(rows), after);
    } else {
        QCOMPARE(done.messages, messages << Dataset::rowCannotBeLocated());
        QCOMPARE(db.cli(rows), before);
    }
}

QTEST_MAIN(TestStations)
#include "tst_stations.moc"
