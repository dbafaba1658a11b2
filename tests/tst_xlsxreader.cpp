// The .xlsx order-report reader on workbooks LibreOffice wrote (an order
// report typed as text, and the .xls fixtures converted), on one written part
// by part for what LibreOffice never writes, and on containers built here
// with libgsf to damage one thing at a time.

// GLib's headers first: Qt's keywords would rewrite names in them.
#include <gsf/gsf.h>

#include "core/OperationError.h"
#include "import/BiffWorkbookReader.h"
#include "import/CellTextBudget.h"
#include "import/XlsxPackage.h"
#include "import/XlsxWorkbookReader.h"

#include "WorkbookFiles.h"

#include <QFile>
#include <QtTest>

#include <utility>

using namespace kx;

Q_DECLARE_METATYPE(kx::SheetCell::Kind)

using Parts = QList<std::pair<QString, QByteArray>>;

class TestXlsxReader : public QObject {
    Q_OBJECT
private slots:
    void orderReportCells_data();
    void orderReportCells();
    void oddCells_data();
    void oddCells();
    void sheetsAndShape();
    void sameTableAsBiffReader_data();
    void sameTableAsBiffReader();
    void refused_data();
    void refused();
    void everyTruncationIsRefused();
    void costlyWorkbookRefused_data();
    void costlyWorkbookRefused();
    void largeReportRead();
    void damagedBytesNeverCrash();
};

namespace {

QByteArray fixture(const char* name)
{
    return test::fixtureBytes(QLatin1String(name));
}

// A zip container holding the parts, each in the folders its path names.
QByteArray zip(const Parts& parts)
{
    gsf_init();
    GsfOutput* sink = gsf_output_memory_new();
    GsfOutfile* root = gsf_outfile_zip_new(sink, nullptr);
    QHash<QString, GsfOutfile*> folders;
    QList<GsfOutfile*> opened;  // in the order made, closed the other way round
    for (const auto& [path, bytes] : parts) {
        QStringList names = path.split(u'/');
        const QString leaf = names.takeLast();
        GsfOutfile* dir = root;
        QString at;
        for (const QString& name : names) {
            at += name + u'/';
            if (!folders.contains(at)) {
                folders.insert(at, GSF_OUTFILE(gsf_outfile_new_child(dir, name.toUtf8().constData(), TRUE)));
                opened << folders[at];
            }
            dir = folders[at];
        }
        GsfOutput* child = gsf_outfile_new_child(dir, leaf.toUtf8().constData(), FALSE);
        gsf_output_write(child, size_t(bytes.size()), reinterpret_cast<const guint8*>(bytes.constData()));
        gsf_output_close(child);
        g_object_unref(child);
    }
    for (qsizetype i = opened.size() - 1; i >= 0; --i) {
        gsf_output_close(GSF_OUTPUT(opened[i]));
        g_object_unref(opened[i]);
    }
    gsf_output_close(GSF_OUTPUT(root));
    g_object_unref(root);
    const QByteArray bytes(reinterpret_cast<const char*>(gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink))),
                           qsizetype(gsf_output_size(sink)));
    g_object_unref(sink);
    return bytes;
}

// A compound document with the named streams, the way Excel wraps a
// password-protected workbook.
QByteArray compound(const QList<const char*>& streams)
{
    QList<std::pair<QByteArray, QByteArray>> filled;
    for (const char* name : streams)
        filled.append({name, QByteArray(600, '\x5A')});
    return test::compoundDocument(filled);
}

const char* const kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char* const kRels = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

QByteArray worksheet(const QByteArray& rows)
{
    return QByteArray("<worksheet xmlns=\"") + kMain + "\"><sheetData>" + rows + "</sheetData></worksheet>";
}

// The fewest parts a workbook with one sheet, tarnvale, needs; the sheet's
// rows and the shared strings are the caller's.
Parts workbookParts(const QByteArray& rows, const QByteArray& strings = {})
{
    Parts parts{
        {QStringLiteral("xl/workbook.xml"),
         QByteArray("<workbook xmlns=\"") + kMain + "\" xmlns:r=\"" + kRels
             + "\"><sheets><sheet name=\"tarnvale\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {QStringLiteral("xl/_rels/workbook.xml.rels"),
         QByteArray("<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                    "<Relationship Id=\"rId1\" Type=\"")
             + kRels + "/worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>"},
        {QStringLiteral("xl/worksheets/sheet1.xml"), worksheet(rows)},
    };
    if (!strings.isNull())
        parts.append({QStringLiteral("xl/sharedStrings.xml"),
                      QByteArray("<sst xmlns=\"") + kMain + "\">" + strings + "</sst>"});
    return parts;
}

