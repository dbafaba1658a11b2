// What the print actions print and how their preview behaves: the live
// sender boxes, nulls, the list's rows and order, the preview's own job,
// its printer setup and its window.

#include "WaybillPrintFixture.h"
#include "Typing.h"

#include "core/CourierCatalogue.h"
#include "data/Schema.h"
#include "platform/AppInfo.h"
#include "widgets/FontSubstitutions.h"

#include <QApplication>
#include <QMenu>
#include <QPageSize>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScreen>
#include <QtTest>

using namespace kx;
namespace orderColumn = kx::schema::orderColumn;
using namespace kx::test;

class TestWaybillJobs : public QObject, protected WaybillPrintFixture {
    Q_OBJECT
private slots:
    void initTestCase() { registerFontSubstitutions(); }
    void init() { setUpFixture(); }
    void cleanup() { tearDownFixture(); }

    void unsavedSenderBoxesPrint();
    void singleStopsAtNullRecipient();
    void batchPrintsNullsEmptyAndGoesOn();
    void emptyListGivesOneSenderOnlyWaybill();
    void batchFollowsSearchAndSort();
    void previewKeepsItsJob();
    void batchPreviewOpensBeforeItsJobIsLaidOut();
    void printerSetupStaysWithItsTemplate();
    void pageRangeBeyondTheJob_data();
    void pageRangeBeyondTheJob();
    void previewWindow();
    void courierMenu();
};

void TestWaybillJobs::unsavedSenderBoxesPrint()
{
    addOrder(QStringLiteral("李四"), QStringLiteral("13811112222"), QStringLiteral("上海市"));
    showAll();
    m_db->exec("insert into post (a, b, c, d) values ('存储名', '13000000000', '存储地址', '申通快递')");
    m_sender->load();
    m_sender->senderNameEdit->clear();
    test::typeText(m_sender->senderNameEdit, QStringLiteral(" 赵六 "));
    m_sender->senderAddressEdit->clear();
    test::typeText(m_sender->senderAddressEdit, QStringLiteral("苏州市"));

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

void TestWaybillJobs::singleStopsAtNullRecipient()
{
    addOrder(QStringLiteral("钱六"), QStringLiteral("13300000006"), QStringLiteral("福州市"));
    addOrder(QStringLiteral("孙七"), QVariant(), QStringLiteral("厦门市"));
    showAll();
    setSender(Texts());
    // An earlier print leaves its texts and positions on the template.
    delete m_printing->printSingle(CourierCatalogue::SF);
    m_dm->gridResult.setCurrentRow(1);

    QVERIFY(!m_fake->platform.guard(nullptr, [&] { track(m_printing->printSingle(CourierCatalogue::STO)); }));
    QCOMPARE(m_fake->dialogs.lastText(), QStringLiteral("Could not convert variant of type (Null) into type (String)."));
    QCOMPARE(m_fake->dialogs.shown.last().caption, QStringLiteral("Kestrix快递单打印软件"));
    QVERIFY(m_previews.isEmpty());
    const QWidgetList windows = QApplication::topLevelWidgets();
    QVERIFY(std::none_of(windows.begin(), windows.end(), [](QWidget* w) { return qobject_cast<ReportPreview*>(w); }));
    // The name was set before the failing mobile; nothing was moved to STO.
    const ReportTemplate& t = m_printing->singleTemplate();
    QCOMPARE(t.element("QRLabel3")->text, QStringLiteral("孙七"));
    QCOMPARE(t.element("QRLabel4")->text, QStringLiteral("13300000006"));
    QCOMPARE(t.element("QRLabel3")->left, 70);  // still SF
}

void TestWaybillJobs::batchPrintsNullsEmptyAndGoesOn()
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
    QCOMPARE(m_dm->gridResult.currentRow(), 2);
    QCOMPARE(m_db->cli("select * from data"), before);
    QVERIFY(before.join('\n').contains("未打印"));
}

void TestWaybillJobs::emptyListGivesOneSenderOnlyWaybill()
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

