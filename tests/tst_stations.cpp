#include "TestDb.h"

#include "core/DbError.h"
#include "data/Connection.h"
#include "data/Dataset.h"
#include "data/Schema.h"
#include "data/Statement.h"
#include "data/Transaction.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <vector>

using namespace kx;

namespace {

const QString senderRow = "insert into post values ('李明','13812345678','杭州市文三路188号','申通快递')";

// One station: the program's main window in a child process (see
// tests/children/kx_station.cpp), over the register of a test.
class Station {
public:
    // A command's answer: the message boxes the user saw, and its result;
    // `result` stays null when no answer came in time.
    struct Answer {
        QStringList messages;
        QString result;
    };

    // On the data.mdb of a folder, or on a server's register named by its URI.
    explicit Station(const QString& where)
    {
        m_process.setProgram(QStringLiteral(KX_CHILDREN_DIR "/kx_station"));
        m_process.setArguments({where});
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

// What a station is started on: the fixture's folder, or on the server the
// register's URI.
QString registerOf(const test::TestDb& db)
{
    return test::TestDb::onServer() ? db.path() : db.dir();
}

}  // namespace

class TestStations : public QObject {
    Q_OBJECT
private slots:
    void busyIsWaitedOut_data();
    void busyIsWaitedOut();
    void threeStationsShareOneRegister();
    void staleRowTouchesNoOtherOrder_data();
    void staleRowTouchesNoOtherOrder();
    void crossedWritesRunAgain_data();
    void crossedWritesRunAgain();
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
    KX_FILE_ONLY();
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

// Three stations on one register, each entering 1,000 orders through the
// order editor at the same time, one of them searching and showing all
// between its orders: every order arrives, and no user ever sees a message
// ("database is locked" above all). Then they work on each other's orders,
// each from the copy it fetched: of three changes of one order at once
// exactly one is written and the others are told the row has changed; a
// delete of an order another station changed meanwhile is refused the same
// way, and of three deletes of one order at once one deletes it. No station
// ever sees the engine's own words, and afterwards the register holds
// exactly what the stations were told they wrote.
void TestStations::threeStationsShareOneRegister()
{
    constexpr int perStation = 1000;
    const QStringList prefixes{"A", "B", "C"};
    const QStringList names{"甲", "乙", "丙"};
    test::TestDb db;
    db.exec(senderRow);
    db.closeConnection();
    std::vector<std::unique_ptr<Station>> stations;
    for (int s = 0; s < 3; ++s)
        stations.push_back(std::make_unique<Station>(registerOf(db)));
    for (const auto& station : stations)
        QVERIFY2(station->isReady(), qPrintable(station->seen().join('\n')));

    for (int s = 0; s < 3; ++s)
        stations[s]->send(QString("save %1 %2 %3").arg(prefixes[s]).arg(perStation).arg(s == 0 ? 1 : 0));
    for (const auto& station : stations) {
        const Station::Answer saved = station->answer(280000);
        QVERIFY2(saved.messages.isEmpty(), qPrintable(saved.messages.join('\n')));
        QCOMPARE(saved.result, QString::number(perStation));
    }

    // Each order once, as its station entered it (read by the engine's own
    // client, not our code).
    QMap<QString, QString> expected;  // order number -> name and address
    for (const QString& prefix : prefixes)
        for (int n = 1; n <= perStation; ++n)
            expected.insert(QString("%1-%2").arg(prefix).arg(n, 4, 10, QChar('0')),
                            QString("张%1|浙江省杭州市西湖区文三路%1号").arg(n));
    auto stored = [&] { return db.cli("select j || '|' || a || '|' || c from data order by j"); };
    auto expectedRows = [&] {
        QStringList rows;
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            rows << it.key() + '|' + it.value();
        return rows;
    };
    QCOMPARE(stored(), expectedRows());

    for (const auto& station : stations)
        QCOMPARE(station->run("showall").result, QString::number(3 * perStation));
    // Every station runs the same command at once; their answers in turn.
    auto all = [&](const QString& command) {
        for (const auto& station : stations)
            station->send(command);
        std::vector<Station::Answer> answers;
        for (const auto& station : stations)
            answers.push_back(station->answer());
        return answers;
    };
    const QString confirm = "你真的要删除选中资料吗？";
    const QString stale = Dataset::rowCannotBeLocated();
    constexpr int rounds = 9;
    for (int r = 1; r <= rounds; ++r) {
        const QString round = QString("round %1").arg(r);
        auto number = [&](int station, int n) {
            return QString("%1-%2").arg(prefixes[station % 3]).arg(n, 4, 10, QChar('0'));
        };
        // The same order changed by all three at once.
        const QString together = number(r, r);
        for (const auto& loaded : all("load " + together))
            QCOMPARE(loaded.result, QString("done"));
        for (int s = 0; s < 3; ++s)
            stations[s]->send(QString("change %1改%2").arg(names[s]).arg(r));
        int written = -1;
        for (int s = 0; s < 3; ++s) {
            const Station::Answer changed = stations[s]->answer();
            QCOMPARE(changed.result, QString("done"));
            if (changed.messages.isEmpty()) {
                QVERIFY2(written < 0, qPrintable(round + ": two changes of one order were both written"));
                written = s;
            } else {
                QVERIFY2(changed.messages == QStringList{stale}, qPrintable(round + ": " + changed.messages.join('\n')));
            }
        }
        QVERIFY2(written >= 0, qPrintable(round + ": no change was written"));
        expected[together].replace(QRegularExpression("^[^|]*"), QString("%1改%2").arg(names[written]).arg(r));

        // One station changes an order; the two others then delete it, each
        // from the copy it fetched before the change.
        const int changer = r % 3;
        const QString changedFirst = number(r + 1, 100 + r);
        QCOMPARE(stations[changer]->run("load " + changedFirst).result, QString("done"));
        const Station::Answer change = stations[changer]->run(QString("change %1先改%2").arg(names[changer]).arg(r));
        QVERIFY2(change.messages.isEmpty(), qPrintable(round + ": " + change.messages.join('\n')));
        expected[changedFirst].replace(QRegularExpression("^[^|]*"), QString("%1先改%2").arg(names[changer]).arg(r));
        for (int s = 0; s < 3; ++s)
            if (s != changer)
                stations[s]->send("delete " + changedFirst);
        for (int s = 0; s < 3; ++s) {
            if (s == changer)
                continue;
            const Station::Answer deleted = stations[s]->answer();
            QCOMPARE(deleted.result, QString("done"));
            QCOMPARE(deleted.messages, QStringList({confirm, stale}));
        }

        // The same order deleted by all three at once.
        const QString gone = number(r + 2, 200 + r);
        int deletedBy = -1;
        const std::vector<Station::Answer> deletes = all("delete " + gone);
        for (int s = 0; s < 3; ++s) {
            QCOMPARE(deletes[s].result, QString("done"));
            if (deletes[s].messages == QStringList{confirm}) {
                QVERIFY2(deletedBy < 0, qPrintable(round + ": two deletes of one order both went through"));
                deletedBy = s;
            } else {
                QCOMPARE(deletes[s].messages, QStringList({confirm, stale}));
            }
        }
        QVERIFY2(deletedBy >= 0, qPrintable(round + ": no delete went through"));
        expected.remove(gone);
    }
    QCOMPARE(stored(), expectedRows());
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
    if (other == "reenter" && test::TestDb::onServer())
        QSKIP("the server never gives a row's identity to another row");
    test::TestDb db;
    db.exec(senderRow);
    addOrder(db, "X-0001", "甲");
    addOrder(db, "X-0002", "乙");
    addOrder(db, "X-0003", "丙");
    const qint64 id = db.scalar("select _rowid_ from data where j='X-0003'").toLongLong();
    QCOMPARE(id, db.scalar("select max(_rowid_) from data").toLongLong());

    Station a(registerOf(db));
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

// Two stations' writes cross: the other station holds an order this one is
// about to delete or change among others, and then waits for one this one
// already holds. The server ends one of the two transactions as a deadlock
// (this one's, as the other station waits longer before it looks); the
// chunk it undid runs again once the other station is done, and every order
// is written as on the file, where the second writer simply waits. Nothing
// reaches the user, and the fetched copy shows what the register holds.
//
// Where this station gives up waiting instead (a shop's lock time limit on
// the server), the server undoes the whole chunk, the order already written
// in it too: the user is told, and the fetched copy still shows that order.
void TestStations::crossedWritesRunAgain_data()
{
    QTest::addColumn<QString>("work");
    QTest::addColumn<bool>("givesUp");  // this station's waits are limited
    QTest::newRow("delete") << "delete" << false;
    QTest::newRow("change") << "change" << false;
    QTest::newRow("delete, waits limited") << "delete" << true;
    QTest::newRow("change, waits limited") << "change" << true;
}

void TestStations::crossedWritesRunAgain()
{
    QFETCH(QString, work);
    QFETCH(bool, givesUp);
    if (givesUp && !test::TestDb::onServer())
        QSKIP("a limit on lock waits is the server's");
    test::TestDb db;
    addOrder(db, "X-0001", "甲");
    addOrder(db, "X-0002", "乙");
    addOrder(db, "X-0003", "丙");
    db.closeConnection();

    Connection other;
    other.open(db.path(), schema::databaseKey);
    if (test::TestDb::onServer())
        other.exec("set deadlock_timeout = '10s'");
    other.exec(Transaction::beginStatement());
    // Values written as they stand: this station's copy still matches.
    other.exec("update data set z=z where j='X-0002'");

    QString failure;
    QStringList fetched;
    std::thread mine([&] {
        try {
            Connection c;
            c.open(db.path(), schema::databaseKey);
            if (givesUp)
                c.exec("set lock_timeout = '300ms'");
            Dataset grid(c, "ADOQuery15", "select * from data", "data", nullptr);
            grid.open();
            const int name = grid.fieldIndex("a");
            const int remark = grid.fieldIndex("z");
            try {
                if (work == "delete")
                    grid.deleteRows({0, 1});
                else
                    grid.changeRows({0, 1}, [](int) { return FieldValues{{"z", "改过"}}; });
            } catch (const DbError& e) {
                failure = e.message();
            }
            for (int row = 0; row < grid.rowCount(); ++row)
                fetched << grid.text(row, name).toString() + u'|' + grid.text(row, remark).toString();
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
        }
    });
    if (givesUp) {
        // Held until this station has given up, however long it took to
        // get there.
        mine.join();
        other.exec("commit");
    } else {
        // This station has written X-0001 and waits for X-0002 by now (if
        // not, it writes both after the other station, as it should).
        QThread::msleep(700);
        other.exec("update data set z=z where j='X-0001'");
        other.exec("commit");
        mine.join();
    }

    QStringList expected{"甲|备注", "乙|备注", "丙|备注"};
    if (givesUp) {
        QVERIFY2(failure.startsWith("另一台电脑正在写入数据库，请稍后再试（"), qPrintable(failure));
    } else {
        QCOMPARE(failure, QString());
        expected = work == "delete" ? QStringList{"丙|备注"} : QStringList{"甲|改过", "乙|改过", "丙|备注"};
    }
    QCOMPARE(fetched, expected);
    QCOMPARE(db.cli("select a || '|' || z from data order by rowid"), expected);
}

QTEST_MAIN(TestStations)
#include "tst_stations.moc"