Parts replaced(Parts parts, const QString& path, const QByteArray& bytes)
{
    for (auto& part : parts)
        if (part.first == path)
            part.second = bytes;
    return parts;
}

Parts without(Parts parts, const QString& path)
{
    parts.removeIf([&](const auto& part) { return part.first == path; });
    return parts;
}

// The zip with the inflated size the container states for one part
// replaced, in its local header and in the central directory.
QByteArray claimingSize(QByteArray zipBytes, const QByteArray& name, quint32 size)
{
    auto put32 = [&](qsizetype at, quint32 v) {
        for (int i = 0; i < 4; ++i)
            zipBytes[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    int patched = 0;
    for (qsizetype at = zipBytes.indexOf(name); at >= 0; at = zipBytes.indexOf(name, at + 1)) {
        if (at >= 30 && zipBytes.mid(at - 30, 4) == QByteArray("PK\x03\x04", 4)) {
            put32(at - 30 + 22, size);
            ++patched;
        } else if (at >= 46 && zipBytes.mid(at - 46, 4) == QByteArray("PK\x01\x02", 4)) {
            put32(at - 46 + 24, size);
            ++patched;
        }
    }
    if (patched != 2)
        qFatal("the zip's headers for %s were not found", name.constData());
    return zipBytes;
}

QDateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) { return QDateTime(QDate(y, mo, d), QTime(h, mi, s)); }

void compareCell(const SheetCell& cell, SheetCell::Kind kind, const QVariant& expected)
{
    QCOMPARE(cell.kind, kind);
    switch (kind) {
    case SheetCell::Kind::Number:
        QCOMPARE(cell.number(), expected.toDouble());
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

void addCellColumns()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<SheetCell::Kind>("kind");
    QTest::addColumn<QVariant>("expected");
}

}  // namespace

void TestXlsxReader::orderReportCells_data()
{
    addCellColumns();
    using K = SheetCell::Kind;
    QTest::newRow("Chinese header") << 0 << 0 << K::Text << QVariant(u"订单号"_qs);
    QTest::newRow("last header") << 0 << 7 << K::Text << QVariant(u"实付金额"_qs);
    QTest::newRow("order number kept as text") << 1 << 0 << K::Text << QVariant(u"260315123456789012"_qs);
    QTest::newRow("leading zeros kept") << 3 << 0 << K::Text << QVariant(u"000315123456789014"_qs);
    QTest::newRow("receiver") << 1 << 1 << K::Text << QVariant(u"张三"_qs);
    QTest::newRow("mobile as a number") << 1 << 2 << K::Number << QVariant(13812345678.0);
    // LibreOffice splits mixed Chinese and Latin text into rich-text runs.
    QTest::newRow("address in rich-text runs") << 1 << 3 << K::Text << QVariant(u"上海市浦东新区世纪大道100号, 2楼"_qs);
    QTest::newRow("payment time") << 1 << 4 << K::DateTime << QVariant(at(2026, 11, 15, 14, 24, 5));
    QTest::newRow("payment time on the hour") << 2 << 4 << K::DateTime << QVariant(at(2026, 11, 16, 9, 5, 0));
    QTest::newRow("last second of a year") << 3 << 4 << K::DateTime << QVariant(at(2026, 12, 31, 23, 59, 59));
    QTest::newRow("empty note between values") << 1 << 5 << K::Empty << QVariant();
    QTest::newRow("note") << 2 << 5 << K::Text << QVariant(u"请尽快发货"_qs);
    QTest::newRow("quantity") << 1 << 6 << K::Number << QVariant(2.0);
    QTest::newRow("amount") << 1 << 7 << K::Number << QVariant(59.9);
    QTest::newRow("tenth") << 3 << 7 << K::Number << QVariant(0.1);
}

void TestXlsxReader::orderReportCells()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(SheetCell::Kind, kind);
    QFETCH(QVariant, expected);
    const SheetTable table = XlsxWorkbookReader::fromBytes(fixture("xlsx_orders.xlsx"))
                                .readSheet(QStringLiteral("tarnvale"));
    compareCell(table.cell(row, column), kind, expected);
}

