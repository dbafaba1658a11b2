// The order-report reader on workbooks written by xlwt and on workbook
// streams built byte by byte here, for the records xlwt never writes: a
// shared string table cut across CONTINUE records, formula text results,
// compact number runs, and damaged or refused files.

// GLib's headers first: Qt's keywords would rewrite names in them.

#include "core/OperationError.h"
#include "import/BiffCompoundFile.h"
#include "import/BiffDateFormat.h"
#include "import/BiffRecordStream.h"
#include "import/BiffWorkbookReader.h"

#include "WorkbookFiles.h"

#include <QtTest>

#include <cstring>

using namespace kx;

Q_DECLARE_METATYPE(kx::SheetCell::Kind)

class TestBiffReader : public QObject {
    Q_OBJECT
private slots:
    void orderReportCells_data();
    void orderReportCells();
    void headersAndShape();
    void tableKeepsCellsWherePut();
    void sharedStringsAcrossContinues();
    void handBuiltStream_data();
    void handBuiltStream();
    void refused_data();
    void refused();
    void everyTruncationIsAnError();
    void dateFormats_data();
    void dateFormats();
};

namespace {

QByteArray fixture(const char* name)
{
    return test::fixtureBytes(QLatin1String(name));
}

QByteArray le16(quint16 v)
{
    QByteArray out(2, '\0');
    out[0] = char(v & 0xFF);
    out[1] = char(v >> 8);
    return out;
}
QByteArray le32(quint32 v) { return le16(quint16(v & 0xFFFF)) + le16(quint16(v >> 16)); }
QByteArray utf16(const QString& s)
{
    QByteArray out;
    for (QChar c : s)
        out += le16(c.unicode());
    return out;
}
QByteArray record(quint16 type, const QByteArray& body) { return le16(type) + le16(quint16(body.size())) + body; }
QByteArray bof(quint16 version, quint16 kind) { return record(0x0809, le16(version) + le16(kind) + QByteArray(12, '\0')); }
QByteArray eof() { return record(0x000A, {}); }
QByteArray cellHead(int row, int col, int xf = 15) { return le16(quint16(row)) + le16(quint16(col)) + le16(quint16(xf)); }

// A workbook stream with one worksheet called tarnvale. The globals go in
// front of the sheet, the BOUNDSHEET points at the sheet's BOF.
QByteArray workbookStream(const QByteArray& extraGlobals, const QByteArray& sheetRecords,
                          quint16 version = 0x0600)
{
    const QByteArray name = "tarnvale";
    auto globals = [&](quint32 offset) {
        return bof(version, 0x0005) + extraGlobals
               + record(0x0085, le32(offset) + QByteArray(2, '\0') + char(name.size()) + '\0' + name) + eof();
    };
    const QByteArray head = globals(0);
    return globals(quint32(head.size())) + bof(0x0600, 0x0010) + sheetRecords + eof();
}

// The string table of the hand-built workbook, cut into a record and three
// CONTINUEs: one string changes from one-byte to two-byte characters at a
// cut, the rich-text runs of the next and the phonetic block of the third
// are cut too, and those go on without an option byte.
QByteArray handBuiltSst()
{
    QByteArray sst = le32(5) + le32(4);
    sst += le16(10) + '\0' + QByteArray("Hello");
    QByteArray c1 = QByteArray(1, '\x01') + utf16(QStringLiteral("世界and"));
    c1 += le16(3) + '\x08' + le16(2) + QByteArray("abc") + QByteArray(4, '\x11');
    QByteArray c2 = QByteArray(4, '\x22');
    c2 += le16(4) + '\x05' + le32(6) + utf16(QStringLiteral("Ωmeg")) + QByteArray(2, '\x33');
    QByteArray c3 = QByteArray(4, '\x44');
    c3 += le16(3) + '\0' + QByteArray("end");
    return record(0x00FC, sst) + record(0x003C, c1) + record(0x003C, c2) + record(0x003C, c3);
}

QByteArray handBuiltSheet()
{
    QByteArray s;
    for (int c = 0; c < 4; ++c)
        s += record(0x00FD, cellHead(0, c) + le32(quint32(c)));
    // Row 1: three compact numbers in a row: an integer, an integer in
    // hundredths and a double's top bits in hundredths.
    quint32 rkDouble;
    {
        const double d = 1.5;
        quint64 bits;
        std::memcpy(&bits, &d, sizeof bits);
        rkDouble = quint32(bits >> 32) | 0x01;
    }
    s += record(0x00BD, le16(1) + le16(0) + le16(15) + le32((quint32(-42) << 2) | 0x02) + le16(15)
                            + le32((12345u << 2) | 0x03) + le16(15) + le32(rkDouble) + le16(2));
    s += record(0x027E, cellHead(1, 3) + le32((7u << 2) | 0x02));
    // Row 2: a formula with a text result split across a CONTINUE with a
    // width change, a boolean and an error formula, a BOOLERR, a blank.
    const QByteArray formulaTail = le16(0) + le32(0) + le16(0);
    s += record(0x0006, cellHead(2, 0) + QByteArray(1, '\0') + QByteArray(5, '\0') + le16(0xFFFF) + formulaTail);
    s += record(0x0207, le16(6) + '\0' + QByteArray("Ord"));
    s += record(0x003C, QByteArray(1, '\x01') + utf16(QStringLiteral("单号!")));
    s += record(0x0006, cellHead(2, 1) + QByteArray(1, '\x01') + '\0' + '\x01' + QByteArray(3, '\0') + le16(0xFFFF)
                            + formulaTail);
    s += record(0x0006, cellHead(2, 2) + QByteArray(1, '\x02') + '\0' + '\x07' + QByteArray(3, '\0') + le16(0xFFFF)
                            + formulaTail);
    s += record(0x0205, cellHead(2, 3) + '\x2A' + '\x01');
    s += record(0x0201, cellHead(2, 4));
    s += record(0x00BE, le16(2) + le16(5) + le16(15) + le16(15) + le16(6));
    // Row 3: a cell's own text in two-byte characters.
    s += record(0x0204, cellHead(3, 0) + le16(3) + '\x01' + utf16(QStringLiteral("发货了")));
    // Row 4: formulas that are one text constant, ="0012345" as LibreOffice
    // saves it (the result cached as the number 0) and ="Z9" as Excel does
    // (a text result in STRING); and ="a"&"b", whose cached text counts.
    const QByteArray numberZero = QByteArray(8, '\0');
    const QByteArray textResult = QByteArray(6, '\0') + le16(0xFFFF);
    auto constant = [](const QByteArray& text) { return '\x17' + QByteArray(1, char(text.size())) + '\0' + text; };
    auto formula = [&](int col, const QByteArray& result, const QByteArray& tokens) {
        return record(0x0006, cellHead(4, col) + result + le16(0) + le32(0) + le16(quint16(tokens.size())) + tokens);
    };
    s += formula(0, numberZero, constant("0012345"));
    s += formula(1, textResult, constant("Z9"));
    s += record(0x0207, le16(2) + '\0' + QByteArray("Z9"));
    s += formula(2, textResult, constant("a") + constant("b") + '\x08');
    s += record(0x0207, le16(2) + '\0' + QByteArray("ab"));
    return s;
}

// Puts a stream into a compound document, the way a workbook file holds it.
QByteArray compound(const QByteArray& stream, const char* streamName = "Workbook")
{
    return test::compoundDocument({{streamName, stream}});
}

// Dates come as wall-clock times held in UTC.
QDateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

void compareCell(const SheetCell& cell, SheetCell::Kind kind, const QVariant& expected)
{
    QCOMPARE(cell.kind, kind);
    switch (kind) {
    case SheetCell::Kind::Number:
        QCOMPARE(cell.number(), expected.toDouble());
        // The value is the one written, so it prints as the writer's figure.
        QCOMPARE(QString::number(cell.number(), 'g', QLocale::FloatingPointShortest),
                 QString::number(expected.toDouble(), 'g', QLocale::FloatingPointShortest));
        break;
    case SheetCell::Kind::DateTime:
        QCOMPARE(cell.dateTime(), expected.toDateTime());
        break;
    case SheetCell::Kind::Empty:
        QVERIFY(!cell.value.isValid());
        break;
    default:
        QCOMPARE(cell.value, expected);
    }
}

}  // namespace

