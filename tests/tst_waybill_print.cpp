// Waybill printing checked on paper: every job is printed through the
// preview's "打印" into a PDF, and poppler (pdftotext -bbox, pdffonts) reads
// back where each text landed.
//
// What is compared: pdftotext gives each word's box from the glyph origin
// (xMin) and from the font's ascent/descent as the PDF declares them (yMin,
// yMax). From those and the PDF's /Ascent and /Descent the test recovers the
// font size and the baseline. A waybill text stands with the top of its em
// box (the Song face's character cell) on its element's top; for the Noto
// Serif CJK face the printer uses, that top is 0.88 em above the baseline.
// So: x = xMin, y = baseline − 0.88 × size, both compared within 0.5 mm with
// left margin + Left × 25.4/96 and band top + Top × 25.4/96.

#include "Fakes.h"
#include "TestDb.h"
#include "Typing.h"

#include "data/DataOps.h"
#include "data/Tdmfm.h"
#include "waybill/CourierCatalogue.h"
#include "waybill/CourierLayoutTable.h"
#include "waybill/ReportJob.h"
#include "waybill/SenderPanel.h"
#include "waybill/WaybillPreview.h"
#include "waybill/WaybillPrinting.h"
#include "waybill/WaybillTemplates.h"
#include "widgets/FontSubstitutions.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPageSize>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRawFont>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>
#include <memory>
#include <optional>

using namespace kx;

namespace {

constexpr double mmPerPx = 25.4 / 96.0;
constexpr double mmPerPt = 25.4 / 72.0;
constexpr double tolerance = 0.5;  // mm
constexpr double notoEmAscent = 0.88;

struct Word {
    int page;     // 0-based
    double x;     // glyph origin, mm from the paper's left edge
    double emTop; // top of the em box, mm from the paper's top edge
    double size;  // font size in points
    double right; // mm
    double bottom;// lowest point of the declared font box, mm
    QString text;
};

struct Printed {
    int pages = 0;
    QList<Word> words;
    QString fonts;  // pdffonts' listing
    QImage firstPage;  // page 1 as pdftoppm draws it, 100 dpi grey

    // Dark pixels inside a word's box on page 1: a text hidden under another
    // element's white background still reads back as text, but shows none.
    int ink(const Word& w) const
    {
        const double k = 100 / 25.4;
        const QRect r = QRectF(w.x * k, w.emTop * k, (w.right - w.x) * k, (w.bottom - w.emTop) * k).toRect();
        int dark = 0;
        for (int y = std::max(0, r.top()); y <= std::min(firstPage.height() - 1, r.bottom()); ++y)
            for (int x = std::max(0, r.left()); x <= std::min(firstPage.width() - 1, r.right()); ++x)
                dark += qGray(firstPage.pixel(x, y)) < 128;
        return dark;
    }

    QList<Word> find(const QString& text) const
    {
        QList<Word> found;
        for (const Word& w : words)
            if (w.text == text)
                found << w;
        return found;
    }
};

// Qt writes each glyph's text as the lowest code point the font maps to it,
// which for ideographs like 小, 一, 黄 is a Kangxi or CJK radical. Read back,
// such radicals are turned into the ideograph that shares their glyph.
QString unifiedIdeographs(const QString& text)
{
    static const QHash<QChar, QChar> radicals = [] {
        QHash<QChar, QChar> map;
        QFont font(QStringLiteral("宋体"));
        font.setBold(true);
        const QRawFont raw = QRawFont::fromFont(font);
        QString ideographs, lows;
        for (char16_t c = 0x4E00; c <= 0x9FFF; ++c)
            ideographs += QChar(c);
        for (char16_t c = 0x2E80; c <= 0x2FDF; ++c)
            lows += QChar(c);
        const QList<quint32> hi = raw.glyphIndexesForString(ideographs);
        const QList<quint32> lo = raw.glyphIndexesForString(lows);
        QHash<quint32, QChar> byGlyph;
        for (int i = hi.size() - 1; i >= 0; --i)
            if (hi[i])
                byGlyph[hi[i]] = ideographs[i];
        for (int i = 0; i < lo.size(); ++i)
            if (lo[i] && byGlyph.contains(lo[i]))
                map[lows[i]] = byGlyph[lo[i]];
        return map;
    }();
    QString out = text;
    for (QChar& c : out)
        c = radicals.value(c, c);
    return out;
}

QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

Printed readPdf(const QString& path)
{
    Printed out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return out;
    const QByteArray pdf = f.readAll();
    const auto ascent = QRegularExpression(QStringLiteral("/Ascent (-?\\d+)")).match(QString::fromLatin1(pdf));
    const auto descent = QRegularExpression(QStringLiteral("/Descent (-?\\d+)")).match(QString::fromLatin1(pdf));
    const double a = ascent.hasMatch() ? ascent.captured(1).toDouble() / 1000 : 0;
    const double d = descent.hasMatch() ? descent.captured(1).toDouble() / 1000 : 0;

    const QString html = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    static const QRegularExpression tag(QStringLiteral(
        "<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(0).startsWith(QLatin1String("<page"))) {
            ++out.pages;
            continue;
        }
        const double xMin = m.captured(1).toDouble(), yMin = m.captured(2).toDouble();
        const double xMax = m.captured(3).toDouble(), yMax = m.captured(4).toDouble();
        const double size = (yMax - yMin) / (a - d);
        const double baseline = yMin + a * size;
        out.words << Word{out.pages - 1,          xMin * mmPerPt, (baseline - notoEmAscent * size) * mmPerPt,
                          size,                   xMax * mmPerPt, yMax * mmPerPt,
                          unifiedIdeographs(m.captured(5))};
    }
    out.fonts = run(QStringLiteral("pdffonts"), {path});
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-gray"),
                                     QStringLiteral("-png"), QStringLiteral("-singlefile"), path, path});
    out.firstPage.load(path + QStringLiteral(".png"));
    return out;
}

