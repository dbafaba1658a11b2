// Printer calibration per courier form, and waybill texts that shrink to fit
// their boxes instead of being cut: positions read back from the PDFs.

#include "WaybillPrintFixture.h"

#include "core/CourierCatalogue.h"
#include "report/PrintCorrection.h"
#include "waybill/CalibrationPage.h"
#include "waybill/CalibrationStore.h"
#include "waybill/CalibrationWindow.h"
#include "waybill/CourierLayoutTable.h"
#include "waybill/WaybillTemplates.h"
#include "widgets/FontSubstitutions.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QProcess>
#include <QtTest>
#include <optional>

using namespace kx;
using namespace kx::test;

Q_DECLARE_METATYPE(kx::PrintCorrection)

namespace {

const QString sevenName = QStringLiteral("杭州小鹿旗舰店");
const QString address60 =
    QStringLiteral("浙江省杭州市西湖区文三路一百二十八号华星科技大厦十九层一九零八室前台代收转交市场部张经理请于工作日上午九点后派送谢谢合作");

PrintCorrection correction(double dx, double dy, double sx, double sy)
{
    return PrintCorrection{dx, dy, sx, sy};
}

// The box of an element on paper for a band at the top margin, in mm.
QRectF boxOnPaper(const ReportElement& e)
{
    return QRectF(10.0 + e.left * mmPerPx, 10.0 + e.top * mmPerPx, e.widthMm, e.heightMm);
}

// The lines of a text set in a box, top to bottom.
QList<Word> wordsIn(const Printed& p, const QRectF& box)
{
    QList<Word> inside;
    for (const Word& w : p.words)
        if (w.page == 0 && qAbs(w.x - box.left()) <= tolerance && w.emTop >= box.top() - tolerance &&
            w.emTop < box.bottom())
            inside << w;
    std::sort(inside.begin(), inside.end(), [](const Word& a, const Word& b) { return a.emTop < b.emTop; });
    return inside;
}

std::optional<Word> wordNear(const Printed& p, const QString& text, QPointF at, double within = tolerance)
{
    for (const Word& w : p.find(text))
        if (w.page == 0 && qAbs(w.x - at.x()) <= within && qAbs(w.emTop - at.y()) <= within)
            return w;
    return std::nullopt;
}

QStringList placed(const Printed& p)
{
    QStringList list;
    for (const Word& w : p.words)
        list << QStringLiteral("%1 %2 %3 %4 %5").arg(w.page).arg(w.x, 0, 'f', 3).arg(w.emTop, 0, 'f', 3).arg(w.size).arg(w.text);
    return list;
}

int redPixels(const QImage& image)
{
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            red += c.red() > 180 && c.green() < 90 && c.blue() < 90;
        }
    return red;
}

}  // namespace

class TestCalibration : public QObject, protected WaybillPrintFixture {
    Q_OBJECT
private slots:
    void initTestCase() { registerFontSubstitutions(); }
    void init() { setUpFixture(); }
    void cleanup() { tearDownFixture(); }

    void storedText_data();
    void storedText();
    void correctionMovesEveryText_data();
    void correctionMovesEveryText();
    void noCorrectionGivesTodaysPositions_data();
    void noCorrectionGivesTodaysPositions();
    void calibrationPage_data();
    void calibrationPage();
    void longSenderNameShrinksToFit_data();
    void longSenderNameShrinksToFit();
    void addressKeepsClearOfTheMobile_data();
    void addressKeepsClearOfTheMobile();
    void previewReportsCutTexts();
    void windowKeepsEachForm();
    void scaleShownAsMeasure();
    void unsavedValuesAsk_data();
    void unsavedValuesAsk();
    void rulersKeepClearOfEdges_data();
    void rulersKeepClearOfEdges();

private:
    ReportPreview* print(int courier, bool batch)
    {
        return track(batch ? m_printing->printBatch(courier) : m_printing->printSingle(courier));
    }
};

void TestCalibration::storedText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<PrintCorrection>("expected");
    QTest::newRow("plain") << "2.0,-1.5,98.0,98.0" << true << correction(2.0, -1.5, 98, 98);
    QTest::newRow("beyond the ranges") << "25,-30.04,90,110" << true << correction(20, -20, 95, 105);
    QTest::newRow("to a tenth") << " 0.04 , 1.26,100.01,99.95" << true << correction(0, 1.3, 100, 100);
    QTest::newRow("three numbers") << "1,2,3" << false << PrintCorrection{};
    QTest::newRow("not numbers") << "a,b,c,d" << false << PrintCorrection{};
}

