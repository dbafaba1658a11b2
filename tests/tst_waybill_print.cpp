// Where the waybill texts land on paper: every courier's layout, single and
// batch, the page flow, and texts too long for their boxes.

#include "WaybillPrintFixture.h"

#include "core/CourierCatalogue.h"
#include "waybill/CourierLayoutTable.h"
#include "waybill/WaybillTemplates.h"
#include "widgets/FontSubstitutions.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QtTest>
#include <optional>

using namespace kx;
using namespace kx::test;

class TestWaybillPrint : public QObject, protected WaybillPrintFixture {
    Q_OBJECT
private slots:
    void initTestCase() { registerFontSubstitutions(); }
    void init() { setUpFixture(); }
    void cleanup() { tearDownFixture(); }

    void textsStandOnTheLayout_data();
    void textsStandOnTheLayout();
    void stoAndTtkPrintTheSamePages();
    void pageFlow_data();
    void pageFlow();
    void longTextsStayInTheirBoxes();
    void printerMarginsDoNotMoveTheTexts();
};

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
    ReportPreview* preview = print(courier);
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
    ReportPreview* preview = track(m_printing->printBatch(CourierCatalogue::STO));
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

void TestWaybillPrint::longTextsStayInTheirBoxes()
{
    // Too long for their boxes even at the smallest size, 8 pt.
    const QString address = QStringLiteral("广东省深圳市南山区科技园高新南一道飞亚达科技大厦十八楼一八零八室前台代收转交"
                                           "请于工作日上午九点至下午五点之间派送谢谢合作")
                                .repeated(3);
    const QString name = QStringLiteral("欧阳明月先生").repeated(3);
    addOrder(name, QStringLiteral("13912345678"), address);
    showAll();
    m_sender->senderNameEdit->setText(name);
    m_sender->senderMobileEdit->setText(QStringLiteral("13900001111"));
    m_sender->senderAddressEdit->setText(address);

    for (bool batch : {false, true}) {
        ReportPreview* preview = track(batch ? m_printing->printBatch(CourierCatalogue::STO)
                                              : m_printing->printSingle(CourierCatalogue::STO));
        const ReportTemplate& t = preview->job().report();
        const Printed p = printOut(preview);
        // At 8 pt (10.67 px a line) name boxes hold two lines, the 73 px address box six, the 77 px ones seven.
        struct Box {
            WaybillRole role;
            QString text;
            int lines;
        };
        for (const Box& b : {Box{WaybillRole::SenderName, name, 2}, Box{WaybillRole::SenderAddress, address, batch ? 7 : 6},
                             Box{WaybillRole::RecipientAddress, address, 7}}) {
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

void TestWaybillPrint::printerMarginsDoNotMoveTheTexts()
{
    // Through a real printer, not a PDF writer: one whose driver keeps an
    // unprintable border of 6 mm and starts out drawing inside it. The
    // report's margins are its own, so every text still stands where the
    // layout puts it from the paper's edge.
    const Texts t;
    addOrder(t.name, t.mobile, t.address);
    showAll();
    setSender(t);
    ReportPreview* preview = track(m_printing->printSingle(CourierCatalogue::STO));
    QPrinter* printer = preview->printer();
    const QString path = m_db->dir() + QStringLiteral("/printer.pdf");
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    printer->setFullPage(false);
    const QMarginsF border(6, 6, 6, 6);
    QVERIFY(printer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, border,
                                               QPageLayout::Millimeter, border)));
    QCOMPARE(printer->pageLayout().minimumMargins(), border);
    QCOMPARE(printer->pageLayout().mode(), QPageLayout::StandardMode);

    m_fake->dialogs.printOnPrinter = true;
    preview->printButton->click();
    QCOMPARE(m_fake->dialogs.prints, 1);
    const Printed p = readPdf(path);
    QCOMPARE(p.pages, 1);
    const QList<Word> name = p.find(t.name);
    QCOMPARE(name.size(), 1);
    const double x = 10.0 + 452 * mmPerPx;  // STO recipient name
    const double y = 10.0 + 75 * mmPerPx;
    QVERIFY2(qAbs(name[0].x - x) <= tolerance && qAbs(name[0].emTop - y) <= tolerance,
             qPrintable(QStringLiteral("at %1, %2 mm, not %3, %4").arg(name[0].x).arg(name[0].emTop).arg(x).arg(y)));
}

QTEST_MAIN(TestWaybillPrint)
#include "tst_waybill_print.moc"
