// Batch waybill printing: 1,000 orders laid out and painted into a PDF by the
// report (snapshot of the rows, line breaking, page flow, renderer), beside
// the smallest QPainter loop that draws the same 7,000 texts, line by line,
// at the same places in the same fonts on a QPdfWriter. Also times the batch
// action over 100,000 orders up to the first preview page painted on screen.

#include "BenchSupport.h"

#include "core/CourierCatalogue.h"
#include "core/TextValue.h"
#include "data/DataOps.h"
#include "data/SenderProfile.h"
#include "data/Database.h"
#include "orders/OrderRegister.h"
#include "platform/Platform.h"
#include "report/EventPump.h"
#include "report/ReportJob.h"
#include "preview/ReportPageView.h"
#include "preview/ReportPreview.h"
#include "report/ReportRenderer.h"
#include "waybill/CourierLayoutTable.h"
#include "waybill/WaybillPrinting.h"
#include "waybill/WaybillTemplates.h"
#include "widgets/FontSubstitutions.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>

using namespace kx;

namespace {

constexpr int orders = 1000;
constexpr int bigOrders = 100000;

struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<Database> dm;
    QString senderName = QStringLiteral("王小明");
    QString senderMobile = QStringLiteral("13900001111");
    QString senderAddress = QStringLiteral("浙江省杭州市西湖区文三路90号东部软件园");

    explicit Fixture(int rows)
    {
        const QString path = dir.filePath(QStringLiteral("data.mdb"));
        bench::makeOrdersDatabase(path, rows);
        dm = std::make_unique<Database>(path, nullptr);
        openQuery(dm->gridResult, QStringLiteral("select * from data"));
    }
};

Fixture& fixture()
{
    static Fixture f(orders);
    return f;
}

ReportTemplate stoBatchTemplate(const Fixture& f)
{
    ReportTemplate t = WaybillTemplates::batchWaybill();
    t.setText(WaybillTemplates::elementFor(t, WaybillRole::SenderName), f.senderName);
    t.setText(WaybillTemplates::elementFor(t, WaybillRole::SenderNameCopy), f.senderName);
    t.setText(WaybillTemplates::elementFor(t, WaybillRole::SenderMobile), f.senderMobile);
    t.setText(WaybillTemplates::elementFor(t, WaybillRole::SenderAddress), f.senderAddress);
    CourierLayoutTable::apply(t, CourierCatalogue::STO);
    return t;
}

// The job's copy of the bound fields, as the batch action takes it.
std::vector<QStringList> snapshot(const Dataset& rows)
{
    const int a = rows.fieldIndex("a"), b = rows.fieldIndex("b"), c = rows.fieldIndex("c");
    auto text = [&rows](int r, int column) {
        const QStringView t = rows.text(r, column);
        return t.isEmpty() ? displayText(rows.cell(r, column)) : t.toString();
    };
    std::vector<QStringList> copy;
    copy.reserve(size_t(rows.rowCount()));
    for (int r = 0; r < rows.rowCount(); ++r)
        copy.push_back({text(r, a), text(r, b), text(r, c)});
    return copy;
}

std::unique_ptr<QPdfWriter> pdfWriter(QBuffer& buffer)
{
    auto pdf = std::make_unique<QPdfWriter>(&buffer);
    pdf->setPageSize(QPageSize(QPageSize::A4));
    pdf->setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf->setResolution(1200);
    return pdf;
}

int pdfPages(const QByteArray& pdf)
{
    return int(pdf.count("/Type /Page") - pdf.count("/Type /Pages"));
}

quint64 mix(quint64 sum, const QString& text)
{
    return sum * 1000003u + qHash(text);
}

void BM_batch_pdf_1000_ours(benchmark::State& state)
{
    Fixture& f = fixture();
    QByteArray last;
    for (auto _ : state) {
        // What a batch print does: the job's copy of the rows, line breaking
        // with events let through between rows, then the pages.
        ReportJob job(stoBatchTemplate(f), snapshot(f.dm->gridResult));
        job.layOut(EventPump());
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        auto pdf = pdfWriter(buffer);
        ReportRenderer::render(job, pdf.get());
        pdf.reset();
        last = buffer.data();
    }
    if (pdfPages(last) != orders / 2)
        state.SkipWithError("ours: wrong page count");
}

// The same texts in the same places: every line our layout makes of the
// rows, with its pen position, font and (where its glyphs could leave the
// box) the clip to its box; prepared once, so that the loop only draws.
struct BareLine {
    int page;
    bool font;  // the 19 px face (or the 16 px one)
    QPointF pen;  // mm from the paper's top-left corner
    QRectF clip;  // mm; empty: no clip
    QString text;
};