void TestCalibration::storedText()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(PrintCorrection, expected);
    const std::optional<PrintCorrection> c = PrintCorrection::fromText(text);
    QCOMPARE(c.has_value(), valid);
    if (valid) {
        QCOMPARE(c->toText(), expected.toText());
        QCOMPARE(PrintCorrection::fromText(c->toText()), c);
    }
    // What the store cannot read prints uncorrected.
    m_fake->settings.write(CalibrationStore::key(), QStringLiteral("calib_SF"), text);
    QCOMPARE(CalibrationStore::load(m_fake->settings, CourierCatalogue::SF), valid ? expected : PrintCorrection{});
}

void TestCalibration::correctionMovesEveryText_data()
{
    QTest::addColumn<int>("courier");
    QTest::addColumn<bool>("batch");
    QTest::addColumn<PrintCorrection>("c");
    const PrintCorrection asked = correction(2.0, -1.5, 98.0, 98.0);
    QTest::newRow("STO single") << int(CourierCatalogue::STO) << false << asked;
    QTest::newRow("STO batch") << int(CourierCatalogue::STO) << true << asked;
    QTest::newRow("SF single") << int(CourierCatalogue::SF) << false << asked;
    QTest::newRow("ZJS batch") << int(CourierCatalogue::ZJS) << true << asked;
    QTest::newRow("EMS single, each axis its own") << int(CourierCatalogue::EMS) << false
                                                   << correction(-3.2, 4.0, 103.5, 96.0);
}

void TestCalibration::correctionMovesEveryText()
{
    QFETCH(int, courier);
    QFETCH(bool, batch);
    QFETCH(PrintCorrection, c);
    const Texts t;
    addOrder(t.name, t.mobile, t.address);
    showAll();
    setSender(t);

    const Printed plain = printOut(print(courier, batch));
    CalibrationStore::save(m_fake->settings, courier, c);
    const Printed moved = printOut(print(courier, batch));
    QCOMPARE(moved.words.size(), plain.words.size());

    const QStringList texts = {t.senderName, t.senderMobile, t.senderAddress, t.senderName,
                               t.name,       t.mobile,       t.address};
    for (int r = 0; r < waybillRoleCount; ++r) {
        const std::optional<QPoint> at = CourierLayoutTable::position(courier, WaybillRole(r));
        if (!at)
            continue;
        const QPointF corner(10.0 + at->x() * mmPerPx, 10.0 + at->y() * mmPerPx);
        const QPointF shift = c.map(corner) - corner;
        const std::optional<Word> before = wordNear(plain, texts[r], corner);
        const std::optional<Word> after = wordNear(moved, texts[r], corner + shift);
        QVERIFY2(before && after, qPrintable(texts[r]));
        QVERIFY2(qAbs(after->x - before->x - shift.x()) <= 0.1,
                 qPrintable(QStringLiteral("%1: x moved %2, not %3").arg(texts[r]).arg(after->x - before->x).arg(shift.x())));
        QVERIFY2(qAbs(after->emTop - before->emTop - shift.y()) <= 0.1,
                 qPrintable(QStringLiteral("%1: y moved %2, not %3").arg(texts[r]).arg(after->emTop - before->emTop).arg(shift.y())));
        // Positions only: the size and the width of the text stay.
        QCOMPARE(after->size, before->size);
        QVERIFY(qAbs((after->right - after->x) - (before->right - before->x)) < 0.05);
    }
}

void TestCalibration::noCorrectionGivesTodaysPositions_data()
{
    QTest::addColumn<QString>("value");  // calib_STO
    QTest::addColumn<QString>("other");  // calib_SF
    QTest::newRow("nothing stored") << QString() << QString();
    QTest::newRow("defaults stored") << "0.0,0.0,100.0,100.0" << QString();
    QTest::newRow("unreadable value") << "left,2,100,100" << QString();
    QTest::newRow("another form corrected") << QString() << "5.0,5.0,95.0,95.0";
}