struct Texts {
    QString senderName = QStringLiteral("王小明");
    QString senderMobile = QStringLiteral("13900001111");
    QString senderAddress = QStringLiteral("杭州市西湖区");
    QString name = QStringLiteral("李四");
    QString mobile = QStringLiteral("13811112222");
    QString address = QStringLiteral("上海市浦东新区");
};

}  // namespace

class TestWaybillPrint : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void textsStandOnTheLayout_data();
    void textsStandOnTheLayout();
    void stoAndTtkPrintTheSamePages();
    void pageFlow_data();
    void pageFlow();
    void unsavedSenderBoxesPrint();
    void singleStopsAtNullRecipient();
    void batchPrintsNullsEmptyAndGoesOn();
    void emptyListGivesOneSenderOnlyWaybill();
    void batchFollowsSearchAndSort();
    void previewKeepsItsJob();
    void longTextsStayInTheirBoxes();
    void lineBreaking_data();
    void lineBreaking();
    void printerSetupStaysWithItsTemplate();
    void previewWindow();
    void courierMenu();

private:
    WaybillPreview* track(WaybillPreview* preview);
    Printed printOut(WaybillPreview* preview);
    void addOrder(const QVariant& a, const QVariant& b, const QVariant& c);
    void setSender(const Texts& t);
    void showAll();

    std::unique_ptr<test::TestDb> m_db;
    std::unique_ptr<test::FakePlatform> m_fake;
    std::unique_ptr<Tdmfm> m_dm;
    std::unique_ptr<SenderPanel> m_sender;
    std::unique_ptr<WaybillPrinting> m_printing;
    QList<QPointer<WaybillPreview>> m_previews;
    int m_pdfs = 0;
};

void TestWaybillPrint::initTestCase()
{
    registerFontSubstitutions();
}

void TestWaybillPrint::init()
{
    m_db = std::make_unique<test::TestDb>();
    m_fake = std::make_unique<test::FakePlatform>();
    m_dm = std::make_unique<Tdmfm>();
    m_sender = std::make_unique<SenderPanel>(*m_dm, m_fake->platform);
    m_printing = std::make_unique<WaybillPrinting>(*m_dm, m_fake->platform, *m_sender, nullptr);
}

void TestWaybillPrint::cleanup()
{
    for (const QPointer<WaybillPreview>& p : m_previews)
        delete p.data();
    m_previews.clear();
    m_printing.reset();
    m_sender.reset();
    m_dm.reset();
    m_fake.reset();
    m_db.reset();
}

WaybillPreview* TestWaybillPrint::track(WaybillPreview* preview)
{
    m_previews << preview;
    return preview;
}

// Presses the preview's "打印" and reads the page back.
Printed TestWaybillPrint::printOut(WaybillPreview* preview)
{
    const QString path = m_db->dir() + QStringLiteral("/job%1.pdf").arg(++m_pdfs);
    m_fake->dialogs.printToPdf = path;
    preview->printButton->click();
    return readPdf(path);
}

void TestWaybillPrint::addOrder(const QVariant& a, const QVariant& b, const QVariant& c)
{
    m_db->addOrder({{"a", a}, {"b", b}, {"c", c}, {"d", "申通快递"}, {"g", "未打印"}});
}

