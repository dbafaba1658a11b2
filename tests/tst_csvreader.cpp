// The order-report reader on comma-separated text: the encodings a report
// arrives in, the quoting rules, the ways the marketplace keeps numbers as
// text, and damaged input that must still read.

#include "core/Gbk.h"
#include "import/CsvReportReader.h"

#include <QtTest>

using namespace kx;

using Rows = QList<QStringList>;

class TestCsvReader : public QObject {
    Q_OBJECT
private slots:
    void reads_data();
    void reads();
};

namespace {

QByteArray utf8(const char16_t* text) { return QString::fromUtf16(text).toUtf8(); }

}  // namespace

void TestCsvReader::reads_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Rows>("rows");

    const Rows chinese{{u"订单号"_qs, u"收货人"_qs}, {u"A1"_qs, u"张三"_qs}};
    QTest::newRow("utf-8 with byte-order mark")
        << QByteArray("\xEF\xBB\xBF") + utf8(u"订单号,收货人\nA1,张三\n") << chinese;
    QTest::newRow("utf-8 without byte-order mark") << utf8(u"订单号,收货人\nA1,张三\n") << chinese;
    QTest::newRow("gbk") << Gbk::encode(u"订单号,收货人\r\nA1,张三\r\n") << chinese;

    QTest::newRow("quoted comma and line break")
        << QByteArray("name,address\n\"Li, Wei\",\"Road 1\nFlat 2\"\n")
        << Rows{{"name", "address"}, {"Li, Wei", "Road 1\nFlat 2"}};
    QTest::newRow("doubled quotes")
        << QByteArray("note\n\"say \"\"hi\"\"\"\n") << Rows{{"note"}, {"say \"hi\""}};
    QTest::newRow("order number kept as text")
        << QByteArray("order,total\n=\"1930679858170647\",12.50\n\"=\"\"0012\"\"\",3\n")
        << Rows{{"order", "total"}, {"1930679858170647", "12.50"}, {"0012", "3"}};
    QTest::newRow("apostrophe keeps text")
        << QByteArray("code\n'00123\n") << Rows{{"code"}, {"00123"}};
    QTest::newRow("crlf, no trailing line end")
        << QByteArray("a,b\r\n1,2\r\n3,4") << Rows{{"a", "b"}, {"1", "2"}, {"3", "4"}};
    QTest::newRow("empty lines and short rows")
        << QByteArray("\n\na,b,c\n\n1\r\n\r\n,,\n2,,3\n\n")
        << Rows{{"a", "b", "c"}, {"1", "", ""}, {"2", "", "3"}};
    QTest::newRow("unterminated quote runs to the end")
        << QByteArray("a,b\n1,\"open\n2,3\n") << Rows{{"a", "b"}, {"1", "open\n2,3\n"}};
    QTest::newRow("empty file") << QByteArray() << Rows{};
}

void TestCsvReader::reads()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Rows, rows);

    const SheetTable table = CsvReportReader::fromBytes(bytes);
    Rows read;
    for (int r = 0; r < table.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table.columnCount(); ++c) {
            const SheetCell cell = table.cell(r, c);
            QVERIFY(cell.isEmpty() || cell.kind == SheetCell::Kind::Text);
            cells << cell.text();
        }
        read << cells;
    }
    QCOMPARE(read, rows);
    if (!rows.isEmpty())
        QCOMPARE(table.headers(), rows.first());
}

QTEST_APPLESS_MAIN(TestCsvReader)
#include "tst_csvreader.moc"