void TestCalibration::noCorrectionGivesTodaysPositions()
{
    QFETCH(QString, value);
    QFETCH(QString, other);
    addOrder(QStringLiteral("张三"), QStringLiteral("13700000001"), QStringLiteral("北京市朝阳区建国路88号"));
    addOrder(QStringLiteral("李四"), QStringLiteral("13700000002"), QStringLiteral("广州市天河区体育西路"));
    addOrder(QStringLiteral("王五"), QStringLiteral("13700000003"), QStringLiteral("成都市武侯区"));
    showAll();
    setSender(Texts());
    for (bool batch : {false, true}) {
        const Printed today = printOut(print(CourierCatalogue::STO, batch));
        if (!value.isNull())
            m_fake->settings.write(CalibrationStore::key(), QStringLiteral("calib_STO"), value);
        if (!other.isNull())
            m_fake->settings.write(CalibrationStore::key(), QStringLiteral("calib_SF"), other);
        const Printed again = printOut(print(CourierCatalogue::STO, batch));
        QVERIFY(!today.words.isEmpty());
        QCOMPARE(placed(again), placed(today));
        m_fake->settings.keys.clear();
    }
}

void TestCalibration::calibrationPage_data()
{
    QTest::addColumn<int>("courier");
    QTest::addColumn<PrintCorrection>("c");
    QTest::newRow("STO as it is") << int(CourierCatalogue::STO) << PrintCorrection{};
    QTest::newRow("SF corrected") << int(CourierCatalogue::SF) << correction(2.0, -1.5, 98.0, 98.0);
    QTest::newRow("ZJS corrected") << int(CourierCatalogue::ZJS) << correction(-3.0, 4.0, 103.0, 101.0);
}

void TestCalibration::calibrationPage()
{
    QFETCH(int, courier);
    QFETCH(PrintCorrection, c);
    ReportPreview* preview = track(m_printing->printCalibrationPage(courier, c));
    QCOMPARE(preview->printer(), m_printing->singlePrinter());
    const Printed p = printOut(preview);
    QCOMPARE(p.pages, 1);
    const double k = 100 / 25.4;  // pixels of the drawn page per mm
    auto darkNear = [&](QPointF mm, int reach) {
        const QPoint at = (mm * k).toPoint();
        int darkest = 255;
        for (int y = at.y() - reach; y <= at.y() + reach; ++y)
            for (int x = at.x() - reach; x <= at.x() + reach; ++x)
                if (p.firstPage.rect().contains(x, y))
                    darkest = std::min(darkest, qGray(p.firstPage.pixel(x, y)));
        return darkest < 200;
    };

    // The rulers stay where they are on the paper whatever the correction,
    // 6 mm from its edges (the PDF printer has no unprintable margin):
    // numbers each 10 mm beside ticks each millimetre, the numbers being the
    // distance from the paper's edge.
    for (int mm : {20, 50, 100, 150, 190}) {
        QVERIFY2(wordNear(p, QString::number(mm), QPointF(mm + 0.4, 10.5)), qPrintable(QString::number(mm)));
        QVERIFY2(darkNear(QPointF(mm, 8.0), 1), qPrintable(QStringLiteral("tick %1").arg(mm)));
        QVERIFY2(wordNear(p, QString::number(mm), QPointF(10.5, mm + 0.4)), qPrintable(QString::number(mm)));
        QVERIFY2(darkNear(QPointF(8.0, mm), 1), qPrintable(QStringLiteral("tick %1").arg(mm)));
    }
    QVERIFY(wordNear(p, QStringLiteral("280"), QPointF(10.5, 280.4)));
    // Their boxes would reach past 204 and 291 mm.
    QVERIFY(!wordNear(p, QStringLiteral("200"), QPointF(200.4, 10.5), 3));
    QVERIFY(p.find(QStringLiteral("290")).isEmpty());
    QVERIFY(darkNear(QPointF(200, 8.0), 1) && darkNear(QPointF(8.0, 290), 1));
    QVERIFY(!darkNear(QPointF(100.5, 8.0), 0));  // between two ticks
    // Nothing at all within 5.5 mm of an edge, where printers print nothing.
    const QRect clear = QRectF(QPointF(5.5, 5.5) * k, QPointF(210 - 5.5, 297 - 5.5) * k).toRect();
    int nearEdge = 0;
    for (int y = 0; y < p.firstPage.height(); ++y)
        for (int x = 0; x < p.firstPage.width(); ++x)
            nearEdge += !clear.contains(x, y) && qGray(p.firstPage.pixel(x, y)) < 200;
    QCOMPARE(nearEdge, 0);

    // Each box of the form, named at its corner and outlined, moved as a
    // waybill's texts are.
    const ReportTemplate form = [&] {
        ReportTemplate t = WaybillTemplates::singleWaybill();
        CourierLayoutTable::apply(t, courier);
        return t;
    }();
    for (int r = 0; r < waybillRoleCount; ++r) {
        const ReportElement* e = form.element(WaybillTemplates::elementFor(form, WaybillRole(r)));
        const QString caption = CalibrationPage::roleCaption(r);
        if (!e->visible) {
            QVERIFY(p.find(caption).isEmpty());
            continue;
        }
        const QRectF box = boxOnPaper(*e);
        const QPointF corner = c.map(box.topLeft());
        QVERIFY2(wordNear(p, caption, corner), qPrintable(caption));
        // Outlined: the box's top and right edges, at its corrected corner
        // and its own size.
        QVERIFY2(darkNear(corner + QPointF(box.width() * 0.75, 0), 1), qPrintable(caption));
        QVERIFY2(darkNear(corner + QPointF(box.width(), box.height() * 0.5), 1), qPrintable(caption));
    }
    // Crosshairs at their known places, moved too.
    for (double cx : CalibrationPage::crossXMm)
        for (double cy : CalibrationPage::crossYMm) {
            const QPointF at = c.map(QPointF(cx, cy));
            QVERIFY(darkNear(at + QPointF(3, 0), 1) && darkNear(at + QPointF(0, -3), 1));
        }
}