void TestWaybillPrint::setSender(const Texts& t)
{
    m_sender->Edit51->setText(t.senderName);
    m_sender->Edit52->setText(t.senderMobile);
    m_sender->Edit53->setText(t.senderAddress);
}

void TestWaybillPrint::showAll()
{
    openQuery(m_dm->ADOQuery15, QStringLiteral("select * from data"));
}

void TestWaybillPrint::textsStandOnTheLayout_data()
{
    QTest::addColumn<int>("courier");
    QTest::addColumn<bool>("batch");
    for (int c = 0; c < CourierCatalogue::menuCount; ++c) {
        const QByteArray code = CourierCatalogue::code(c).toUtf8();
        QTest::newRow(code + " single") << c << false;
        QTest::newRow(code + " batch") << c << true;
    }
}

void TestWaybillPrint::textsStandOnTheLayout()
{
    QFETCH(int, courier);
    QFETCH(bool, batch);
    const Texts t;
    addOrder(t.name, t.mobile, t.address);
    showAll();
    setSender(t);

    // An earlier print of another layout leaves nothing behind (the ZJS name copy included).
    auto print = [&](int c) { return track(batch ? m_printing->printBatch(c) : m_printing->printSingle(c)); };
    print(CourierCatalogue::EMS);
    WaybillPreview* preview = print(courier);
    QVERIFY(preview);
    const Printed p = printOut(preview);
    QCOMPARE(p.pages, 1);
    QVERIFY2(p.fonts.contains("NotoSerifCJK") && p.fonts.contains("Bold"), qPrintable(p.fonts));

    struct Expect {
        WaybillRole role;
        QString text;
        double points;
    };
    const QList<Expect> expected = {
        {WaybillRole::SenderName, t.senderName, 14.25},      {WaybillRole::SenderMobile, t.senderMobile, 12},
        {WaybillRole::SenderAddress, t.senderAddress, 14.25}, {WaybillRole::SenderNameCopy, t.senderName, 14.25},
        {WaybillRole::RecipientName, t.name, 14.25},         {WaybillRole::RecipientMobile, t.mobile, 12},
        {WaybillRole::RecipientAddress, t.address, 14.25},
    };
    int placed = 0;
    for (const Expect& e : expected) {
        const std::optional<QPoint> at = CourierLayoutTable::position(courier, e.role);
        if (!at)
            continue;  // ZJS: the form has no place for the name copy
        ++placed;
        const double x = 10.0 + at->x() * mmPerPx;
        const double y = 10.0 + at->y() * mmPerPx;
        bool found = false;
        for (const Word& w : p.find(e.text))
            if (qAbs(w.x - x) <= tolerance && qAbs(w.emTop - y) <= tolerance) {
                found = true;
                QVERIFY2(qAbs(w.size - e.points) < 0.1, qPrintable(QString::number(w.size)));
                QVERIFY2(p.ink(w) > 20, qPrintable(e.text + QStringLiteral(" is covered")));
            }
        QVERIFY2(found, qPrintable(QStringLiteral("%1 not at %2, %3 mm").arg(e.text).arg(x).arg(y)));
    }
    // Nothing else is printed: the sender name twice, or once on ZJS.
    QCOMPARE(p.words.size(), placed);
    QCOMPARE(p.find(t.senderName).size(), courier == CourierCatalogue::ZJS ? 1 : 2);
}

void TestWaybillPrint::stoAndTtkPrintTheSamePages()
{
    addOrder(QStringLiteral("张三"), QStringLiteral("13700000001"), QStringLiteral("北京市朝阳区建国路88号"));
    addOrder(QStringLiteral("李四"), QStringLiteral("13700000002"), QStringLiteral("广州市天河区体育西路"));
    addOrder(QStringLiteral("王五"), QStringLiteral("13700000003"), QStringLiteral("成都市武侯区"));
    showAll();
    setSender(Texts());
    auto words = [](const Printed& p) {
        QStringList list;
        for (const Word& w : p.words)
            list << QStringLiteral("%1 %2 %3 %4").arg(w.page).arg(w.x, 0, 'f', 3).arg(w.emTop, 0, 'f', 3).arg(w.text);
        return list;
    };
    for (bool batch : {false, true}) {
        auto print = [&](int c) {
            return printOut(track(batch ? m_printing->printBatch(c) : m_printing->printSingle(c)));
        };
        const Printed sto = print(CourierCatalogue::STO);
        const Printed ttk = print(CourierCatalogue::TTK);
        QVERIFY(!sto.words.isEmpty());
        QCOMPARE(ttk.pages, sto.pages);
        QCOMPARE(words(ttk), words(sto));
    }
}