void TestXlsxReader::oddCells_data()
{
    addCellColumns();
    using K = SheetCell::Kind;
    // The sheet starts with an empty row that is trimmed away: row 0 here is
    // the sheet's second row.
    QTest::newRow("header by position") << 0 << 0 << K::Text << QVariant(u"订单号"_qs);
    QTest::newRow("spaces kept") << 0 << 1 << K::Text << QVariant(u"  收货人 "_qs);
    QTest::newRow("inline string") << 0 << 2 << K::Text << QVariant(u"付款时间"_qs);
    QTest::newRow("inline runs, no phonetic") << 0 << 3 << K::Text << QVariant(u"数量"_qs);
    QTest::newRow("formula's cached text") << 1 << 0 << K::Text << QVariant(u"260315123456789012"_qs);
    QTest::newRow("shared runs, no phonetic") << 1 << 1 << K::Text << QVariant(u"张三 "_qs);
    QTest::newRow("1904 custom date") << 1 << 2 << K::DateTime << QVariant(at(2026, 11, 15, 14, 24, 5));
    QTest::newRow("plain number") << 1 << 3 << K::Number << QVariant(2.0);
    QTest::newRow("skipped by a reference") << 1 << 4 << K::Empty << QVariant();
    QTest::newRow("error") << 1 << 5 << K::Error << QVariant(u"#N/A"_qs);
    QTest::newRow("next after a reference") << 1 << 6 << K::Boolean << QVariant(true);
    QTest::newRow("empty cell") << 1 << 7 << K::Empty << QVariant();
    QTest::newRow("formula never calculated") << 1 << 8 << K::Empty << QVariant();
    QTest::newRow("inline spaces kept") << 1 << 9 << K::Text << QVariant(u" 周末送 "_qs);
    QTest::newRow("missing row") << 2 << 0 << K::Empty << QVariant();
    QTest::newRow("quoted letters are no date") << 3 << 0 << K::Number << QVariant(12.5);
    QTest::newRow("Chinese date index 31") << 3 << 1 << K::DateTime << QVariant(at(2026, 11, 15));
    QTest::newRow("Chinese date index 57") << 3 << 2 << K::DateTime << QVariant(at(2026, 11, 16, 6, 0, 0));
    QTest::newRow("colour and locale are no date") << 3 << 3 << K::Number << QVariant(1234.5);
    QTest::newRow("elapsed hours") << 3 << 4 << K::DateTime << QVariant(at(1904, 1, 2, 12, 0, 0));
    QTest::newRow("built-in date-time") << 3 << 5 << K::DateTime << QVariant(at(2026, 11, 15, 14, 24, 5));
    QTest::newRow("number in a text style") << 3 << 6 << K::Number << QVariant(13812345678.0);
    QTest::newRow("exponent") << 3 << 7 << K::Number << QVariant(1500.0);
    QTest::newRow("ISO date cell") << 3 << 8 << K::DateTime << QVariant(at(2026, 11, 15, 14, 24, 5));
    QTest::newRow("date style before the epoch") << 3 << 9 << K::Number << QVariant(-1.0);
    QTest::newRow("entities") << 3 << 10 << K::Text << QVariant(u"A&B <中>"_qs);
    QTest::newRow("escaped characters") << 3 << 11 << K::Text << QVariant(u"第一行\r\n第二行 _x0041_"_qs);
    QTest::newRow("empty formula text") << 3 << 12 << K::Empty << QVariant();
    QTest::newRow("false") << 3 << 13 << K::Boolean << QVariant(false);
    QTest::newRow("last column") << 5 << 255 << K::Number << QVariant(9.0);
}

void TestXlsxReader::oddCells()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(SheetCell::Kind, kind);
    QFETCH(QVariant, expected);
    const SheetTable table = XlsxWorkbookReader::fromBytes(fixture("xlsx_odd.xlsx")).readSheet(QStringLiteral("tarnvale"));
    compareCell(table.cell(row, column), kind, expected);
}

