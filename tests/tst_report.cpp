// The report engine on its own: line breaking, laying a job out in chunks
// or on demand, and painting bands onto a page by the template's margins.

#include "report/ListFlow.h"
#include "report/PageFlow.h"
#include "report/ReportJob.h"
#include "report/ReportLayouter.h"
#include "report/ReportRenderer.h"
#include "report/ScreenFit.h"
#include "widgets/FontSubstitutions.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

using namespace kx;

class TestReport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { registerFontSubstitutions(); }

    void lineBreaking_data();
    void lineBreaking();
    void alignedLines_data();
    void alignedLines();
    void chunksAndDemandLayOutAsOneGo();
    void listFlow_data();
    void listFlow();
    void pageByTheTemplatesMargins();
    void windowFitsOnScreen_data();
    void windowFitsOnScreen();
};

namespace {

ReportElement box(const char* name, int left, int top, int width, int height, const char* field = "")
{
    ReportElement e;
    e.name = QString::fromLatin1(name);
    e.field = QString::fromLatin1(field);
    e.left = left;
    e.top = top;
    e.widthMm = width * mmPerLayoutPixel;
    e.heightMm = height * mmPerLayoutPixel;
    return e;
}

// Dark pixels of an image inside a rectangle given in millimetres.
int ink(const QImage& image, const QRectF& mm)
{
    const double k = image.logicalDpiX() / 25.4;
    const QRect r = QRectF(mm.left() * k, mm.top() * k, mm.width() * k, mm.height() * k).toRect();
    int dark = 0;
    for (int y = std::max(0, r.top()); y <= std::min(image.height() - 1, r.bottom()); ++y)
        for (int x = std::max(0, r.left()); x <= std::min(image.width() - 1, r.right()); ++x)
            dark += qGray(image.pixel(x, y)) < 128;
    return dark;
}

}  // namespace

void TestReport::lineBreaking_data()
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

void TestReport::lineBreaking()
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
    e.widthMm = width * mmPerLayoutPixel;
    e.heightMm = height * mmPerLayoutPixel;
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

void TestReport::alignedLines_data()
{
    // A 19 px face in a box 100 px wide; a Chinese character is 19 px wide.
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<QList<double>>("lefts");  // each line's pen, in layout pixels
    QTest::newRow("left") << "一二" << int(Qt::AlignLeft) << QList<double>{0};
    QTest::newRow("right") << "一二" << int(Qt::AlignRight) << QList<double>{62};
    QTest::newRow("centred") << "一二" << int(Qt::AlignHCenter) << QList<double>{31};
    // Blanks typed after a right-aligned text hold it off the edge …
    ReportElement face = box("Line", 0, 0, 100, 0);
    const double blank = ReportLayouter().textWidth(face, QStringLiteral(" "));
    QTest::newRow("closing blanks count") << "一二" + QString(2, u' ') << int(Qt::AlignRight)
                                          << QList<double>{62 - 2 * blank};
    // … but never push it past the box's left edge, nor onto a new line.
    QTest::newRow("too many blanks") << "一二" + QString(70, u' ') << int(Qt::AlignRight) << QList<double>{0};
    // A line broken where it did not fit does not count the blank it broke at.
    QTest::newRow("wrapped") << "一二三四五 六" << int(Qt::AlignRight) << QList<double>{100 - 95, 100 - 19};
}

void TestReport::alignedLines()
{
    QFETCH(QString, text);
    QFETCH(int, alignment);
    QFETCH(QList<double>, lefts);
    ReportElement e = box("Line", 0, 0, 100, 0);
    e.fontPixels = 19;
    e.sizing = ReportElement::Sizing::Grow;
    e.alignment = Qt::Alignment(alignment);
    ReportLayouter layouter;
    std::vector<PaintItem> items;
    QCOMPARE(layouter.layOut(e, text, items), int(lefts.size()));
    QCOMPARE(items.size(), size_t(lefts.size()));
    for (int i = 0; i < lefts.size(); ++i) {
        const double left = items[size_t(i)].baseline.x() / mmPerLayoutPixel;
        QVERIFY2(std::abs(left - lefts[i]) < 1.5, qPrintable(QStringLiteral("line %1 at %2").arg(i).arg(left)));
    }
    // A growing box is as high as its lines.
    QCOMPARE(items.back().box.height(), lefts.size() * layouter.lineHeight(e) * mmPerLayoutPixel);
}