void TestWaybillJobs::batchFollowsSearchAndSort()
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

    openQuery(m_dm->gridResult, QStringLiteral("select * from data where a like '%' || ? || '%'"),
              {QStringLiteral("陈")});
    QCOMPARE(order(printOut(track(m_printing->printBatch(CourierCatalogue::STO)))),
             (QStringList{"陈甲", "陈丙"}));

    showAll();
    m_dm->gridResult.sortBy(m_dm->gridResult.fieldIndex(orderColumn::recipientMobile), Qt::DescendingOrder);
    QCOMPARE(order(printOut(track(m_printing->printBatch(CourierCatalogue::STO)))),
             (QStringList{"黄丁", "陈丙", "林乙", "陈甲"}));
    QCOMPARE(m_dm->gridResult.currentRow(), 3);
}

void TestWaybillJobs::previewKeepsItsJob()
{
    addOrder(QStringLiteral("甲"), QStringLiteral("13100000001"), QStringLiteral("一号路"));
    addOrder(QStringLiteral("乙"), QStringLiteral("13100000002"), QStringLiteral("二号路"));
    showAll();
    setSender(Texts());
    ReportPreview* batch = track(m_printing->printBatch(CourierCatalogue::STO));
    ReportPreview* single = track(m_printing->printSingle(CourierCatalogue::STO));
    const Printed batchBefore = printOut(batch);
    const Printed singleBefore = printOut(single);

    // Everything a later action can touch while the previews stay open.
    m_sender->senderNameEdit->setText(QStringLiteral("另一人"));
    m_dm->gridResult.sortBy(m_dm->gridResult.fieldIndex(orderColumn::recipientName), Qt::DescendingOrder);
    track(m_printing->printBatch(CourierCatalogue::SF));
    track(m_printing->printSingle(CourierCatalogue::SF));
    openQuery(m_dm->gridResult, QStringLiteral("select * from data where a = ?"), {QStringLiteral("乙")});

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

void TestWaybillJobs::batchPreviewOpensBeforeItsJobIsLaidOut()
{
    constexpr int orders = 300;
    m_db->exec(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                              "insert into data (a, b, c, d, g) select '收件' || printf('%03d', i), "
                              "'1390000' || printf('%04d', i), '路' || i, '申通快递', '未打印' from n")
                   .arg(orders));
    showAll();
    setSender(Texts());
    ReportPreview* preview = track(m_printing->printBatch(CourierCatalogue::STO));
    QCOMPARE(m_dm->gridResult.currentRow(), orders - 1);
    preview->setLayoutChunk(3);

    struct FirstPaint : QObject {
        const ReportJob* job = nullptr;
        int laidOut = -1;  // bands laid out when the pages were first painted
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint && laidOut < 0)
                laidOut = job->laidOutCount();
            return false;
        }
    } watch;
    watch.job = &preview->job();
    preview->view()->viewport()->installEventFilter(&watch);
    QTRY_VERIFY(watch.laidOut >= 0);
    QVERIFY2(watch.laidOut < orders / 2, qPrintable(QString::number(watch.laidOut)));
    QVERIFY(preview->isGenerating());
    QCOMPARE(preview->view()->pageCount(), orders / 2);

    // The grid goes on while the job is laid out: a search, a sort, a delete.
    openQuery(m_dm->gridResult, QStringLiteral("select * from data where a like ? || '%'"), {QStringLiteral("收件1")});
    m_dm->gridResult.sortBy(m_dm->gridResult.fieldIndex(orderColumn::recipientName), Qt::DescendingOrder);
    m_dm->gridResult.deleteRow(0);
    QTRY_VERIFY(!preview->isGenerating());
    QVERIFY(preview->job().isLaidOut());

    const Printed p = printOut(preview);
    QCOMPARE(p.pages, orders / 2);
    QStringList names;
    for (const Word& w : p.words)
        if (w.text.startsWith(QStringLiteral("收件")))
            names << w.text;
    QCOMPARE(names.size(), orders);
    for (int i = 0; i < orders; ++i)
        QCOMPARE(names[i], QStringLiteral("收件%1").arg(i + 1, 3, 10, QLatin1Char('0')));

    // A preview closed halfway through its job takes the job with it.
    QPointer<ReportPreview> closed = m_printing->printBatch(CourierCatalogue::STO);
    closed->setLayoutChunk(1);
    QCoreApplication::processEvents();
    QVERIFY(closed->isGenerating() && closed->job().laidOutCount() > 0);
    closed->closeButton->click();
    QTRY_VERIFY(closed.isNull());
    QTest::qWait(20);
}