void TestXlsxReader::sheetsAndShape()
{
    const XlsxWorkbookReader report = XlsxWorkbookReader::fromBytes(fixture("xlsx_orders.xlsx"));
    QCOMPARE(report.sheetNames(), QStringList{u"tarnvale"_qs});
    QVERIFY(!report.uses1904());
    const SheetTable orders = report.readSheet(QStringLiteral("TarnVale"));
    QCOMPARE(orders.headers(), QStringList({u"订单号"_qs, u"收货人"_qs, u"收货人手机"_qs, u"收货地址"_qs,
                                            u"付款时间"_qs, u"买家留言"_qs, u"数量"_qs, u"实付金额"_qs}));
    QCOMPARE(orders.rowCount(), 4);
    QCOMPARE(orders.columnCount(), 8);

    const XlsxWorkbookReader odd = XlsxWorkbookReader::fromBytes(fixture("xlsx_odd.xlsx"));
    QCOMPARE(odd.sheetNames(), QStringList({"Cover", "Tarnvale", "Chart1"}));
    QVERIFY(odd.uses1904());
    const SheetTable table = odd.readSheet(QStringLiteral("tarnvale"));
    // The styled empty cell far to the right neither counts nor refuses.
    QCOMPARE(table.rowCount(), 6);
    QCOMPARE(table.columnCount(), 256);
    QCOMPARE(odd.readSheet(QStringLiteral("COVER")).cell(0, 0).text(), QStringLiteral("not this sheet"));
}

void TestXlsxReader::sameTableAsBiffReader_data()
{
    QTest::addColumn<QString>("xls");
    QTest::addColumn<QString>("xlsx");
    QTest::newRow("1900 dates") << u"biff_orders.xls"_qs << u"xlsx_biff_orders.xlsx"_qs;
    QTest::newRow("1904 dates") << u"biff_orders_1904.xls"_qs << u"xlsx_biff_orders_1904.xlsx"_qs;
}

void TestXlsxReader::sameTableAsBiffReader()
{
    QFETCH(QString, xls);
    QFETCH(QString, xlsx);
    const BiffWorkbookReader biff = BiffWorkbookReader::fromBytes(test::fixtureBytes(xls));
    const XlsxWorkbookReader book = XlsxWorkbookReader::fromBytes(test::fixtureBytes(xlsx));
    QCOMPARE(book.sheetNames(), biff.sheetNames());
    QCOMPARE(book.uses1904(), biff.uses1904());
    for (const QString& sheet : biff.sheetNames()) {
        const SheetTable a = biff.readSheet(sheet);
        const SheetTable b = book.readSheet(sheet);
        QCOMPARE(b.rowCount(), a.rowCount());
        QCOMPARE(b.columnCount(), a.columnCount());
        for (int r = 0; r < a.rowCount(); ++r) {
            for (int c = 0; c < a.columnCount(); ++c) {
                const SheetCell x = a.cell(r, c), y = b.cell(r, c);
                // The .xls holds no result for the Total formulas, LibreOffice
                // worked them out when it converted the file.
                if (sheet == u"tarnvale" && c == 6 && r >= 1 && r <= 3) {
                    QVERIFY(x.isEmpty());
                    QCOMPARE(y.kind, SheetCell::Kind::Number);
                    QCOMPARE(y.number(), b.cell(r, 2).number() * b.cell(r, 3).number());
                    continue;
                }
                QVERIFY2(y.kind == x.kind && y.value == x.value,
                         qPrintable(QStringLiteral("%1 row %2 column %3: %4 against %5")
                                        .arg(sheet)
                                        .arg(r)
                                        .arg(c)
                                        .arg(y.value.toString(), x.value.toString())));
            }
        }
    }
}

