#include "data/DatabaseFactory.h"

#include "core/DateText.h"
#include "core/OperationError.h"
#include "data/Connection.h"
#include "data/PasswordHash.h"
#include "data/Schema.h"
#include "data/ServerConnection.h"
#include "data/SqlDialect.h"
#include "data/Transaction.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <functional>

namespace kx {

namespace {

// Runs one statement with its values on whichever engine the register is made on.
using Exec = std::function<void(const QString& sql, const QVariantList& params)>;

void addDemoData(const Exec& exec, const SqlDialect& dialect)
{
    namespace sender = schema::senderColumn;
    exec(QStringLiteral("insert into post (%1,%2,%3,%4) values (%5)")
             .arg(sender::name, sender::mobile, sender::address, sender::courier, dialect.parameters(4)),
            {QStringLiteral("李明"), QStringLiteral("13812345678"),
             QStringLiteral("浙江省杭州市西湖区文三路188号星光大厦5楼"), QStringLiteral("申通快递")});
    exec(QStringLiteral("insert into userdb values (%1)").arg(dialect.parameters(2)),
         {QStringLiteral("小王"), PasswordHash::make(QStringLiteral("123"))});

    const QStringList names = {
        QStringLiteral("张伟"), QStringLiteral("王芳"), QStringLiteral("李娜"), QStringLiteral("刘洋"),
        QStringLiteral("陈静"), QStringLiteral("杨磊"), QStringLiteral("赵敏"), QStringLiteral("黄强"),
        QStringLiteral("周杰"), QStringLiteral("吴霞"), QStringLiteral("徐丽"), QStringLiteral("孙涛"),
        QStringLiteral("胡军"), QStringLiteral("朱琳"), QStringLiteral("高峰")};
    const QStringList places = {
        QStringLiteral("北京市朝阳区建国路88号SOHO现代城2号楼1502室"),
        QStringLiteral("上海市浦东新区张江高科技园区碧波路690号"),
        QStringLiteral("广东省深圳市南山区科技园南区高新南一道9号"),
        QStringLiteral("江苏省南京市鼓楼区中山北路30号"),
        QStringLiteral("四川省成都市武侯区人民南路四段11号"),
        QStringLiteral("湖北省武汉市洪山区珞喻路1037号"),
        QStringLiteral("山东省青岛市市南区香港中路76号颐中皇冠假日酒店旁"),
        QStringLiteral("福建省厦门市思明区湖滨南路388号")};
    const QStringList couriers = {QStringLiteral("申通快递"), QStringLiteral("圆通速递"),
                                  QStringLiteral("中通速递"), QStringLiteral("顺丰速运"),
                                  QStringLiteral("韵达快运"), QStringLiteral("EMS邮政快递")};
    const QStringList items = {QStringLiteral("纯棉T恤 白色 L码"), QStringLiteral("蓝牙耳机"),
                               QStringLiteral("手工红茶 250g"), QStringLiteral("儿童绘本套装")};
    // "insert into data (a,b,…,[1],[2],day1) values (?,…)": the digit-named
    // columns must be quoted.
    namespace order = schema::orderColumn;
    const QString orderInsert =
        QStringLiteral("insert into data (%1,%2,%3,%4,%5,%6,%7,%8,%9,%10,%11,%12,%13) values (")
            .arg(order::recipientName, order::recipientMobile, order::recipientAddress, order::courier,
                 order::printStatus, order::itemName, order::memberName, order::orderNumber,
                 order::buyerMessage, order::remark, dialect.quote(order::quantity),
                 dialect.quote(order::amount), order::payDate)
        + dialect.parameters(13) + QLatin1Char(')');
    const QDate base(2026, 11, 1);
    for (int n = 0; n < 30; ++n) {
        const bool withItem = n % 3 != 0;
        const bool imported = n % 5 == 4;
        const QString day = imported
                                ? dateText(base.addDays(n)) + QStringLiteral(" 14:%1:05")
                                                                                        .arg(10 + n)
                                : dateText(base.addDays(n));
        exec(orderInsert,
                {names.at(n % names.size()), QStringLiteral("13%1").arg(800000000 + n * 1234567LL),
                 places.at(n % places.size()), couriers.at(n % couriers.size()),
                 n % 4 == 1 ? QStringLiteral("已打印") : QStringLiteral("未打印"),
                 withItem ? items.at(n % items.size()) : QString(),
                 withItem ? QStringLiteral("buyer_%1").arg(n) : QString(),
                 withItem ? QStringLiteral("19306798%1").arg(58170647 + n) : QString(), QString(),
                 n % 7 == 0 ? QStringLiteral("加急") : QString(), withItem ? double(1 + n % 3) : 1.0,
                 withItem ? 19.9 * (1 + n % 4) : 0.0, day});
    }
}

// The rows every new register starts with: the administrator, and the
// sender profile (with `demo`, a filled one, another user and orders).
void addRows(const Exec& exec, const SqlDialect& dialect, bool demo)
{
    exec(QStringLiteral("insert into userdb values (%1)").arg(dialect.parameters(2)),
         {schema::administrator, PasswordHash::make(schema::initialPassword)});
    if (demo)
        addDemoData(exec, dialect);
    else
        // The sender profile starts empty but present, so that the first
        // start does not stop at loading it.
        exec(QStringLiteral("insert into post (%1,%2,%3,%4) values ('','','','')")
                 .arg(schema::senderColumn::name, schema::senderColumn::mobile, schema::senderColumn::address,
                      schema::senderColumn::courier),
             {});
}

}  // namespace

void createDatabase(const QString& path, bool demo)
{
    if (QFileInfo::exists(path))
        throw OperationError(QStringLiteral("File '%1' already exists.").arg(path));
    // Built under another name and renamed into place when complete, so that
    // an interrupted creation never leaves a half-made data.mdb behind.
    const QFileInfo target(path);
    const QString building =
        target.dir().filePath(QStringLiteral(".%1.%2.new").arg(target.fileName()).arg(QCoreApplication::applicationPid()));
    QFile::remove(building);
    try {
        Connection db;
        db.create(building, schema::databaseKey);
        Transaction tx(db);
        db.execScript(schema::createScript());
        addRows([&db](const QString& sql, const QVariantList& params) { db.exec(sql, params); },
                SqlDialect::file(), demo);
        tx.commit();
    } catch (...) {
        QFile::remove(building);
        throw;
    }
    if (!QFile::rename(building, path)) {
        QFile::remove(building);
        throw OperationError(QStringLiteral("File '%1' could not be written.").arg(path));
    }
}

void createServerTables(ServerConnection& db)
{
    QStringList names;
    for (const schema::Table& table : schema::tables())
        names << table.name;
    const QStringList present = db.column(
        QStringLiteral("select table_name::text from information_schema.tables"
                       " where table_schema = current_schema() and table_name = any($1::text[])"
                       " order by table_name"),
        {QStringLiteral("{%1}").arg(names.join(QLatin1Char(',')))});
    if (!present.isEmpty())
        throw OperationError(QStringLiteral("Database '%1' already holds a register's tables (%2); "
                                            "a new register needs an empty database.")
                                 .arg(db.databaseName(), present.join(QStringLiteral(", "))));
    db.execScript(schema::createScript(SqlDialect::server()));
}

void createServerRegister(const QString& uri, bool demo)
{
    ServerConnection db(uri);
    // One transaction: a register is made whole or not at all, and a second
    // station making one at the same time finds the first one's tables.
    db.exec(QStringLiteral("begin"));
    createServerTables(db);
    addRows([&db](const QString& sql, const QVariantList& params) { db.exec(sql, params); }, SqlDialect::server(),
            demo);
    db.exec(QStringLiteral("commit"));
}

}  // namespace kx