void TestWaybillPrint::pageFlow_data()
{
    QTest::addColumn<QSizeF>("paper");
    QTest::addColumn<QList<int>>("pages");
    QTest::addColumn<QList<double>>("bandTops");
    QTest::newRow("A4: two to a page") << QSizeF(210, 297) << QList<int>{0, 0, 1}
                                       << QList<double>{10.0, 173.91, 10.0};
    QTest::newRow("just long enough") << QSizeF(210, 248.2) << QList<int>{0, 0, 1}
                                      << QList<double>{10.0, 125.1, 10.0};
    QTest::newRow("shorter than 248.19 mm") << QSizeF(210, 240) << QList<int>{0, 1, 2}
                                            << QList<double>{10.0, 10.0, 10.0};
    QTest::newRow("too short for a band") << QSizeF(210, 120) << QList<int>{0, 1, 2}
                                          << QList<double>{10.0, 10.0, 10.0};
}

void TestWaybillPrint::pageFlow()
{
    QFETCH(QSizeF, paper);
    QFETCH(QList<int>, pages);
    QFETCH(QList<double>, bandTops);
    const QStringList names = {QStringLiteral("甲一"), QStringLiteral("乙二"), QStringLiteral("丙三")};
    for (const QString& n : names)
        addOrder(n, QStringLiteral("13700000000"), QStringLiteral("南京市鼓楼区"));
    showAll();
    setSender(Texts());
    m_fake->dialogs.printerSetupChoice = [paper](QPrinter* printer) {
        printer->setPageSize(QPageSize(paper, QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
    };
    WaybillPreview* preview = track(m_printing->printBatch(CourierCatalogue::STO));
    preview->setupButton->click();
    QCOMPARE(preview->view()->pageCount(), pages.last() + 1);

    const Printed p = printOut(preview);
    QCOMPARE(p.pages, pages.last() + 1);
    const double nameTop = 75 * mmPerPx;  // STO recipient name
    for (int i = 0; i < names.size(); ++i) {
        const QList<Word> w = p.find(names[i]);
        QCOMPARE(w.size(), 1);
        QCOMPARE(w[0].page, pages[i]);
        QVERIFY2(qAbs(w[0].emTop - nameTop - bandTops[i]) <= tolerance,
                 qPrintable(QStringLiteral("band %1 at %2").arg(i).arg(w[0].emTop - nameTop)));
    }
}

void TestWaybillPrint::unsavedSenderBoxesPrint()
{
    addOrder(QStringLiteral("李四"), QStringLiteral("13811112222"), QStringLiteral("上海市"));
    showAll();
    m_db->exec("insert into post (a, b, c, d) values ('存储名', '13000000000', '存储地址', '申通快递')");
    m_sender->load();
    m_sender->Edit51->clear();
    test::typeText(m_sender->Edit51, QStringLiteral(" 赵六 "));
    m_sender->Edit53->clear();
    test::typeText(m_sender->Edit53, QStringLiteral("苏州市"));

    for (bool batch : {false, true}) {
        const Printed p = printOut(track(batch ? m_printing->printBatch(CourierCatalogue::YTO)
                                               : m_printing->printSingle(CourierCatalogue::YTO)));
        QCOMPARE(p.find(QStringLiteral("赵六")).size(), 2);  // name and its copy
        QCOMPARE(p.find(QStringLiteral("苏州市")).size(), 1);
        QCOMPARE(p.find(QStringLiteral("存储名")).size(), 0);
        // The untrimmed box prints: the leading blank moves the name by a space's width.
        const double left = 10.0 + 103 * mmPerPx;
        QVERIFY(p.find(QStringLiteral("赵六"))[0].x > left + 0.5);
    }
    QCOMPARE(m_db->cli("select a from post"), QStringList{"存储名"});
}

void TestWaybillPrint::singleStopsAtNullRecipient()
{
    addOrder(QStringLiteral("钱六"), QStringLiteral("13300000006"), QStringLiteral("福州市"));
    addOrder(QStringLiteral("孙七"), QVariant(), QStringLiteral("厦门市"));
    showAll();
    setSender(Texts());
    // An earlier print leaves its texts and positions on the template.
    delete m_printing->printSingle(CourierCatalogue::SF);
    m_dm->ADOQuery15.setCurrentRow(1);

    QVERIFY(!m_fake->platform.guard(nullptr, [&] { track(m_printing->printSingle(CourierCatalogue::STO)); }));
    QCOMPARE(m_fake->dialogs.lastText(), QStringLiteral("Could not convert variant of type (Null) into type (String)."));
    QCOMPARE(m_fake->dialogs.shown.last().caption, QStringLiteral("Kestrix快递单打印软件"));
    QVERIFY(m_previews.isEmpty());
    const QWidgetList windows = QApplication::topLevelWidgets();
    QVERIFY(std::none_of(windows.begin(), windows.end(), [](QWidget* w) { return qobject_cast<WaybillPreview*>(w); }));
    // The name was set before the failing mobile; nothing was moved to STO.
    const ReportTemplate& t = m_printing->TForm8();
    QCOMPARE(t.element("QRLabel3")->text, QStringLiteral("孙七"));
    QCOMPARE(t.element("QRLabel4")->text, QStringLiteral("13300000006"));
    QCOMPARE(t.element("QRLabel3")->left, 70);  // still SF
}

void TestWaybillPrint::batchPrintsNullsEmptyAndGoesOn()
{
    addOrder(QStringLiteral("周一"), QStringLiteral("13500000001"), QStringLiteral("武汉市"));
    addOrder(QStringLiteral("吴二"), QVariant(), QStringLiteral("长沙市"));
    addOrder(QStringLiteral("郑三"), QStringLiteral("13500000003"), QVariant());
    showAll();
    setSender(Texts());
    const QStringList before = m_db->cli("select * from data");

    const Printed p = printOut(track(m_printing->printBatch(CourierCatalogue::ZTO)));
    QCOMPARE(p.pages, 2);
    for (const char* text : {"周一", "13500000001", "武汉市", "吴二", "长沙市", "郑三", "13500000003"})
        QCOMPARE(p.find(QString::fromUtf8(text)).size(), 1);
    QCOMPARE(p.find(Texts().senderName).size(), 6);
    // The query stands on its last row; printing wrote nothing.
    QCOMPARE(m_dm->ADOQuery15.currentRow(), 2);
    QCOMPARE(m_db->cli("select * from data"), before);
    QVERIFY(before.join('\n').contains("未打印"));
}

void TestWaybillPrint::emptyListGivesOneSenderOnlyWaybill()
{
    showAll();
    const Texts t;
    setSender(t);
    QVERIFY(!m_fake->platform.guard(nullptr, [&] { track(m_printing->printSingle(CourierCatalogue::EMS)); }));
    QCOMPARE(m_fake->dialogs.lastText(), QStringLiteral("Could not convert variant of type (Null) into type (String)."));
    QVERIFY(m_previews.isEmpty());

    const Printed p = printOut(track(m_printing->printBatch(CourierCatalogue::EMS)));
    QCOMPARE(p.pages, 1);
    QStringList texts;
    for (const Word& w : p.words)
        texts << w.text;
    texts.sort();
    QStringList expected = {t.senderName, t.senderName, t.senderMobile, t.senderAddress};
    expected.sort();
    QCOMPARE(texts, expected);
}

void TestWaybillPrint::batchFollowsSearchAndSort()
{
    addOrder(QStringLiteral("陈甲"), QStringLiteral("13600000001"), QStringLiteral("天津市"));
    addOrder(QStringLiteral("林乙"), QStringLiteral("13600000002"), QStringLiteral("重庆市"));
    addOrder(QStringLiteral("陈丙"), QStringLiteral("13600000003"), QStringLiteral("西安市"));
    addOrder(QStringLiteral("黄丁"), QStringLiteral("13600000004"), QStringLiteral("郑州市"));
    setSender(Texts());
    auto order = [](const Printed& p) {
        QList<Word> names;
        for (const Word& w : p.words)
            if (w.text.size() == 2 && w.text != QStringLiteral("李四"))
                names << w;
        std::sort(names.begin(), names.end(),
                  [](const Word& a, const Word& b) { return a.page != b.page ? a.page < b.page : a.emTop < b.emTop; });
        QStringList list;
        for (const Word& w : names)
            list << w.text;
        return list;
    };

    openQuery(m_dm->ADOQuery15, QStringLiteral("select * from data where a like '%' || ? || '%'"),
              {QStringLiteral("陈")});
    QCOMPARE(order(printOut(track(m_printing->printBatch(CourierCatalogue::STO)))),
             (QStringList{"陈甲", "陈丙"}));

    showAll();
    m_dm->ADOQuery15.sortBy(m_dm->ADOQuery15.fieldIndex("b"), Qt::DescendingOrder);
    QCOMPARE(order(printOut(track(m_printing->printBatch(CourierCatalogue::STO)))),
             (QStringList{"黄丁", "陈丙", "林乙", "陈甲"}));
    QCOMPARE(m_dm->ADOQuery15.currentRow(), 3);
}

void TestWaybillPrint::previewKeepsItsJob()
{
    addOrder(QStringLiteral("甲"), QStringLiteral("13100000001"), QStringLiteral("一号路"));
    addOrder(QStringLiteral("乙"), QStringLiteral("13100000002"), QStringLiteral("二号路"));
    showAll();
    setSender(Texts());
    WaybillPreview* batch = track(m_printing->printBatch(CourierCatalogue::STO));
    WaybillPreview* single = track(m_printing->printSingle(CourierCatalogue::STO));
    const Printed batchBefore = printOut(batch);
    const Printed singleBefore = printOut(single);

    // Everything a later action can touch while the previews stay open.
    m_sender->Edit51->setText(QStringLiteral("另一人"));
    m_dm->ADOQuery15.sortBy(m_dm->ADOQuery15.fieldIndex("a"), Qt::DescendingOrder);
    track(m_printing->printBatch(CourierCatalogue::SF));
    track(m_printing->printSingle(CourierCatalogue::SF));
    openQuery(m_dm->ADOQuery15, QStringLiteral("select * from data where a = ?"), {QStringLiteral("乙")});

    auto same = [](const Printed& a, const Printed& b) {
        if (a.pages != b.pages || a.words.size() != b.words.size())
            return false;
        for (int i = 0; i < a.words.size(); ++i)
            if (a.words[i].text != b.words[i].text || a.words[i].page != b.words[i].page ||
                qAbs(a.words[i].x - b.words[i].x) > 0.01 || qAbs(a.words[i].emTop - b.words[i].emTop) > 0.01)
                return false;
        return true;
    };
    QVERIFY(same(printOut(batch), batchBefore));
    QVERIFY(same(printOut(single), singleBefore));
    QCOMPARE(batchBefore.find(QStringLiteral("王小明")).size(), 4);
    QVERIFY(batchBefore.find(QStringLiteral("甲"))[0].emTop < batchBefore.find(QStringLiteral("乙"))[0].emTop);
}

void TestWaybillPrint::longTextsStayInTheirBoxes()
{
    const QString address = QStringLiteral("广东省深圳市南山区科技园高新南一道飞亚达科技大厦十八楼一八零八室前台代收转交"
                                           "请于工作日上午九点至下午五点之间派送谢谢合作");
    const QString name = QStringLiteral("欧阳明月先生");
    addOrder(name, QStringLiteral("13912345678"), address);
    showAll();
    m_sender->Edit51->setText(name);
    m_sender->Edit52->setText(QStringLiteral("13900001111"));
    m_sender->Edit53->setText(address);

    for (bool batch : {false, true}) {
        WaybillPreview* preview = track(batch ? m_printing->printBatch(CourierCatalogue::STO)
                                              : m_printing->printSingle(CourierCatalogue::STO));
        const ReportTemplate& t = preview->job().report();
        const Printed p = printOut(preview);
        // Name boxes hold one line of 19 px, the 73 px address box three, the 77 px ones four.
        struct Box {
            WaybillRole role;
            QString text;
            int lines;
        };
        for (const Box& b : {Box{WaybillRole::SenderName, name, 1}, Box{WaybillRole::SenderAddress, address, batch ? 4 : 3},
                             Box{WaybillRole::RecipientAddress, address, 4}}) {
            const ReportElement* e = t.element(WaybillTemplates::elementFor(t, b.role));
            const QRectF box(10.0 + e->left * mmPerPx, 10.0 + e->top * mmPerPx, e->widthMm, e->heightMm);
            QList<Word> inside;
            for (const Word& w : p.words)
                if (qAbs(w.x - box.left()) <= tolerance && w.emTop >= box.top() - tolerance && w.emTop < box.bottom())
                    inside << w;
            std::sort(inside.begin(), inside.end(), [](const Word& x, const Word& y) { return x.emTop < y.emTop; });
            QCOMPARE(inside.size(), b.lines);
            QString shown;
            for (const Word& w : inside) {
                shown += w.text;
                QVERIFY2(w.right <= box.right() + 0.05, qPrintable(w.text));
                QVERIFY2(w.emTop + w.size * mmPerPt <= box.bottom() + 0.05, qPrintable(w.text));
            }
            // The lines are the text's beginning, broken between characters; the rest is cut.
            QVERIFY2(b.text.startsWith(shown) && shown.size() < b.text.size(), qPrintable(shown));
            QVERIFY(shown.size() >= b.lines * 3);
        }
    }
}

void TestWaybillPrint::lineBreaking_data()
{
    // Boxes in layout pixels; the face is 19 px, a Chinese character 19 px wide.
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("clipped");  // glyphs that could reach past the box are clipped to it
    QTest::newRow("cut at the box's height") << "一二三四五六七八九十" << 62 << 24 << QStringList{"一二三"} << false;
    QTest::newRow("between any characters") << "一二三四五六七八九十" << 62 << 77
                                            << QStringList{"一二三", "四五六", "七八九", "十"} << false;
    QTest::newRow("numbers stay whole") << "地址1234号" << 66 << 77 << QStringList{"地址", "1234号"} << false;
    QTest::newRow("no comma at a line's start") << "一二，三四" << 40 << 77 << QStringList{"一", "二，", "三四"} << false;
    // Noto Serif CJK's digits are a little over half an em.
    QTest::newRow("a long number is broken") << "1234567890" << 40 << 77
                                             << QStringList{"123", "456", "789", "0"} << false;
    QTest::newRow("line breaks in the text") << "一\n二\r\n三" << 200 << 77 << QStringList{"一", "二", "三"} << false;
    QTest::newRow("leading blank kept") << " 一二" << 62 << 24 << QStringList{" 一二"} << false;
    QTest::newRow("box lower than a line") << "一二" << 62 << 10 << QStringList{"一二"} << true;
    QTest::newRow("descenders on the last line") << "gjpqy" << 200 << 19 << QStringList{"gjpqy"} << true;
}

void TestWaybillPrint::lineBreaking()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QStringList, lines);
    QFETCH(bool, clipped);
    ReportTemplate t(QStringLiteral("T"), 435, 820);
    ReportElement e;
    e.name = QStringLiteral("Box");
    e.text = text;
    e.widthMm = width * mmPerPx;
    e.heightMm = height * mmPerPx;
    t.addElement(e);
    ReportJob job(t, {});
    job.layOut();
    QStringList shown;
    double previous = -1;
    for (const PaintItem& item : job.band(0)) {
        if (item.kind != PaintItem::Kind::Text)
            continue;
        shown << item.text;
        QVERIFY(item.baseline.y() > previous);  // one em apart, top to bottom
        QCOMPARE(item.box, QRectF(0, 0, e.widthMm, e.heightMm));
        QCOMPARE(item.clip, clipped);
        previous = item.baseline.y();
    }
    QCOMPARE(shown, lines);
}