void TestReport::chunksAndDemandLayOutAsOneGo()
{
    ReportTemplate t(QStringLiteral("T"), 200, 700);
    ReportElement caption = box("Caption", 10, 10, 120, 24);
    caption.text = QStringLiteral("寄件人");
    t.addElement(caption);
    ReportElement name = box("Name", 200, 10, 12, 20, "a");
    name.sizing = ReportElement::Sizing::FitToText;
    name.fontPixels = 16;
    name.opaque = true;
    t.addElement(name);
    t.addElement(box("Address", 10, 60, 100, 77, "c"));
    std::vector<QStringList> rows;
    for (int r = 0; r < 9; ++r)
        rows.push_back({QStringLiteral("收件人%1").arg(r), QStringLiteral("杭州市西湖区文三路%1号东部软件园").arg(r * 37)});

    ReportJob whole(t, rows);
    whole.layOut();
    ReportJob parts(t, rows);
    parts.band(6);  // a page looked at before its turn
    QVERIFY(parts.isBandLaidOut(6) && !parts.isBandLaidOut(0));
    QVERIFY(!parts.layOutMore(2));
    QCOMPARE(parts.laidOutCount(), 3);
    int calls = 0;
    QVERIFY(!parts.layOutMore(100, [&] { return ++calls == 2; }));
    QCOMPARE(parts.laidOutCount(), 5);
    QVERIFY(parts.layOutMore(100));
    QVERIFY(parts.isLaidOut());

    QCOMPARE(parts.fonts().size(), whole.fonts().size());
    for (size_t f = 0; f < whole.fonts().size(); ++f)
        QVERIFY(parts.fonts()[f].sameFace(whole.fonts()[f].family, whole.fonts()[f].pixels, whole.fonts()[f].bold));
    for (int b = 0; b < whole.bandCount(); ++b) {
        const std::vector<PaintItem>& x = whole.band(b);
        const std::vector<PaintItem>& y = parts.band(b);
        QCOMPARE(y.size(), x.size());
        for (size_t i = 0; i < x.size(); ++i) {
            QCOMPARE(y[i].kind, x[i].kind);
            QCOMPARE(y[i].font, x[i].font);
            QCOMPARE(y[i].text, x[i].text);
            QCOMPARE(y[i].box, x[i].box);
            QCOMPARE(y[i].baseline, x[i].baseline);
            QCOMPARE(y[i].clip, x[i].clip);
        }
    }
}

void TestReport::pageByTheTemplatesMargins()
{
    // A report other than the waybills: its own margins, a band of 40 px
    // with a bound text taller than the band, covered by the next band's
    // white box.
    ReportTemplate t(QStringLiteral("List"), 40, 600);
    t.setMarginsMm(25, 40, 30, 10);
    t.addElement(box("Tall", 0, 0, 40, 200, "t"));
    ReportElement cover = box("Cover", 0, 0, 100, 40);
    cover.opaque = true;
    t.addElement(cover);
    const double band = 40 * mmPerLayoutPixel;
    ReportJob job(t, {{QStringLiteral("一\n一\n一\n一")}, {QString()}, {QString()}});

    const std::vector<BandPlacement> flow = ReportRenderer::placements(job, 297);
    QCOMPARE(flow, (std::vector<BandPlacement>{{0, 25}, {0, 297 - 40 - band}, {1, 25}}));

    // Bands laid on top of each other: the second band's white box hides
    // what the first band's text draws below it, and nothing else.
    QImage page(QSize(800, 800), QImage::Format_RGB32);  // 68 mm square at 300 dpi
    page.setDotsPerMeterX(11811);
    page.setDotsPerMeterY(11811);
    page.fill(Qt::white);
    QPainter painter(&page);
    const double k = page.logicalDpiX() / 25.4;
    ReportRenderer::paintPage(job, painter, {{0, 25}, {0, 25 + band}}, 0, k, k);
    painter.end();
    const double em = 19 * mmPerLayoutPixel;
    const int shown = ink(page, QRectF(30, 25, 10, 2 * em));
    QVERIFY2(shown > 50, qPrintable(QString::number(shown)));
    QCOMPARE(ink(page, QRectF(29, 25 + band + 0.2, 12, 4 * em - band - 0.4)), 0);
    // Nothing left of the left margin.
    QCOMPARE(ink(page, QRectF(0, 0, 29.5, 100)), 0);
}