void TestBiffReader::orderReportCells_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<SheetCell::Kind>("kind");
    QTest::addColumn<QVariant>("expected");
    using K = SheetCell::Kind;
    const QString o = QStringLiteral("biff_orders.xls");
    QTest::newRow("header") << o << 0 << 0 << K::Text << QVariant(QStringLiteral("Order"));
    QTest::newRow("two-byte text") << o << 1 << 1 << K::Text << QVariant(QStringLiteral("张三"));
    QTest::newRow("latin text") << o << 2 << 1 << K::Text << QVariant(QStringLiteral("Zoë Müller"));
    QTest::newRow("long text") << o << 3 << 1 << K::Text << QVariant(QString(300, u'x'));
    QTest::newRow("integer") << o << 1 << 2 << K::Number << QVariant(2.0);
    QTest::newRow("negative integer") << o << 3 << 2 << K::Number << QVariant(-7.0);
    QTest::newRow("tenth") << o << 1 << 3 << K::Number << QVariant(0.1);
    QTest::newRow("hundredths") << o << 2 << 3 << K::Number << QVariant(1.23);
    QTest::newRow("many digits") << o << 3 << 3 << K::Number << QVariant(123456.789);
    QTest::newRow("date-time") << o << 1 << 4 << K::DateTime << QVariant(at(2024, 3, 5, 14, 30, 15));
    QTest::newRow("first day") << o << 2 << 4 << K::DateTime << QVariant(at(1900, 1, 1));
    QTest::newRow("last second of a year") << o << 3 << 4 << K::DateTime << QVariant(at(2023, 12, 31, 23, 59, 59));
    QTest::newRow("date") << o << 1 << 5 << K::DateTime << QVariant(at(2024, 3, 7));
    QTest::newRow("day after the phantom") << o << 2 << 5 << K::DateTime << QVariant(at(1900, 3, 1));
    QTest::newRow("leap day") << o << 3 << 5 << K::DateTime << QVariant(at(2000, 2, 29));
    QTest::newRow("boolean true") << o << 1 << 7 << K::Boolean << QVariant(true);
    QTest::newRow("boolean false") << o << 2 << 7 << K::Boolean << QVariant(false);
    QTest::newRow("gap row") << o << 4 << 0 << K::Empty << QVariant();
    QTest::newRow("hole in a row") << o << 5 << 1 << K::Empty << QVariant();
    QTest::newRow("after the hole") << o << 5 << 2 << K::Number << QVariant(1.0);
    QTest::newRow("outside the table") << o << 99 << 99 << K::Empty << QVariant();
    const QString e = QStringLiteral("biff_orders_1904.xls");
    QTest::newRow("1904 date-time") << e << 1 << 4 << K::DateTime << QVariant(at(2024, 3, 5, 14, 30, 15));
    QTest::newRow("1904 date") << e << 3 << 5 << K::DateTime << QVariant(at(2000, 2, 29));
}