void TestCalibration::longSenderNameShrinksToFit_data()
{
    QTest::addColumn<int>("courier");
    QTest::addColumn<bool>("batch");
    QTest::newRow("STO single") << int(CourierCatalogue::STO) << false;
    QTest::newRow("STO batch") << int(CourierCatalogue::STO) << true;
    QTest::newRow("YTO single") << int(CourierCatalogue::YTO) << false;
}

void TestCalibration::longSenderNameShrinksToFit()
{
    QFETCH(int, courier);
    QFETCH(bool, batch);
    Texts t;
    t.senderName = sevenName;
    addOrder(t.name, t.mobile, t.address);
    showAll();
    setSender(t);
    ReportPreview* preview = print(courier, batch);
    const ReportTemplate& r = preview->job().report();
    const Printed p = printOut(preview);

    for (WaybillRole role : {WaybillRole::SenderName, WaybillRole::SenderNameCopy}) {
        const QRectF box = boxOnPaper(*r.element(WaybillTemplates::elementFor(r, role)));
        const QList<Word> lines = wordsIn(p, box);
        QString shown;
        for (const Word& w : lines) {
            shown += w.text;
            QVERIFY2(w.size < 14.0 && w.size >= 8.0 - 0.01, qPrintable(QString::number(w.size)));
            QCOMPARE(w.size, lines.first().size);
            QVERIFY2(w.right <= box.right() + 0.05, qPrintable(w.text));
            QVERIFY2(w.emTop + w.size * mmPerPt <= box.bottom() + 0.05, qPrintable(w.text));
            QVERIFY(p.ink(w) > 10);
        }
        QCOMPARE(shown, sevenName);  // whole, on two lines
        QCOMPARE(lines.size(), 2);
    }
    // A name that fits keeps its design size.
    QCOMPARE(p.find(t.name).size(), 1);
    QVERIFY(qAbs(p.find(t.name).first().size - 14.25) < 0.1);
    QVERIFY(preview->statusLabel->text().isEmpty());
}

void TestCalibration::addressKeepsClearOfTheMobile_data()
{
    QTest::addColumn<int>("courier");
    QTest::addColumn<bool>("batch");
    QTest::addColumn<bool>("recipient");
    QTest::newRow("SF recipient single") << int(CourierCatalogue::SF) << false << true;
    QTest::newRow("SF recipient batch") << int(CourierCatalogue::SF) << true << true;
    QTest::newRow("SF sender single") << int(CourierCatalogue::SF) << false << false;
    QTest::newRow("ZJS recipient batch") << int(CourierCatalogue::ZJS) << true << true;
}