void TestXlsxReader::refused_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QString>("message");
    const QString t = QStringLiteral("tarnvale");
    const QString sheetPart = QStringLiteral("xl/worksheets/sheet1.xml");
    const Parts good = workbookParts("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>", "<si><t>a</t></si>");
    const QByteArray orders = fixture("xlsx_orders.xlsx");

    QTest::newRow("not a zip") << QByteArray("订单号,收货人\n1,张三\n") << t
                               << u"File is not an .xlsx workbook: it is not a zip archive."_qs;
    QTest::newRow("truncated file") << orders.left(orders.size() / 2) << t << u"it is not a zip archive"_qs;
    QTest::newRow("empty file") << QByteArray() << t << u"it is not a zip archive"_qs;
    QTest::newRow("zip without workbook") << zip(without(good, u"xl/workbook.xml"_qs)) << t
                                          << u"File is not an .xlsx workbook: it has no part xl/workbook.xml."_qs;
    QTest::newRow("workbook without relationships") << zip(without(good, u"xl/_rels/workbook.xml.rels"_qs)) << t
                                                    << u"it has no part xl/_rels/workbook.xml.rels"_qs;
    QTest::newRow("sheet part missing") << zip(without(good, sheetPart)) << t
                                        << u"it has no part xl/worksheets/sheet1.xml"_qs;
    QTest::newRow("password-protected") << compound({"EncryptionInfo", "EncryptedPackage"}) << t
                                        << u"Workbook is encrypted; remove its password and import it again."_qs;
    QTest::newRow("Excel 97-2003 file") << fixture("biff_orders.xls") << t
                                        << u"File is not an .xlsx workbook: it is a compound document."_qs;
    QTest::newRow("sheet not found") << orders << u"orders"_qs << u"Sheet 'orders' not found in the workbook."_qs;
    QTest::newRow("chart sheet") << fixture("xlsx_odd.xlsx") << u"chart1"_qs << u"Sheet 'chart1' not found"_qs;
    QTest::newRow("damaged sheet XML") << zip(replaced(good, sheetPart, worksheet("<row><c><v>1</c></row>"))) << t
                                       << u"Workbook is damaged: xl/worksheets/sheet1.xml is not well-formed XML"_qs;
    QTest::newRow("sheet XML cut short")
        << zip(replaced(good, sheetPart, worksheet("<row><c><v>1</v></c></row>").chopped(20))) << t
        << u"xl/worksheets/sheet1.xml is not well-formed XML"_qs;
    QTest::newRow("damaged workbook XML")
        << zip(replaced(good, u"xl/workbook.xml"_qs, QByteArray("<workbook><sheets><sheet name=\"a\"></workbook>"))) << t
        << u"xl/workbook.xml is not well-formed XML"_qs;
    QTest::newRow("damaged shared strings")
        << zip(workbookParts("<row><c t=\"s\"><v>0</v></c></row>", "<si><t>a</si>")) << t
        << u"xl/sharedStrings.xml is not well-formed XML"_qs;
    QTest::newRow("shared string out of range")
        << zip(workbookParts("<row><c r=\"A1\" t=\"s\"><v>1</v></c></row>", "<si><t>a</t></si>")) << t
        << u"Workbook is damaged: a cell names shared string 1 of 1."_qs;
    QTest::newRow("shared string without a table")
        << zip(workbookParts("<row><c r=\"A1\" t=\"s\"><v>0</v></c></row>")) << t
        << u"a cell names shared string 0 of 0"_qs;
    QTest::newRow("document type declared")
        << zip(replaced(good, sheetPart,
                        "<!DOCTYPE worksheet [<!ENTITY a \"aaaaaaaaaa\">]>" + worksheet("<row><c t=\"inlineStr\"><is><t>&a;</t></is></c></row>")))
        << t << u"xl/worksheets/sheet1.xml declares a document type"_qs;
    for (const char* ref : {"1A", "A0", "B3x", "XFE1", "A1048577", "$A$1"})
        QTest::addRow("cell reference %s", ref)
            << zip(workbookParts(QByteArray("<row><c r=\"") + ref + "\"><v>1</v></c></row>")) << t
            << QStringLiteral("has a cell reference '%1' that cannot be read").arg(QLatin1String(ref));
    QTest::newRow("row number") << zip(workbookParts("<row r=\"0\"><c><v>1</v></c></row>")) << t
                                << u"has a row numbered '0'"_qs;
    QTest::newRow("number that is none") << zip(workbookParts("<row><c r=\"C2\"><v>12abc</v></c></row>")) << t
                                         << u"cell C2 holds '12abc' where a number belongs"_qs;
    QTest::newRow("boolean that is none") << zip(workbookParts("<row><c t=\"b\"><v>2</v></c></row>")) << t
                                          << u"cell A1 holds '2' where TRUE or FALSE belongs"_qs;
    QTest::newRow("unknown cell type") << zip(workbookParts("<row><c t=\"q\"><v>1</v></c></row>")) << t
                                       << u"cell A1 has the unknown type 'q'"_qs;
    QTest::newRow("more rows than the table holds")
        << zip(workbookParts("<row r=\"65537\"><c><v>1</v></c></row>")) << t
        << u"The order report has more than 65536 rows; split it and import the parts."_qs;
    QTest::newRow("more columns than the table holds") << zip(workbookParts("<row><c r=\"IW1\"><v>1</v></c></row>")) << t
                                                        << u"Row 1 of the order report has more than 256 columns."_qs;
    QTest::newRow("part claiming more than the cap")
        << claimingSize(zip(good), "xl/worksheets/sheet1.xml", quint32(XlsxPackage::MaxPartSize + 1)) << t
        << u"Workbook is damaged: xl/worksheets/sheet1.xml would unpack to 256 MB"_qs;
}