void TestWaybillPrint::printerSetupStaysWithItsTemplate()
{
    addOrder(QStringLiteral("甲"), QStringLiteral("13100000001"), QStringLiteral("一号路"));
    addOrder(QStringLiteral("乙"), QStringLiteral("13100000002"), QStringLiteral("二号路"));
    showAll();
    m_fake->dialogs.printerSetupChoice = [](QPrinter* printer) { printer->setPageSize(QPageSize(QPageSize::A5)); };
    WaybillPreview* first = track(m_printing->printBatch(CourierCatalogue::STO));
    QCOMPARE(first->view()->pageCount(), 1);
    first->setupButton->click();
    QCOMPARE(m_fake->dialogs.printerSetups, 1);
    QCOMPARE(first->view()->pageCount(), 2);  // A5 holds one waybill a page

    // The page range chosen there limits what "打印" prints, not what the preview shows.
    first->printer()->setPrintRange(QPrinter::PageRange);
    first->printer()->setFromTo(2, 2);
    first->view()->updatePreview();
    QCOMPARE(first->view()->pageCount(), 2);
    const Printed second = printOut(first);
    QCOMPARE(second.pages, 1);
    QCOMPARE(second.find(QStringLiteral("乙")).size(), 1);
    QCOMPARE(second.find(QStringLiteral("甲")).size(), 0);
    first->printer()->setPrintRange(QPrinter::AllPages);

    // The next batch preview prints on A5 too; the single template keeps A4.
    QCOMPARE(printOut(track(m_printing->printBatch(CourierCatalogue::EMS))).pages, 2);
    QCOMPARE(m_printing->batchPrinter()->pageLayout().pageSize().id(), QPageSize::A5);
    QVERIFY(m_printing->singlePrinter()->pageLayout().pageSize().id() != QPageSize::A5);
}