void TestCalibration::addressKeepsClearOfTheMobile()
{
    QFETCH(int, courier);
    QFETCH(bool, batch);
    QFETCH(bool, recipient);
    QCOMPARE(address60.size(), 60);
    Texts t;
    (recipient ? t.address : t.senderAddress) = address60;
    addOrder(t.name, t.mobile, t.address);
    showAll();
    setSender(t);
    ReportPreview* preview = print(courier, batch);
    const ReportTemplate& r = preview->job().report();
    const Printed p = printOut(preview);

    const WaybillRole addressRole = recipient ? WaybillRole::RecipientAddress : WaybillRole::SenderAddress;
    const WaybillRole mobileRole = recipient ? WaybillRole::RecipientMobile : WaybillRole::SenderMobile;
    const QString mobileText = recipient ? t.mobile : t.senderMobile;
    const QRectF box = boxOnPaper(*r.element(WaybillTemplates::elementFor(r, addressRole)));
    const QPoint mobileAt = *CourierLayoutTable::position(courier, mobileRole);
    const QPointF mobile(10.0 + mobileAt.x() * mmPerPx, 10.0 + mobileAt.y() * mmPerPx);
    QVERIFY(box.contains(mobile));  // the form prints the mobile inside the address box

    const QList<Word> lines = wordsIn(p, box);
    QString shown;
    for (const Word& w : lines) {
        shown += w.text;
        QVERIFY2(w.emTop + w.size * mmPerPt <= mobile.y() + 0.05,
                 qPrintable(QStringLiteral("%1 reaches %2 mm, the mobile starts at %3 mm")
                                .arg(w.text)
                                .arg(w.emTop + w.size * mmPerPt)
                                .arg(mobile.y())));
        QVERIFY(w.size >= 8.0 - 0.01 && w.size < 14.0);
    }
    QCOMPARE(shown, address60);
    const std::optional<Word> number = wordNear(p, mobileText, mobile);
    QVERIFY(number);
    QVERIFY(p.ink(*number) > 20);
    QVERIFY(preview->statusLabel->text().isEmpty());
}

void TestCalibration::previewReportsCutTexts()
{
    const QString endless = address60.repeated(5);
    addOrder(QStringLiteral("张三"), QStringLiteral("13700000001"), endless);
    addOrder(QStringLiteral("李四"), QStringLiteral("13700000002"), address60);
    addOrder(QStringLiteral("王五"), QStringLiteral("13700000003"), endless);
    showAll();
    setSender(Texts());

    ReportPreview* preview = print(CourierCatalogue::STO, true);
    while (preview->isGenerating())
        QCoreApplication::processEvents();
    QCOMPARE(preview->statusLabel->text(), QStringLiteral("共 2 张运单有文字超出框外，打印时将被截断（屏幕上以红框标出）"));

    // Framed in red on screen, on the first waybill's address...
    preview->resize(1000, 900);
    QCoreApplication::processEvents();
    QVERIFY(redPixels(preview->view()->viewport()->grab().toImage()) > 50);
    // ...never on paper, where the text is cut at 8 pt.
    const Printed p = printOut(preview);
    const QString pdf = m_db->dir() + QStringLiteral("/job%1.pdf").arg(m_pdfs);
    const QString png = m_db->dir() + QStringLiteral("/colour");
    QCOMPARE(QProcess::execute(QStringLiteral("pdftoppm"),
                               {"-r", "50", "-png", "-f", "1", "-l", "1", "-singlefile", pdf, png}),
             0);
    const QImage colour(png + QStringLiteral(".png"));
    QVERIFY(!colour.isNull());
    QCOMPARE(redPixels(colour), 0);
    const ReportTemplate& r = preview->job().report();
    const QRectF box = boxOnPaper(*r.element(WaybillTemplates::elementFor(r, WaybillRole::RecipientAddress)));
    const QList<Word> lines = wordsIn(p, box);
    QVERIFY(!lines.isEmpty());
    QString shown;
    for (const Word& w : lines) {
        shown += w.text;
        QVERIFY(qAbs(w.size - 8.0) < 0.05);
        QVERIFY(w.emTop + w.size * mmPerPt <= box.bottom() + 0.05);
    }
    QVERIFY(endless.startsWith(shown) && shown.size() < endless.size());

    // A single print tells too; a job whose texts all fit says nothing.
    ReportPreview* single = print(CourierCatalogue::STO, false);  // the batch left the list on its last row
    QCOMPARE(single->job().cutBandCount(), 1);
    QCOMPARE(single->statusLabel->text(), QStringLiteral("共 1 张运单有文字超出框外，打印时将被截断（屏幕上以红框标出）"));
    m_orders->result().setCurrentRow(1);
    ReportPreview* fits = print(CourierCatalogue::STO, false);
    QCOMPARE(fits->job().cutBandCount(), 0);
    QVERIFY(fits->statusLabel->text().isEmpty());
}

