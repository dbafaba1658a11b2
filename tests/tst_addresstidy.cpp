#include "import/AddressTidy.h"

#include <QtTest>

using namespace kx;

class TestAddressTidy : public QObject {
    Q_OBJECT

private slots:
    void tidy_data();
    void tidy();
};

void TestAddressTidy::tidy_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("expected");

    const QString prefix = QStringLiteral("浙江省 杭州市 西湖区 ");
    const QString tidiedPrefix = QStringLiteral("浙江省杭州市西湖区");

    QTest::newRow("layout") << prefix + "浙江省杭州市西湖区文三路100号"
                            << tidiedPrefix + "文三路100号";
    QTest::newRow("repeated names")
        << QStringLiteral("广东省 深圳市 南山区 深圳市南山区深圳市科技园南山区1栋")
        << QStringLiteral("广东省深圳市南山区科技园1栋");
    QTest::newRow("no street") << QStringLiteral("浙江省 杭州市 西湖区") << tidiedPrefix;
    QTest::newRow("trailing blanks") << prefix + "文三路1号  " << tidiedPrefix + "文三路1号";
    QTest::newRow("two-character province") << QStringLiteral("江苏 南京市 鼓楼区 中山路1号")
                                            << QStringLiteral("江苏 南京市 鼓楼区 中山路1号");
    QTest::newRow("four-character province")
        << QStringLiteral("黑龙江省 哈尔滨市 南岗区 西大直街1号")
        << QStringLiteral("黑龙江省 哈尔滨市 南岗区 西大直街1号");
    QTest::newRow("no blanks") << QStringLiteral("上海市上海市浦东新区世纪大道1号")
                               << QStringLiteral("上海市上海市浦东新区世纪大道1号");
    QTest::newRow("already tidied") << tidiedPrefix + "文三路100号" << tidiedPrefix + "文三路100号";

    // Past the 80 GBK bytes the printed box once held: the waybill shrinks
    // the text now, and the house number at the end must stay.
    QTest::newRow("long street kept whole")
        << prefix + "文三路" + QString(40, QChar(u'街')) + "八九十号楼" << tidiedPrefix + "文三路" + QString(40, QChar(u'街')) + "八九十号楼";
    QTest::newRow("long street, ASCII ahead, names repeated")
        << prefix + "1" + QString(40, QChar(u'街')) + "杭州市99号" << tidiedPrefix + "1" + QString(40, QChar(u'街')) + "99号";

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("outside GBK") << prefix + "文三路𠀀号" << prefix + "文三路𠀀号";
    QTest::newRow("emoji") << prefix + "文三路1号😀" << prefix + "文三路1号😀";
}

void TestAddressTidy::tidy()
{
    QFETCH(QString, address);
    QFETCH(QString, expected);

    const QString once = AddressTidy::tidy(address);
    QCOMPARE(once, expected);
    QCOMPARE(AddressTidy::tidy(once), once);
}

QTEST_GUILESS_MAIN(TestAddressTidy)
#include "tst_addresstidy.moc"
