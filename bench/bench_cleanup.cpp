// "优化收件地址" over 100,000 listed orders through the order register with
// the grid shown: every mobile cut to its last 11 characters and every
// address tidied, written row by row matched by the storage identity and
// every fetched value, committed in chunks of about 100 ms with the window
// repainted between them, then the closing "全部记录". Against the bare
// engine running the same update statements with the same new texts in one
// transaction, then the show-all's two statements read to their end.
//
// Each run starts from a fresh copy of the untidied table.
#include "BenchScreen.h"
#include "BenchSupport.h"

#include "data/Connection.h"
#include "data/SenderProfile.h"
#include "data/Schema.h"
#include "data/Transaction.h"
#include "import/AddressTidy.h"
#include "importui/ImportCleanup.h"
#include "orders/OrderGrid.h"
#include "orders/OrderGridModel.h"
#include "orders/OrderRegister.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <sqlite3.h>
#include <string>
#include <vector>

using namespace kx;

namespace {

constexpr int orderCount = 100000;

QString& databasePath()
{
    static QString path;
    return path;
}

// The new texts of every order, in the engine's order of "select * from
// data", as UTF-8: what both sides must leave in the table.
struct Tidied {
    std::vector<QByteArray> mobiles;
    std::vector<QByteArray> addresses;
    bench::ResultCheck check;
};

Tidied& tidied()
{
    static Tidied t;
    return t;
}

// Mobiles of 13 characters ("86" before the 11 digits) and addresses in the
// layout: province, city and district of three characters each with a blank
// after each, then a street that repeats some of the names, now and then
// longer than 80 GBK bytes.
void untidyOrders(const QString& path)
{
    const QStringList provinces = {"浙江省", "江苏省", "广东省", "湖北省", "四川省", "山东省", "河南省"};
    const QStringList cities = {"杭州市", "南京市", "深圳市", "武汉市", "成都市", "青岛市", "郑州市"};
    const QStringList districts = {"西湖区", "鼓楼区", "南山区", "洪山区", "武侯区", "市南区", "金水区"};
    const QStringList streets = {"文三路", "中山北路", "科技园南路", "珞喻路", "人民南路", "香港中路", "花园路"};
    Connection db;
    db.open(path, schema::databaseKey);
    Transaction tx(db);
    for (int n = 0; n < orderCount; ++n) {
        const int p = n % 7, c = (n / 7) % 7;
        const QString names = provinces[p] + cities[c] + districts[c];
        QString street = (n % 3 == 0 ? names : n % 3 == 1 ? cities[c] + districts[c] : QString()) +
                         streets[(n / 3) % 7] + QString::number(n % 500 + 1) + QStringLiteral("号");
        if (n % 10 == 0)
            street += QStringLiteral("（近地铁站出口，白天请送到小区北门旁边的快递柜，晚上请放门卫室）");
        const QString address = provinces[p] + u' ' + cities[c] + u' ' + districts[c] + u' ' + street;
        const QString mobile = QStringLiteral("86%1").arg(13800000000LL + n * 7919LL % 99999999);
        db.exec(QStringLiteral("update data set b=?, c=? where _rowid_=?"), {mobile, address, qint64(n + 1)});
    }
    tx.commit();
}

void computeTidied()
{
    bench::BareDb bare(databasePath());
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(bare.db, "select b, c from data", -1, &st, nullptr);
    Tidied& t = tidied();
    while (sqlite3_step(st) == SQLITE_ROW) {
        const QString b = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        const QString c = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
        t.mobiles.push_back(ImportCleanup::lastElevenOf(b).toUtf8());
        t.addresses.push_back(AddressTidy::tidy(c).toUtf8());
        const QByteArray& m = t.mobiles.back();
        const QByteArray& a = t.addresses.back();
        ++t.check.rows;
        t.check.addText(0, reinterpret_cast<const unsigned char*>(m.constData()), int(m.size()));
        t.check.addText(1, reinterpret_cast<const unsigned char*>(a.constData()), int(a.size()));
        if (m.size() != 11 || a == c.toUtf8())
            bench::fail(QStringLiteral("order %1 would not change").arg(t.mobiles.size()));
    }
    sqlite3_finalize(st);
}

// Fails unless the table holds every order's new texts.
void checkTable(const QString& path)
{
    bench::BareDb bare(path);
    const bench::ResultCheck written = bench::readAll(bare.db, "select b, c from data");
    if (written != tidied().check)
        bench::fail(QStringLiteral("the table holds %1, not %2").arg(written.toString(), tidied().check.toString()));
}

QString freshCopy()
{
    const QString copy = databasePath() + QStringLiteral(".work");
    QFile::remove(copy);
    QFile::remove(copy + QStringLiteral("-journal"));
    if (!QFile::copy(databasePath(), copy))
        bench::fail(QStringLiteral("cannot copy the database"));
    return copy;
}

void tidy_addresses_100k(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = freshCopy();
        auto screen = std::make_unique<bench::OrderScreen>(path);
        SenderProfile profile(*screen->dm);
        ImportCleanup cleanup(*screen->orders, profile);
        screen->orders->showAll();
        screen->settle();
        state.ResumeTiming();
        cleanup.cleanAddresses();
        screen->settle();
        state.PauseTiming();
        const Dataset& result = screen->orders->result();
        if (result.rowCount() != orderCount || screen->grid->model()->rowCount() != orderCount)
            bench::fail(QStringLiteral("the grid lists %1 orders").arg(result.rowCount()));
        const int c = result.fieldIndex(QStringLiteral("c"));
        if (result.text(0, c).toUtf8() != tidied().addresses.front())
            bench::fail(QStringLiteral("the grid shows an untidied address"));
        screen.reset();
        checkTable(path);
        state.ResumeTiming();
    }
}