void TestCalibration::windowKeepsEachForm()
{
    CalibrationWindow* w = m_printing->calibrationWindow();
    QCOMPARE(w->windowTitle(), QStringLiteral("打印校准"));
    QCOMPARE(w->formBox->count(), CourierCatalogue::menuCount);
    for (int c = 0; c < CourierCatalogue::menuCount; ++c)
        QCOMPARE(w->formBox->itemText(c), CourierCatalogue::menuCaption(c));
    for (QDoubleSpinBox* s : {w->offsetXBox, w->offsetYBox}) {
        QCOMPARE(s->minimum(), -20.0);
        QCOMPARE(s->maximum(), 20.0);
        QCOMPARE(s->singleStep(), 0.1);
        QCOMPARE(s->value(), 0.0);
    }
    // The scale as what 100 mm of ruler measures: 95.23 mm to 105.27 mm,
    // the measures the stored 105 % to 95 % allow.
    for (QDoubleSpinBox* s : {w->measuredXBox, w->measuredYBox}) {
        QCOMPARE(s->minimum(), 95.23);
        QCOMPARE(s->maximum(), 105.27);
        QCOMPARE(s->value(), 100.0);
    }
    QCOMPARE(w->helpLabel->text().split('\n').size(), 2);
    QCOMPARE(w->printPageButton->text(), QStringLiteral("打印校准页"));
    QCOMPARE(w->saveButton->text(), QStringLiteral("保存"));
    QCOMPARE(w->defaultsButton->text(), QStringLiteral("恢复默认"));

    // Typed values, saved for SF only.
    w->formBox->setCurrentIndex(CourierCatalogue::SF);
    auto type = [](QDoubleSpinBox* s, const char* text) {
        s->selectAll();
        QTest::keyClicks(s, text);
    };
    type(w->offsetXBox, "2.0");
    type(w->offsetYBox, "-1.5");
    // 100 mm printed as 98 mm: the printer prints smaller, corrected by 102 %.
    type(w->measuredXBox, "98.0");
    type(w->measuredYBox, "98.0");
    QVERIFY(w->hasUnsavedValues());
    w->saveButton->click();
    QVERIFY(!w->hasUnsavedValues());
    const auto& values = m_fake->settings.keys[QStringLiteral("Software\\tarnvale\\wbq")];
    QCOMPARE(values.value(QStringLiteral("calib_SF")), QStringLiteral("2.0,-1.5,102.0,102.0"));
    QCOMPARE(w->measuredXBox->value(), 98.0);
    QCOMPARE(values.size(), 1);

    // Another form shows its own (none); coming back shows what was saved,
    // in a window opened afresh too.
    w->formBox->setCurrentIndex(CourierCatalogue::STO);
    QCOMPARE(w->correction(), PrintCorrection{});
    w->formBox->setCurrentIndex(CourierCatalogue::SF);
    QCOMPARE(w->correction().toText(), QStringLiteral("2.0,-1.5,102.0,102.0"));
    {
        CalibrationWindow fresh(m_fake->platform);
        fresh.setCourier(CourierCatalogue::SF);
        QCOMPARE(fresh.correction().toText(), QStringLiteral("2.0,-1.5,102.0,102.0"));
        QCOMPARE(fresh.measuredYBox->value(), 98.04);  // 10000 / 102
    }
    QVERIFY(m_fake->dialogs.shown.isEmpty());

    // "打印校准页" prints the values as they stand, saved or not.
    type(w->offsetXBox, "3.5");
    w->printPageButton->click();
    ReportPreview* page = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<ReportPreview*>(top); p && !m_previews.contains(p))
            page = track(p);
    QVERIFY(page);
    QCOMPARE(page->job().report().correction().toText(), QStringLiteral("3.5,-1.5,102.0,102.0"));
    QCOMPARE(values.value(QStringLiteral("calib_SF")), QStringLiteral("2.0,-1.5,102.0,102.0"));

    // "恢复默认" asks before it wipes the saved correction; No keeps both
    // the saved and the typed values.
    m_fake->dialogs.answers << QMessageBox::No << QMessageBox::Yes;
    w->defaultsButton->click();
    QCOMPARE(m_fake->dialogs.texts(),
             QStringList{"恢复默认将清除“" + CourierCatalogue::menuCaption(CourierCatalogue::SF) + "”已保存的校准值。是否继续？"});
    QCOMPARE(m_fake->dialogs.shown[0].caption, QStringLiteral("提示"));
    QCOMPARE(m_fake->dialogs.shown[0].icon, Dialogs::Icon::Question);
    QCOMPARE(m_fake->dialogs.shown[0].buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(m_fake->dialogs.shown[0].defaultButton, QMessageBox::No);
    QCOMPARE(values.value(QStringLiteral("calib_SF")), QStringLiteral("2.0,-1.5,102.0,102.0"));
    QCOMPARE(w->offsetXBox->value(), 3.5);
    // Yes puts the form back to no correction, stored at once.
    w->defaultsButton->click();
    QCOMPARE(m_fake->dialogs.shown.size(), 2);
    QCOMPARE(w->correction(), PrintCorrection{});
    QVERIFY(!w->hasUnsavedValues());
    QCOMPARE(values.value(QStringLiteral("calib_SF")), QStringLiteral("0.0,0.0,100.0,100.0"));
    QCOMPARE(CalibrationStore::load(m_fake->settings, CourierCatalogue::SF), PrintCorrection{});
    // With nothing saved to wipe, it asks nothing.
    type(w->offsetYBox, "1.0");
    w->defaultsButton->click();
    QCOMPARE(m_fake->dialogs.shown.size(), 2);
    QCOMPARE(w->correction(), PrintCorrection{});
}