void TestWaybillPrint::previewWindow()
{
    for (const char* n : {"一", "二", "三", "四", "五"})
        addOrder(QString::fromUtf8(n), QStringLiteral("13100000001"), QStringLiteral("路"));
    showAll();
    QWidget owner;
    WaybillPrinting printing(*m_dm, m_fake->platform, *m_sender, &owner);
    QPointer<WaybillPreview> preview = printing.printBatch(CourierCatalogue::STO);
    QVERIFY(preview);
    QCOMPARE(preview->windowTitle(), QStringLiteral("Report Preview : "));
    QVERIFY(preview->isVisible());
    QVERIFY(!preview->isModal());
    QCOMPARE(preview->windowModality(), Qt::NonModal);
    const QSize screen = preview->screen()->availableGeometry().size();
    QCOMPARE(preview->size(), QSize(1600, 1200).boundedTo(screen));

    const QList<QPushButton*> buttons = {preview->fitPageButton, preview->fitWidthButton,
                                         preview->actualSizeButton, preview->previousButton,
                                         preview->nextButton, preview->setupButton,
                                         preview->printButton, preview->closeButton};
    const QStringList captions = {"正常", "满窗口显示", "100%显示", "上一页", "下一页", "打印设置", "打印", "退出"};
    for (int i = 0; i < buttons.size(); ++i) {
        QCOMPARE(buttons[i]->text(), captions[i]);
        const int row = i < 5 ? 0 : 1;
        QCOMPARE(buttons[i]->y(), buttons[row == 0 ? 0 : 5]->y());
        if (i != 0 && i != 5)
            QVERIFY(buttons[i]->x() > buttons[i - 1]->x());
    }
    QVERIFY(preview->setupButton->y() > preview->fitPageButton->y());

    // Opens at 100 %; one zoom button down at a time.
    QVERIFY(preview->actualSizeButton->isChecked());
    QCOMPARE(preview->view()->zoomFactor(), 1.0);
    preview->fitWidthButton->click();
    QCOMPARE(preview->view()->zoomMode(), QPrintPreviewWidget::FitToWidth);
    QVERIFY(!preview->actualSizeButton->isChecked());
    preview->fitPageButton->click();
    QCOMPARE(preview->view()->zoomMode(), QPrintPreviewWidget::FitInView);
    QVERIFY(preview->fitPageButton->isChecked() && !preview->fitWidthButton->isChecked());
    preview->actualSizeButton->click();
    QCOMPARE(preview->view()->zoomFactor(), 1.0);

    // Five waybills: three pages; the page buttons step one page at a time.
    QCOMPARE(preview->view()->pageCount(), 3);
    QCOMPARE(preview->view()->currentPage(), 1);
    preview->nextButton->click();
    QCOMPARE(preview->view()->currentPage(), 2);
    preview->nextButton->click();
    preview->nextButton->click();
    QCOMPARE(preview->view()->currentPage(), 3);
    preview->previousButton->click();
    QCOMPARE(preview->view()->currentPage(), 2);

    // "打印" prints and keeps the window; the main window stays usable meanwhile.
    preview->printButton->click();
    QCOMPARE(m_fake->dialogs.prints, 1);
    QVERIFY(preview->isVisible());
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(preview->parentWidget(), &owner);
    QVERIFY(preview->isWindow());

    preview->closeButton->click();
    QVERIFY(!preview->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(preview.isNull());
}

void TestWaybillPrint::courierMenu()
{
    QMenu menu;
    QList<int> chosen;
    WaybillPrinting::fillCourierMenu(&menu, [&](int c) { chosen << c; });
    const QList<QAction*> actions = menu.actions();
    QStringList captions;
    for (QAction* a : actions) {
        captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
        if (!a->isSeparator()) {
            QVERIFY(a->isEnabled());
            a->trigger();
        }
    }
    QCOMPARE(captions, (QStringList{"申通快递打印 (STO)", "圆通速递打印 (YTO)", "中通速递打印 (ZTO)", "-",
                                    "顺丰速运打印 (SF)", "韵达快运打印 (YUNDA)", "天天快递打印 (TTK)",
                                    "宅急送打印 (ZJS)", "汇通快运打印", "-", "邮政特快专递 (EMS)"}));
    QCOMPARE(chosen, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    QCOMPARE(CourierCatalogue::courierList(),
             (QStringList{"EMS邮政快递", "申通快递", "圆通速递", "顺丰速运", "韵达快运", "汇通快运", "中通速递",
                          "天天快递"}));
    for (int c = 0; c < CourierCatalogue::menuCount; ++c)
        QVERIFY(CourierCatalogue::listName(c).isEmpty() == (c == CourierCatalogue::ZJS) &&
                (c == CourierCatalogue::ZJS || CourierCatalogue::courierList().contains(CourierCatalogue::listName(c))));
}

QTEST_MAIN(TestWaybillPrint)
#include "tst_waybill_print.moc"