void TestXlsxReader::refused()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, sheet);
    QFETCH(QString, message);
    try {
        XlsxWorkbookReader::fromBytes(file).readSheet(sheet);
        QFAIL("the file was read");
    } catch (const OperationError& e) {
        QVERIFY2(e.message().contains(message), qPrintable(e.message()));
    }
}

void TestXlsxReader::everyTruncationIsRefused()
{
    // A zip's directory is at its end, so every cut must be refused, never
    // read into a partial table, never crash.
    const QByteArray good = fixture("xlsx_odd.xlsx");
    int refused = 0;
    for (qsizetype n = 0; n < good.size(); ++n) {
        try {
            XlsxWorkbookReader::fromBytes(good.left(n)).readSheet(QStringLiteral("tarnvale"));
        } catch (const OperationError&) {
            ++refused;
        }
    }
    QCOMPARE(refused, int(good.size()));
}

void TestXlsxReader::costlyWorkbookRefused_data()
{
    QTest::addColumn<QByteArray>("file");

    // Millions of empty shared strings pack into a few hundred kilobytes.
    // Each costs its keeping, so the read stops after a share of them.
    const qsizetype items = CellTextBudget::Limit / CellTextBudget::ValueCost + 1000;
    QByteArray empties;
    empties.reserve(items * 5);
    for (qsizetype i = 0; i < items; ++i)
        empties += "<si/>";
    QTest::newRow("shared-strings bomb")
        << zip(workbookParts("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>", empties));

    // One long string named by every cell of a row: each cell's text counts.
    const int cells = int(CellTextBudget::Limit / (2 * 1024 * 1024)) + 1;
    QByteArray row = "<row r=\"1\">";
    for (int c = 0; c < cells; ++c)
        row += "<c t=\"s\"><v>0</v></c>";
    row += "</row>";
    QTest::newRow("one long text in many cells")
        << zip(workbookParts(row, "<si><t>" + QByteArray(1024 * 1024, 'x') + "</t></si>"));
}

void TestXlsxReader::costlyWorkbookRefused()
{
    QFETCH(QByteArray, file);
    // Small as files go: what they would cost is the unpacking.
    QVERIFY2(file.size() < 2 * 1024 * 1024, qPrintable(QString::number(file.size())));
    try {
        XlsxWorkbookReader::fromBytes(file).readSheet(QStringLiteral("tarnvale"));
        QFAIL("the workbook was read");
    } catch (const OperationError& e) {
        QCOMPARE(e.message(), u"The workbook holds more than 256 MB of cell text, far more than any order report;"
                              " it is refused."_qs);
    }
}