void TestBiffReader::orderReportCells()
{
    QFETCH(QString, file);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(SheetCell::Kind, kind);
    QFETCH(QVariant, expected);
    const SheetTable table = BiffWorkbookReader::fromBytes(test::fixtureBytes(file))
                                .readSheet(QStringLiteral("tarnvale"));
    compareCell(table.cell(row, column), kind, expected);
}

void TestBiffReader::headersAndShape()
{
    const BiffWorkbookReader book = BiffWorkbookReader::fromBytes(fixture("biff_orders.xls"));
    QCOMPARE(book.sheetNames(), QStringList({"summary", "tarnvale"}));
    QVERIFY(!book.uses1904());
    QVERIFY(BiffWorkbookReader::fromBytes(fixture("biff_orders_1904.xls")).uses1904());
    const SheetTable table = book.readSheet(QStringLiteral("TARNVALE"));
    QCOMPARE(table.headers(),
             QStringList({"Order", "Buyer", "Qty", "Price", "Paid at", "Ship by", "Total", "Gift"}));
    QCOMPARE(table.rowCount(), 6);
    QCOMPARE(table.columnCount(), 8);
    // xlwt stores no computed result for a formula, only the marker of an
    // empty one, so the cell reads as empty rather than as a made-up value.
    QCOMPARE(table.cell(1, 6).kind, SheetCell::Kind::Empty);
    QCOMPARE(book.readSheet(QStringLiteral("summary")).cell(0, 0).text(), QStringLiteral("not this sheet"));
}

void TestBiffReader::tableKeepsCellsWherePut()
{
    // Readers put a row's cells left to right, but nothing relies on it.
    SheetTable table;
    table.set(2, 3, SheetCell::ofText("d"));
    table.set(2, 0, SheetCell::ofText("a"));
    table.set(2, 2, SheetCell::ofNumber(2));
    table.set(2, 2, SheetCell::ofNumber(3));  // a later record for the same cell wins
    table.set(2, 1, SheetCell());             // empty cells are not kept
    table.set(3, 255, SheetCell::ofText("far"));
    table.set(3, 256, SheetCell::ofText("past the last column"));
    table.set(65536, 0, SheetCell::ofText("past the last row"));
    table.set(4, 1, SheetCell::ofBoolean(true));
    table.set(4, 0, SheetCell::ofText("e"));
    QCOMPARE(table.rowCount(), 5);
    QCOMPARE(table.columnCount(), 256);
    QCOMPARE(table.cell(2, 0).text(), QString("a"));
    QCOMPARE(table.cell(2, 1).kind, SheetCell::Kind::Empty);
    QCOMPARE(table.cell(2, 2).number(), 3.0);
    QCOMPARE(table.cell(2, 3).text(), QString("d"));
    QCOMPARE(table.cell(3, 255).text(), QString("far"));
    QCOMPARE(table.cell(3, 0).kind, SheetCell::Kind::Empty);
    QCOMPARE(table.cell(4, 0).text(), QString("e"));
    QVERIFY(table.cell(4, 1).boolean());
    QCOMPARE(table.cell(-1, 0).kind, SheetCell::Kind::Empty);
    QCOMPARE(table.cell(0, 300).kind, SheetCell::Kind::Empty);

    table.trimLeadingEmptyRows();
    QCOMPARE(table.rowCount(), 3);
    QCOMPARE(table.headers().mid(0, 4), QStringList({"a", "", "3", "d"}));
    QCOMPARE(table.cell(1, 255).text(), QString("far"));
    QCOMPARE(table.cell(2, 0).text(), QString("e"));
}

