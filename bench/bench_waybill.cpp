// Batch waybill printing: 1,000 orders laid out and painted into a PDF by the
// report (snapshot of the rows, line breaking, page flow, renderer), beside a
// bare QPainter loop that draws the same 7,000 texts at the same places on a
// QPdfWriter. Also notes the time from choosing a batch entry to the first
// preview page on screen.

#include "BenchSupport.h"

#include "data/DataOps.h"
#include "core/DbError.h"
#include "core/TextValue.h"
#include "data/Tdmfm.h"
#include "platform/Platform.h"
#include "core/CourierCatalogue.h"
#include "waybill/CourierLayoutTable.h"
#include "waybill/EventPump.h"
#include "waybill/PageFlow.h"
#include "waybill/ReportJob.h"
#include "waybill/ReportRenderer.h"
#include "data/SenderProfile.h"
#include "waybill/WaybillPreview.h"
#include "waybill/WaybillPrinting.h"
#include "waybill/WaybillTemplates.h"
#include "widgets/FontSubstitutions.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QGraphicsView>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewWidget>
#include <QTemporaryDir>
#include <memory>

using namespace kx;

namespace {

constexpr int orders = 1000;

struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<Tdmfm> dm;
    QString senderName = QStringLiteral("王小明");
    QString senderMobile = QStringLiteral("13900001111");
    QString senderAddress = QStringLiteral("浙江省杭州市西湖区文三路90号东部软件园");