void TestReport::listFlow_data()
{
    // A4, margins 20 mm, a page header of 10 mm: bands go from 30 mm to 277 mm.
    QTest::addColumn<QList<double>>("heights");
    QTest::addColumn<int>("titles");  // the band after which the titles repeat (they are band `titles`); -1: none
    QTest::addColumn<QList<BandPlacement>>("placed");
    QTest::newRow("down the page, then a new one")
        << QList<double>{100, 100, 47, 1} << -1
        << QList<BandPlacement>{{0, 30}, {0, 130}, {0, 230}, {1, 30}};
    QTest::newRow("titles at the top of the next page")
        << QList<double>{200, 10, 30, 30} << 1
        << QList<BandPlacement>{{0, 30}, {0, 230}, {0, 240}, {1, 40}};
    QTest::newRow("a band taller than a page stands alone")
        << QList<double>{10, 300, 10} << -1 << QList<BandPlacement>{{0, 30}, {1, 30}, {2, 30}};
}

void TestReport::listFlow()
{
    QFETCH(QList<double>, heights);
    QFETCH(int, titles);
    QFETCH(QList<BandPlacement>, placed);
    ListFlow flow(297, 20, 20, 10);
    QList<BandPlacement> got;
    for (int b = 0; b < heights.size(); ++b) {
        got << flow.next(heights[b]);
        if (b == titles)
            flow.setRepeated(heights[b]);
    }
    QCOMPARE(got, placed);
    QCOMPARE(flow.pageCount(), placed.last().page + 1);
    for (int p = 1; p < flow.pageCount(); ++p)
        QCOMPARE(flow.repeatsOn(p), titles >= 0);
    QVERIFY(!flow.repeatsOn(0));

    // Titles kept with what follows them go to the next page together.
    ListFlow kept(297, 20, 20, 10);
    kept.next(240);
    QCOMPARE(kept.next(5, 5), (BandPlacement{1, 30}));
}

void TestReport::windowFitsOnScreen_data()
{
    QTest::addColumn<QSize>("wanted");
    QTest::addColumn<QMargins>("frame");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("contents");
    QTest::newRow("room to spare: centred") << QSize(800, 600) << QMargins(1, 20, 1, 1) << QRect(0, 0, 1400, 1000)
                                            << QRect(300, 209, 800, 600);
    QTest::newRow("larger than the screen: the frame fits too")
        << QSize(1600, 1200) << QMargins(1, 20, 1, 1) << QRect(0, 0, 1400, 1000) << QRect(1, 20, 1398, 979);
    QTest::newRow("a panel on top, a second screen")
        << QSize(1600, 1200) << QMargins(4, 24, 4, 4) << QRect(1400, 30, 1280, 994) << QRect(1404, 54, 1272, 966);
    QTest::newRow("wide enough, too low") << QSize(1600, 1200) << QMargins(2, 30, 2, 2) << QRect(0, 0, 1920, 1050)
                                          << QRect(160, 30, 1600, 1018);
    QTest::newRow("frame not known yet") << QSize(1600, 1200) << QMargins() << QRect(0, 0, 1400, 1000)
                                         << QRect(0, 0, 1400, 1000);
}

void TestReport::windowFitsOnScreen()
{
    QFETCH(QSize, wanted);
    QFETCH(QMargins, frame);
    QFETCH(QRect, available);
    QFETCH(QRect, contents);
    const QRect fitted = fitOnScreen(wanted, frame, available);
    QCOMPARE(fitted, contents);
    QVERIFY(available.contains(fitted.marginsAdded(frame)));
}

QTEST_MAIN(TestReport)
#include "tst_report.moc"