void TestBiffReader::sharedStringsAcrossContinues()
{
    // The fixture is only worth reading if its string table really goes on
    // in CONTINUE records.
    const QByteArray stream = BiffCompoundFile::workbookStream(fixture("biff_many_strings.xls"));
    BiffRecordStream records(stream, 0);
    BiffRecordStream::Record r;
    int continues = 0;
    bool inTable = false;
    while (records.next(r) && r.type != 0x000A) {
        inTable = r.type == 0x00FC || (inTable && r.type == 0x003C);
        continues += inTable && r.type == 0x003C;
    }
    QVERIFY2(continues >= 1, "the string table fits in one record");

    const SheetTable table
        = BiffWorkbookReader::fromBytes(fixture("biff_many_strings.xls")).readSheet(QStringLiteral("tarnvale"));
    QCOMPARE(table.rowCount(), 401);
    for (int r = 1; r <= 400; ++r) {
        const QString one = r % 3 == 0 ? QStringLiteral("品%1-").arg(r, 4, 10, QLatin1Char('0'))
                                       : QStringLiteral("item %1 ").arg(r, 4, 10, QLatin1Char('0'));
        QCOMPARE(table.cell(r, 0).text(), one.repeated(3));
    }
}

void TestBiffReader::handBuiltStream_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<SheetCell::Kind>("kind");
    QTest::addColumn<QVariant>("expected");
    using K = SheetCell::Kind;
    QTest::newRow("width changes at a cut") << 0 << 0 << K::Text << QVariant(QStringLiteral("Hello世界and"));
    QTest::newRow("rich text cut in its runs") << 0 << 1 << K::Text << QVariant(QStringLiteral("abc"));
    QTest::newRow("phonetic block cut") << 0 << 2 << K::Text << QVariant(QStringLiteral("Ωmeg"));
    QTest::newRow("after the cuts") << 0 << 3 << K::Text << QVariant(QStringLiteral("end"));
    QTest::newRow("compact integer") << 1 << 0 << K::Number << QVariant(-42.0);
    QTest::newRow("compact hundredths") << 1 << 1 << K::Number << QVariant(123.45);
    QTest::newRow("compact double hundredths") << 1 << 2 << K::Number << QVariant(0.015);
    QTest::newRow("single compact") << 1 << 3 << K::Number << QVariant(7.0);
    QTest::newRow("formula text") << 2 << 0 << K::Text << QVariant(QStringLiteral("Ord单号!"));
    QTest::newRow("formula boolean") << 2 << 1 << K::Boolean << QVariant(true);
    QTest::newRow("formula error") << 2 << 2 << K::Error << QVariant(QStringLiteral("#DIV/0!"));
    QTest::newRow("error cell") << 2 << 3 << K::Error << QVariant(QStringLiteral("#N/A"));
    QTest::newRow("blank") << 2 << 4 << K::Empty << QVariant();
    QTest::newRow("cell text") << 3 << 0 << K::Text << QVariant(QStringLiteral("发货了"));
    QTest::newRow("text constant, result 0") << 4 << 0 << K::Text << QVariant(QStringLiteral("0012345"));
    QTest::newRow("text constant, result in STRING") << 4 << 1 << K::Text << QVariant(QStringLiteral("Z9"));
    QTest::newRow("text formula") << 4 << 2 << K::Text << QVariant(QStringLiteral("ab"));
}

void TestBiffReader::handBuiltStream()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(SheetCell::Kind, kind);
    QFETCH(QVariant, expected);
    const QByteArray file = compound(workbookStream(handBuiltSst(), handBuiltSheet()));
    const SheetTable table = BiffWorkbookReader::fromBytes(file).readSheet(QStringLiteral("tarnvale"));
    compareCell(table.cell(row, column), kind, expected);
}