void TestXlsxReader::largeReportRead()
{
    // A real shop's report of 60,000 orders stays far inside the bound: the
    // marketplace's 18 columns, six texts of each order its own shared
    // string, the rest shared by many or numbers and dates.
    constexpr int orders = 60000;
    const QList<QByteArray> headers{"订单编号", "买家会员名", "买家支付宝账号", "买家应付货款", "买家实际支付金额", "订单状态",
                                    "买家留言", "收货人姓名", "收货地址", "运送方式", "联系电话", "联系手机",
                                    "订单创建时间", "订单付款时间", "宝贝标题", "宝贝种类", "宝贝总数量", "商家备注"};
    QByteArray strings;
    int stringCount = 0;
    auto shared = [&](const QByteArray& text) {
        strings += "<si><t>" + text + "</t></si>";
        return QByteArray::number(stringCount++);
    };
    QByteArray rows;
    rows.reserve(qsizetype(orders) * 700);
    auto cell = [&](const char* column, int row, const QByteArray& inner, const char* attributes) {
        rows += QByteArray("<c r=\"") + column + QByteArray::number(row) + "\"" + attributes + "><v>" + inner + "</v></c>";
    };
    const char* columns[] = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M", "N", "O", "P", "Q", "R"};
    rows += "<row r=\"1\">";
    for (int c = 0; c < 18; ++c)
        cell(columns[c], 1, shared(headers[c]), " t=\"s\"");
    rows += "</row>";
    const QByteArray waiting = shared("买家已付款，等待卖家发货"), courier = shared("快递"), empty = shared("");
    const QByteArray item = shared("纯棉T恤 男款 白色XL 夏季新款 圆领短袖");
    for (int o = 0; o < orders; ++o) {
        const int r = o + 2;
        const QByteArray n = QByteArray::number(o);
        rows += "<row r=\"" + QByteArray::number(r) + "\">";
        cell("A", r, shared("19306798581" + n.rightJustified(6, '0')), " t=\"s\"");
        cell("B", r, shared("tb_买家" + n), " t=\"s\"");
        cell("C", r, shared("buyer" + n + "@example.com"), " t=\"s\"");
        cell("D", r, "59.90", "");
        cell("E", r, "59.90", "");
        cell("F", r, waiting, " t=\"s\"");
        cell("G", r, empty, " t=\"s\"");
        cell("H", r, shared("张三" + n), " t=\"s\"");
        cell("I", r, shared("浙江省 杭州市 西湖区 文三路" + n + "号 华星科技大厦八九十号楼"), " t=\"s\"");
        cell("J", r, courier, " t=\"s\"");
        cell("K", r, empty, " t=\"s\"");
        cell("L", r, QByteArray::number(13800000000LL + o), "");
        cell("M", r, "46341.6", "");
        cell("N", r, "46341.7", "");
        cell("O", r, item, " t=\"s\"");
        cell("P", r, "1", "");
        cell("Q", r, "2", "");
        cell("R", r, shared("备注" + n), " t=\"s\"");
        rows += "</row>";
    }
    const SheetTable table
        = XlsxWorkbookReader::fromBytes(zip(workbookParts(rows, strings))).readSheet(QStringLiteral("tarnvale"));
    QCOMPARE(table.rowCount(), orders + 1);
    QCOMPARE(table.columnCount(), 18);
    QCOMPARE(table.cell(orders, 8).text(), u"浙江省 杭州市 西湖区 文三路59999号 华星科技大厦八九十号楼"_qs);
    QCOMPARE(table.cell(orders, 11).number(), 13800059999.0);
}

void TestXlsxReader::damagedBytesNeverCrash()
{
    // Every single damaged byte of a small workbook ends in a refusal or in
    // a table, never in a crash, a hang or another kind of exception. The
    // container keeps checksums that libgsf does not check, so damage inside
    // a packed part may well read as other text: only some are refused.
    const QByteArray good = zip(workbookParts(
        "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\"><v>1.5</v></c></row>", "<si><t>订单号</t></si>"));
    // libgsf reports every damaged header on the console; hundreds of
    // those would bury the test's own output.
    const GLogFunc oldLog = g_log_set_default_handler([](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    const GPrintFunc oldPrint = g_set_printerr_handler([](const gchar*) {});
    int refused = 0;
    for (qsizetype i = 0; i < good.size(); ++i) {
        QByteArray bad = good;
        bad[i] = char(bad[i] ^ 0x55);
        try {
            XlsxWorkbookReader::fromBytes(bad).readSheet(QStringLiteral("tarnvale"));
        } catch (const OperationError&) {
            ++refused;
        }
    }
    g_set_printerr_handler(oldPrint);
    g_log_set_default_handler(oldLog, nullptr);
    QVERIFY(refused > 0);
}

QTEST_GUILESS_MAIN(TestXlsxReader)
#include "tst_xlsxreader.moc"