    Fixture()
    {
        QDir::setCurrent(dir.path());
        bench::makeOrdersDatabase(dir.filePath(QStringLiteral("data.mdb")), orders);
        dm = std::make_unique<Tdmfm>();
        openQuery(dm->ADOQuery15, QStringLiteral("select * from data"));
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

ReportTemplate stoBatchTemplate(const Fixture& f)
{
    ReportTemplate t = WaybillTemplates::TForm9();
    t.setText(QStringLiteral("QRLabel1"), f.senderName);
    t.setText(QStringLiteral("QRLabel5"), f.senderName);
    t.setText(QStringLiteral("QRLabel2"), f.senderMobile);
    t.setText(QStringLiteral("QRRichText1"), f.senderAddress);
    CourierLayoutTable::apply(t, CourierCatalogue::STO);
    return t;
}

std::unique_ptr<QPdfWriter> pdfWriter(QBuffer& buffer)
{
    auto pdf = std::make_unique<QPdfWriter>(&buffer);
    pdf->setPageSize(QPageSize(QPageSize::A4));
    pdf->setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf->setResolution(1200);
    return pdf;
}

void BM_batch_pdf_1000_ours(benchmark::State& state)
{
    Fixture& f = fixture();
    Dataset& rows = f.dm->ADOQuery15;
    const int a = rows.fieldIndex("a"), b = rows.fieldIndex("b"), c = rows.fieldIndex("c");
    for (auto _ : state) {
        // What a batch print does: the job's copy of the rows, line breaking
        // with events let through between rows, then the pages.
        std::vector<QStringList> copy;
        copy.reserve(size_t(rows.rowCount()));
        for (int r = 0; r < rows.rowCount(); ++r)
            copy.push_back({displayText(rows.value(r, a)), displayText(rows.value(r, b)),
                            displayText(rows.value(r, c))});
        ReportJob job(stoBatchTemplate(f), std::move(copy));
        job.layOut(EventPump());
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        auto pdf = pdfWriter(buffer);
        ReportRenderer::render(job, pdf.get());
        pdf.reset();
        benchmark::DoNotOptimize(buffer.size());
    }
}

void BM_batch_pdf_1000_bare(benchmark::State& state)
{
    Fixture& f = fixture();
    Dataset& rows = f.dm->ADOQuery15;
    const int a = rows.fieldIndex("a"), b = rows.fieldIndex("b"), c = rows.fieldIndex("c");
    const ReportTemplate t = stoBatchTemplate(f);
    const std::vector<BandPlacement> bands =
        PageFlow(297.0, 10.0, 8.0, t.bandHeightMm()).place(rows.rowCount());
    struct Place {
        QRectF mm;
        int flags;
        bool big;
    };
    std::vector<Place> places;
    for (const ReportElement& e : t.elements()) {
        const bool fixed = e.sizing == ReportElement::Sizing::FixedBox;
        const double width = fixed ? e.widthMm : 190.0 - e.left * mmPerLayoutPixel;
        places.push_back({QRectF(10.0 + e.left * mmPerLayoutPixel, e.top * mmPerLayoutPixel, width, e.heightMm),
                          int(Qt::AlignLeft | Qt::AlignTop) | int(fixed ? Qt::TextWrapAnywhere : Qt::TextSingleLine),
                          e.fontPixels == 19});
    }
    for (auto _ : state) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        auto pdf = pdfWriter(buffer);
        QPainter p(pdf.get());
        const double k = pdf->logicalDpiX() / 25.4;
        QFont big(QStringLiteral("宋体")), small(QStringLiteral("宋体"));
        big.setPointSizeF(14.25);
        big.setBold(true);
        small.setPointSizeF(12);
        small.setBold(true);
        int page = 0;
        for (int r = 0; r < rows.rowCount(); ++r) {
            if (bands[size_t(r)].page != page) {
                pdf->newPage();
                page = bands[size_t(r)].page;
            }
            const QString texts[7] = {f.senderName,
                                      f.senderMobile,
                                      f.senderAddress,
                                      f.senderName,
                                      displayText(rows.value(r, a)),
                                      displayText(rows.value(r, b)),
                                      displayText(rows.value(r, c))};
            const double top = bands[size_t(r)].topMm;
            for (int i = 0; i < 7; ++i) {
                const Place& pl = places[size_t(i)];
                p.setFont(pl.big ? big : small);
                p.drawText(QRectF(pl.mm.left() * k, (top + pl.mm.top()) * k, pl.mm.width() * k, pl.mm.height() * k),
                           pl.flags, texts[i]);
            }
        }
        p.end();
        pdf.reset();
        benchmark::DoNotOptimize(buffer.size());
    }
}

// From choosing the batch entry to the first preview page painted on screen.
void noteFirstPreviewPage()
{
    Fixture& f = fixture();
    QWidget main;
    main.resize(1024, 768);
    main.show();
    struct NullDialogs : Dialogs {
        QMessageBox::StandardButton message(QWidget*, const QString&, const QString&, Icon,
                                            QMessageBox::StandardButtons, QMessageBox::StandardButton) override
        {
            return QMessageBox::Ok;
        }
        QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
        QString saveFileName(QWidget*, const QString&, const QString&, const QString&, const QString&) override
        {
            return {};
        }
        bool printerSetup(QWidget*, QPrinter*) override { return false; }
        void print(QPrinter*, const std::function<void(QPagedPaintDevice*)>&) override {}
    } dialogs;
    struct NullShell : Shell {
        void openUrl(const QString&) override {}
        void openFile(const QString&) override {}
    } shell;
    struct NullSettings : SettingsStore {
        bool keyExists(const QString&) const override { return false; }
        std::optional<QString> read(const QString&, const QString&) const override { return std::nullopt; }
        void write(const QString&, const QString&, const QString&) override {}
    } settings;
    struct NullClock : Clock {
        QDateTime now() const override { return QDateTime::currentDateTime(); }
    } clock;
    Platform platform{dialogs, shell, settings, clock};
    SenderProfile sender(*f.dm);
    sender.setName(f.senderName);
    sender.setMobile(f.senderMobile);
    sender.setAddress(f.senderAddress);
    WaybillPrinting printing(*f.dm, platform, sender, &main);

    struct PaintWatch : QObject {
        bool painted = false;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                painted = true;
            return false;
        }
    };
    for (int round = 0; round < 3; ++round) {
        PaintWatch watch;
        QElapsedTimer timer;
        timer.start();
        WaybillPreview* preview = printing.printBatch(CourierCatalogue::STO);
        const qint64 laidOut = timer.elapsed();
        QGraphicsView* view = preview->view()->findChild<QGraphicsView*>();
        view->viewport()->installEventFilter(&watch);
        while (!watch.painted && timer.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        const qint64 shown = timer.elapsed();
        view->viewport()->removeEventFilter(&watch);
        bench::addNote(QStringLiteral("batch_first_preview_page_1000 run %1: %2 ms to the first page on screen "
                                      "(%3 ms of it in the print action: rows, layout and the preview's %4 pages)")
                           .arg(round + 1)
                           .arg(shown)
                           .arg(laidOut)
                           .arg(preview->view()->pageCount()));
        delete preview;
    }
}

}  // namespace

BENCHMARK(BM_batch_pdf_1000_ours)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_batch_pdf_1000_bare)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    registerFontSubstitutions();
    bench::addRatio("batch_pdf_1000", "BM_batch_pdf_1000_ours", "BM_batch_pdf_1000_bare");
    bench::addMs("batch_pdf_1000", "BM_batch_pdf_1000_ours");
    noteFirstPreviewPage();
    return bench::runBenchmarks(argc, argv);
}