// Every stored scale, shown as a measure of 100 mm and taken back from the
// box, is the same stored text.
void TestCalibration::scaleShownAsMeasure()
{
    CalibrationWindow w(m_fake->platform);
    for (int tenths = 950; tenths <= 1050; ++tenths) {
        const QString stored = QStringLiteral("0.0,0.0,%1,%1").arg(tenths / 10.0, 0, 'f', 1);
        w.setCorrection(*PrintCorrection::fromText(stored));
        QCOMPARE(w.correction().toText(), stored);
    }
    QCOMPARE(CalibrationWindow::measuredForPercent(102.0), 10000.0 / 102.0);
    QCOMPARE(CalibrationWindow::percentForMeasured(98.0), 10000.0 / 98.0);
    // The boxes' ends are the per cent's ends.
    QCOMPARE(CalibrationWindow::percentForMeasured(105.27), 95.0);
    QCOMPARE(CalibrationWindow::percentForMeasured(95.23), 105.0);
}

// Typed values are not lost unasked: choosing another form or closing the
// window asks whether to save them (Yes saves, No drops them, Cancel stays).
void TestCalibration::unsavedValuesAsk_data()
{
    QTest::addColumn<bool>("closing");  // else choosing another form
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("stored");  // calib_SF afterwards
    QTest::addColumn<bool>("stays");      // the form (and window) stay with the typed values
    const QString saved = "1.0,0.0,100.0,100.0", typed = "4.5,0.0,100.0,100.0";
    QTest::newRow("other form, save") << false << int(QMessageBox::Yes) << typed << false;
    QTest::newRow("other form, drop") << false << int(QMessageBox::No) << saved << false;
    QTest::newRow("other form, cancel") << false << int(QMessageBox::Cancel) << saved << true;
    QTest::newRow("close, save") << true << int(QMessageBox::Yes) << typed << false;
    QTest::newRow("close, drop") << true << int(QMessageBox::No) << saved << false;
    QTest::newRow("close, cancel") << true << int(QMessageBox::Cancel) << saved << true;
}