void BM_batch_pdf_1000_bare(benchmark::State& state)
{
    Fixture& f = fixture();
    ReportJob job(stoBatchTemplate(f), snapshot(f.dm->gridResult));
    job.layOut();
    const ReportTemplate& t = job.report();
    const std::vector<BandPlacement> bands = ReportRenderer::placements(job, 297.0);
    std::vector<BareLine> lines;
    quint64 expected = 0;
    for (size_t b = 0; b < bands.size(); ++b) {
        const double left = t.leftMarginMm(), top = bands[b].topMm;
        for (const PaintItem& item : job.band(int(b))) {
            if (item.kind != PaintItem::Kind::Text)
                continue;
            lines.push_back({bands[b].page, job.fonts()[item.font].pixels == 19,
                             item.baseline + QPointF(left, top),
                             item.clip ? item.box.translated(left, top) : QRectF(), item.text});
            expected = mix(expected, item.text);
        }
    }
    state.counters["lines"] = double(lines.size());
    state.counters["clipped"] = double(std::count_if(lines.begin(), lines.end(),
                                                      [](const BareLine& l) { return !l.clip.isEmpty(); }));

    QByteArray last;
    quint64 drawn = 0;
    for (auto _ : state) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        auto pdf = pdfWriter(buffer);
        QPainter p(pdf.get());
        const double k = pdf->logicalDpiX() / 25.4;
        QFont big(QStringLiteral("宋体")), small(QStringLiteral("宋体"));
        for (QFont* font : {&big, &small}) {
            font->setBold(true);
            font->setKerning(false);
            font->setHintingPreference(QFont::PreferNoHinting);
        }
        big.setPointSizeF(14.25);
        small.setPointSizeF(12);
        p.setPen(Qt::black);
        int page = 0;
        int font = -1;
        drawn = 0;
        for (const BareLine& l : lines) {
            if (l.page != page) {
                pdf->newPage();
                page = l.page;
            }
            if (int(l.font) != font) {
                font = int(l.font);
                p.setFont(l.font ? big : small);
            }
            if (l.clip.isEmpty()) {
                p.drawText(l.pen * k, l.text);
            } else {
                p.setClipRect(QRectF(l.clip.topLeft() * k, l.clip.size() * k));
                p.drawText(l.pen * k, l.text);
                p.setClipping(false);
            }
            drawn = mix(drawn, l.text);
        }
        p.end();
        pdf.reset();
        last = buffer.data();
    }
    if (pdfPages(last) != orders / 2 || drawn != expected)
        state.SkipWithError("bare: wrong pages or texts");
}

struct NullDialogs : Dialogs {
    QMessageBox::StandardButton message(QWidget*, const QString&, const QString&, Icon, QMessageBox::StandardButtons,
                                        QMessageBox::StandardButton) override
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
};
struct NullShell : Shell {
    void openUrl(const QString&) override {}
    void openFile(const QString&) override {}
};
struct NullSettings : SettingsStore {
    bool keyExists(const QString&) const override { return false; }
    std::optional<QString> read(const QString&, const QString&) const override { return std::nullopt; }
    void write(const QString&, const QString&, const QString&) override {}
};
struct NullClock : Clock {
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

struct PaintWatch : QObject {
    bool painted = false;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// From choosing the batch entry (WaybillPrinting::printBatch over the whole
// list) to the first preview page painted on screen, in milliseconds, once
// per round.
std::vector<double> firstPreviewPage(Fixture& f, int rounds, const QString& name)
{
    QWidget main;
    main.resize(1024, 768);
    main.show();
    NullDialogs dialogs;
    NullShell shell;
    NullSettings settings;
    NullClock clock;
    Platform platform{dialogs, shell, settings, clock};
    SenderProfile sender(*f.dm);
    sender.setName(f.senderName);
    sender.setMobile(f.senderMobile);
    sender.setAddress(f.senderAddress);
    OrderRegister orders(*f.dm);
    WaybillPrinting printing(orders, platform, sender, &main);
    QCoreApplication::processEvents();

    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        PaintWatch watch;
        QElapsedTimer timer;
        timer.start();
        ReportPreview* preview = printing.printBatch(CourierCatalogue::STO);
        const qint64 action = timer.elapsed();
        preview->view()->viewport()->installEventFilter(&watch);
        while (!watch.painted && timer.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const qint64 shown = timer.elapsed();
        preview->view()->viewport()->removeEventFilter(&watch);
        bench::addNote(QStringLiteral("%1 run %2: %3 ms to the first page on screen (%4 ms of it in the print "
                                      "action; %5 pages, %6 bands laid out by then)")
                           .arg(name)
                           .arg(round + 1)
                           .arg(shown)
                           .arg(action)
                           .arg(preview->view()->pageCount())
                           .arg(preview->job().laidOutCount()));
        times.push_back(double(shown));
        delete preview;
    }
    return times;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
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
    firstPreviewPage(fixture(), 3, QStringLiteral("batch_first_preview_page_1000"));
    {
        Fixture big(bigOrders);
        bench::addMs("batch_preview_first_page_100k",
                     median(firstPreviewPage(big, 3, QStringLiteral("batch_preview_first_page_100k"))));
    }
    bench::addMs("batch_pdf_1000", "BM_batch_pdf_1000_ours");
    return bench::runBenchmarks(argc, argv);
}