void TestWaybillJobs::printerSetupStaysWithItsTemplate()
{
    addOrder(QStringLiteral("甲"), QStringLiteral("13100000001"), QStringLiteral("一号路"));
    addOrder(QStringLiteral("乙"), QStringLiteral("13100000002"), QStringLiteral("二号路"));
    showAll();
    m_fake->dialogs.printerSetupChoice = [](QPrinter* printer) { printer->setPageSize(QPageSize(QPageSize::A5)); };
    ReportPreview* first = track(m_printing->printBatch(CourierCatalogue::STO));
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

void TestWaybillJobs::pageRangeBeyondTheJob_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QStringList>("printed");  // empty: nothing reaches the printer
    QTest::newRow("wholly beyond") << 3 << 4 << QStringList{};
    QTest::newRow("reaching beyond") << 2 << 5 << QStringList{"丙"};
    QTest::newRow("first page") << 1 << 1 << QStringList{"甲", "乙"};
}

void TestWaybillJobs::pageRangeBeyondTheJob()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QStringList, printed);
    const QStringList names = {"甲", "乙", "丙"};
    for (const QString& n : names)
        addOrder(n, QStringLiteral("13100000001"), QStringLiteral("路"));
    showAll();
    m_fake->dialogs.printerSetupChoice = [from, to](QPrinter* printer) {
        printer->setPrintRange(QPrinter::PageRange);
        printer->setFromTo(from, to);
    };
    ReportPreview* preview = track(m_printing->printBatch(CourierCatalogue::STO));
    preview->setupButton->click();
    QCOMPARE(preview->view()->pageCount(), 2);

    const Printed p = printOut(preview);
    if (printed.isEmpty()) {
        // Not even a blank sheet: the form stays in the printer.
        QCOMPARE(m_fake->dialogs.prints, 0);
        QCOMPARE(p.pages, 0);
        QCOMPARE(m_fake->dialogs.texts(), QStringList{"所选页码不在本次打印任务中，未打印。"});
        QCOMPARE(m_fake->dialogs.shown[0].caption, QString(appTitle));
        QCOMPARE(m_fake->dialogs.shown[0].icon, Dialogs::Icon::None);
        QCOMPARE(m_fake->dialogs.shown[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    } else {
        QCOMPARE(m_fake->dialogs.prints, 1);
        QVERIFY(m_fake->dialogs.shown.isEmpty());
        QCOMPARE(p.pages, 1);
        for (const QString& n : names)
            QCOMPARE(p.find(n).size(), printed.contains(n) ? 1 : 0);
    }
    // The range belongs to the template's printer and stays chosen.
    QCOMPARE(preview->printer()->printRange(), QPrinter::PageRange);
    QCOMPARE(preview->printer()->fromPage(), from);
    QCOMPARE(preview->printer()->toPage(), to);
}

void TestWaybillJobs::previewWindow()
{
    for (const char* n : {"一", "二", "三", "四", "五"})
        addOrder(QString::fromUtf8(n), QStringLiteral("13100000001"), QStringLiteral("路"));
    showAll();
    QWidget owner;
    WaybillPrinting printing(*m_orders, m_fake->platform, *m_profile, &owner);
    QPointer<ReportPreview> preview = printing.printBatch(CourierCatalogue::STO);
    QVERIFY(preview);
    QCOMPARE(preview->windowTitle(), QStringLiteral("Report Preview : "));
    QVERIFY(preview->isVisible());
    QVERIFY(!preview->isModal());
    QCOMPARE(preview->windowModality(), Qt::NonModal);
    // Once framed, the whole window, frame included, is on its screen.
    QCoreApplication::processEvents();
    const QRect screen = preview->screen()->availableGeometry();
    QVERIFY(screen.contains(preview->frameGeometry()));
    const QRect outer = preview->frameGeometry();
    const QRect inner = preview->geometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                         outer.bottom() - inner.bottom());
    QCOMPARE(preview->size(), QSize(1600, 1200).boundedTo(screen.size().shrunkBy(frame)));

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

void TestWaybillJobs::courierMenu()
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

QTEST_MAIN(TestWaybillJobs)
#include "tst_waybill_jobs.moc"