void TestCalibration::unsavedValuesAsk()
{
    QFETCH(bool, closing);
    QFETCH(int, answer);
    QFETCH(QString, stored);
    QFETCH(bool, stays);
    CalibrationStore::save(m_fake->settings, CourierCatalogue::SF, correction(1.0, 0, 100, 100));
    CalibrationWindow* w = m_printing->calibrationWindow();
    w->setCourier(CourierCatalogue::SF);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    w->offsetXBox->selectAll();
    QTest::keyClicks(w->offsetXBox, "4.5");
    QVERIFY(m_fake->dialogs.shown.isEmpty());

    m_fake->dialogs.answers.enqueue(QMessageBox::StandardButton(answer));
    if (closing)
        w->close();
    else
        w->formBox->setCurrentIndex(CourierCatalogue::EMS);

    QCOMPARE(m_fake->dialogs.texts(),
             QStringList{"“" + CourierCatalogue::menuCaption(CourierCatalogue::SF) + "”的校准值已修改，尚未保存。是否保存？"});
    const test::FakeDialogs::Shown& q = m_fake->dialogs.shown[0];
    QCOMPARE(q.caption, QStringLiteral("提示"));
    QCOMPARE(q.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(m_fake->settings.keys[CalibrationStore::key()].value("calib_SF"), stored);
    if (stays) {
        QCOMPARE(w->courier(), int(CourierCatalogue::SF));
        QCOMPARE(w->offsetXBox->value(), 4.5);
        QVERIFY(w->hasUnsavedValues());
        QVERIFY(w->isVisible());
        return;
    }
    QVERIFY(!w->hasUnsavedValues());
    if (closing) {
        QVERIFY(!w->isVisible());
        QCOMPARE(w->correction().toText(), stored);  // shown again as stored
    } else {
        QCOMPARE(w->courier(), int(CourierCatalogue::EMS));
        QCOMPARE(w->correction(), PrintCorrection{});
        QVERIFY(!m_fake->settings.keys[CalibrationStore::key()].contains("calib_EMS"));
    }
    // Nothing typed since: no question.
    w->show();
    w->formBox->setCurrentIndex(CourierCatalogue::STO);
    w->close();
    QCOMPARE(m_fake->dialogs.shown.size(), 1);
}

// Where the rulers stand: 6 mm from every edge, or the printer's
// unprintable margin where that is wider; the page keeps every ruler mark
// inside, whatever the correction.
void TestCalibration::rulersKeepClearOfEdges_data()
{
    QTest::addColumn<QSizeF>("paper");
    QTest::addColumn<QMarginsF>("unprintable");
    QTest::addColumn<QRectF>("rulers");  // left, top to right, bottom
    QTest::newRow("A4, prints to the edge") << QSizeF(210, 297) << QMarginsF() << QRectF(QPointF(6, 6), QPointF(204, 291));
    QTest::newRow("A4, narrower margins") << QSizeF(210, 297) << QMarginsF(4.2, 3, 5, 4.23)
                                          << QRectF(QPointF(6, 6), QPointF(204, 291));
    QTest::newRow("A4, wider margins") << QSizeF(210, 297) << QMarginsF(6.35, 12.7, 8, 16.9)
                                       << QRectF(QPointF(6.35, 12.7), QPointF(202, 280.1));
    QTest::newRow("a courier form's paper") << QSizeF(230, 127) << QMarginsF(3.2, 3.2, 3.2, 10)
                                            << QRectF(QPointF(6, 6), QPointF(224, 117));
}

void TestCalibration::rulersKeepClearOfEdges()
{
    QFETCH(QSizeF, paper);
    QFETCH(QMarginsF, unprintable);
    QFETCH(QRectF, rulers);
    const CalibrationPage::Rulers r = CalibrationPage::rulers(paper, unprintable);
    QCOMPARE(QRectF(QPointF(r.left, r.top), QPointF(r.right, r.bottom)), rulers);

    const auto job = CalibrationPage::job(CourierCatalogue::SF, correction(-20, -20, 95, 95), paper, unprintable);
    const ReportTemplate& page = job->report();
    const QPointF band(page.leftMarginMm(), page.topMarginMm());
    int marks = 0;
    for (const PaintItem& item : job->band(0)) {
        if (!item.fixedOnPaper || item.kind == PaintItem::Kind::Background)
            continue;
        ++marks;
        const QRectF onPaper = item.box.translated(band);
        QVERIFY2(onPaper.left() >= rulers.left() - 0.1 && onPaper.top() >= rulers.top() - 0.1 &&
                     onPaper.right() <= rulers.right() + 0.1 && onPaper.bottom() <= rulers.bottom() + 0.1,
                 qPrintable(QStringLiteral("%1 at %2,%3 %4x%5")
                                .arg(item.text)
                                .arg(onPaper.left())
                                .arg(onPaper.top())
                                .arg(onPaper.width())
                                .arg(onPaper.height())));
    }
    QVERIFY(marks > 200);
}


QTEST_MAIN(TestCalibration)
#include "tst_calibration.moc"