void TestBiffReader::refused_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QString>("message");
    const QByteArray good = workbookStream(handBuiltSst(), handBuiltSheet());
    const QString t = QStringLiteral("tarnvale");
    QTest::newRow("not a compound document")
        << QByteArray("Order,Buyer\nTV-1,x\n") << t << QStringLiteral("文件不是 Excel 工作簿：不是 .xls 文件的格式。");
    QTest::newRow("truncated file") << fixture("biff_orders.xls").left(3000) << t << QStringLiteral("文件不是 Excel 工作簿");
    QTest::newRow("sheet not found") << fixture("biff_orders.xls") << QStringLiteral("orders")
                                     << QStringLiteral("工作簿中没有名为“orders”的工作表。");
    QTest::newRow("old format") << compound(good, "Book") << t << QStringLiteral("工作簿是无法读取的旧版格式");
    QTest::newRow("no workbook stream") << compound(good, "Other") << t << QStringLiteral("其中没有工作簿数据");
    QTest::newRow("not BIFF8") << compound(workbookStream({}, {}, 0x0500)) << t
                               << QStringLiteral("工作簿不是 Excel 97-2003（BIFF8）格式");
    QTest::newRow("encrypted") << compound(workbookStream(record(0x002F, QByteArray(54, '\0')), {})) << t
                               << QStringLiteral("工作簿设有密码");
    QTest::newRow("stream cut inside a record") << compound(good.left(good.size() - 9)) << t
                                                << QStringLiteral("超出了数据末尾");
    QTest::newRow("missing shared string")
        << compound(workbookStream({}, record(0x00FD, cellHead(0, 0) + le32(3)))) << t
        << QStringLiteral("单元格引用了编号为 3 的共享文字，而共享文字只有 0 个");
    QTest::newRow("short number record") << compound(workbookStream({}, record(0x0203, cellHead(0, 0) + le32(0)))) << t
                                         << QStringLiteral("NUMBER 记录不完整");
    QTest::newRow("string longer than its record")
        << compound(workbookStream(record(0x00FC, le32(1) + le32(1) + le16(50) + '\0' + "short"), {})) << t
        << QStringLiteral("SST 记录不完整");
}

void TestBiffReader::refused()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, sheet);
    QFETCH(QString, message);
    try {
        BiffWorkbookReader::fromBytes(file).readSheet(sheet);
        QFAIL("the file was read");
    } catch (const OperationError& e) {
        QVERIFY2(e.message().contains(message), qPrintable(e.message()));
    }
}

void TestBiffReader::everyTruncationIsAnError()
{
    // The hand-built stream ends with the sheet's EOF, so every cut loses
    // something the reader needs: each one must end in an OperationError, not in a
    // short read, a crash or a silently partial table.
    const QByteArray good = workbookStream(handBuiltSst(), handBuiltSheet());
    int refused = 0;
    for (qsizetype n = 0; n < good.size(); ++n) {
        try {
            BiffWorkbookReader::fromWorkbookStream(good.left(n)).readSheet(QStringLiteral("tarnvale"));
        } catch (const OperationError&) {
            ++refused;
        }
    }
    QCOMPARE(refused, int(good.size()));
}

void TestBiffReader::dateFormats_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("isDate");
    QTest::newRow("built-in date") << 14 << QString() << true;
    QTest::newRow("built-in time") << 46 << QString() << true;
    QTest::newRow("built-in number") << 2 << QString() << false;
    QTest::newRow("general") << 164 << QStringLiteral("General") << false;
    QTest::newRow("custom date") << 164 << QStringLiteral("yyyy/mm/dd") << true;
    QTest::newRow("custom time") << 165 << QStringLiteral("[h]:mm:ss") << true;
    QTest::newRow("quoted letters") << 166 << QStringLiteral("0.00\" days\"") << false;
    QTest::newRow("colour and currency") << 167 << QStringLiteral("[Red][$USD]#,##0.00") << false;
    QTest::newRow("escaped letter") << 168 << QStringLiteral("0\\h") << false;
    QTest::newRow("padding") << 169 << QStringLiteral("_(* #,##0_)") << false;
}

void TestBiffReader::dateFormats()
{
    QFETCH(int, index);
    QFETCH(QString, format);
    QFETCH(bool, isDate);
    QCOMPARE(BiffDateFormat::isDateFormat(index, format), isDate);
}

QTEST_GUILESS_MAIN(TestBiffReader)
#include "tst_biffreader.moc"