void tidy_addresses_100k_bare(benchmark::State& state)
{
    const Tidied& t = tidied();
    long long changed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = freshCopy();
        auto bare = std::make_unique<bench::BareDb>(path);
        auto rows = std::make_unique<bench::FetchedRows>(bare->db);
        const std::string sql = "update [data] set [b]=?,[c]=? where " + rows->where();
        state.ResumeTiming();
        sqlite3_stmt* update = nullptr;
        if (sqlite3_prepare_v2(bare->db, sql.c_str(), -1, &update, nullptr) != SQLITE_OK)
            bench::fail(QString::fromUtf8(sqlite3_errmsg(bare->db)));
        changed = 0;
        sqlite3_exec(bare->db, "begin", nullptr, nullptr, nullptr);
        for (size_t r = 0; r < rows->ids.size(); ++r) {
            sqlite3_bind_text(update, 1, t.mobiles[r].constData(), int(t.mobiles[r].size()), SQLITE_STATIC);
            sqlite3_bind_text(update, 2, t.addresses[r].constData(), int(t.addresses[r].size()), SQLITE_STATIC);
            rows->bind(update, 3, r);
            if (sqlite3_step(update) != SQLITE_DONE)
                bench::fail(QString::fromUtf8(sqlite3_errmsg(bare->db)));
            changed += sqlite3_changes(bare->db);
            sqlite3_reset(update);
        }
        if (sqlite3_exec(bare->db, "commit", nullptr, nullptr, nullptr) != SQLITE_OK)
            bench::fail(QString::fromUtf8(sqlite3_errmsg(bare->db)));
        sqlite3_finalize(update);
        // The closing show-all: the courier list and every order.
        const bench::ResultCheck couriers = bench::readAll(bare->db, "select d from data group by d order by d");
        const bench::ResultCheck orders = bench::readAll(bare->db, "select * from data");
        state.PauseTiming();
        if (couriers.rows == 0 || orders.rows != orderCount)
            bench::fail(QStringLiteral("the show-all read %1 orders").arg(orders.rows));
        rows.reset();
        bare.reset();
        checkTable(path);
        state.ResumeTiming();
    }
    if (changed != orderCount)
        bench::fail(QStringLiteral("the bare updates changed %1 orders").arg(changed));
}

}  // namespace

BENCHMARK(tidy_addresses_100k)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(tidy_addresses_100k_bare)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    databasePath() = dir.filePath(QStringLiteral("data.mdb"));
    bench::makeOrdersDatabase(databasePath(), orderCount);
    untidyOrders(databasePath());
    computeTidied();
    bench::addRatio("tidy_addresses_100k", "tidy_addresses_100k", "tidy_addresses_100k_bare");
    bench::addMs("tidy_addresses_100k", "tidy_addresses_100k");
    return bench::runBenchmarks(argc, argv);
}
