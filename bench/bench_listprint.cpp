// The printed order list. Times "打印全部清单" over 100,000 orders, from the
// command to the first list page painted in its preview, and how long the
// window then takes to answer an event while the later pages are laid out.
// Also writes the whole list of 5,000 orders to a PDF with the list report
// (line breaking, page flow, renderer) beside the smallest QPainter loop
// that draws the same texts, fills and rules at the same places in the same
// fonts, page by page, on a QPdfWriter.

#include "BenchScreen.h"
#include "BenchSupport.h"

#include "data/LoginSession.h"
#include "orders/OrderGrid.h"
#include "orders/OrderGridModel.h"
#include "orders/OrderListPrinting.h"
#include "orders/OrderListReport.h"
#include "orders/OrderRegister.h"
#include "report/ListJob.h"
#include "preview/ListPreview.h"
#include "preview/ReportPageView.h"
#include "report/ReportRenderer.h"
#include "widgets/FontSubstitutions.h"
#include "widgets/FooterRow.h"
#include "widgets/TwoLevelHeader.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <memory>

using namespace kx;

namespace {

constexpr int pdfOrders = 5000;
constexpr int bigOrders = 100000;

struct Screen {
    QTemporaryDir dir;
    std::unique_ptr<bench::OrderScreen> screen;
    LoginSession session;

    explicit Screen(int rows)
    {
        const QString path = dir.filePath(QStringLiteral("data.mdb"));
        bench::makeOrdersDatabase(path, rows);
        screen = std::make_unique<bench::OrderScreen>(path);
        screen->orders->showAll();
        screen->settle();
        session.setUserName(QStringLiteral("超级管理员"));
    }

    // The list as "打印全部清单" takes it from the grid.
    std::shared_ptr<const ListReport> report() const
    {
        OrderGrid& grid = *screen->grid;
        OrderListReport::Grid shown;
        for (int c = 0; c < GridColumnCount; ++c) {
            shown.columns << c;
            shown.widths << grid.header()->sectionSize(c);
            shown.footer << grid.footer()->text(c);
            shown.footerAlignments << grid.footer()->alignment(c);
        }
        return std::make_shared<ListReport>(
            OrderListReport::build(*grid.model(), shown, session.userName(), QDate(2026, 12, 10)));
    }
};

// Made at first use, gone before the application: it holds widgets.
std::unique_ptr<Screen> pdfList;

Screen& pdfScreen()
{
    if (!pdfList)
        pdfList = std::make_unique<Screen>(pdfOrders);
    return *pdfList;
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

const QSizeF a4(210, 297);
int expectedPages = 0;

void BM_list_pdf_5k_ours(benchmark::State& state)
{
    const std::shared_ptr<const ListReport> report = pdfScreen().report();
    QByteArray last;
    for (auto _ : state) {
        // A list printed before its preview laid it out: every row's lines
        // broken and placed as its page is painted.
        ListJob job(report, ListPrintOptions(), a4);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        auto pdf = pdfWriter(buffer);
        ReportRenderer::render(job, pdf.get());
        pdf.reset();
        last = buffer.data();
        expectedPages = job.pageCount();
    }
    if (pdfPages(last) != expectedPages || expectedPages < pdfOrders / 100)
        state.SkipWithError("ours: wrong page count");
}

// What the report paints, page by page: every text with its pen position,
// face, colour and (where its glyphs could leave its box) its clip, every
// fill and rule; prepared once, so that the loop only paints.
struct BarePage {
    std::vector<PaintItem> fills;
    std::vector<PaintItem> rules;
    std::vector<PaintItem> texts;
};

void BM_list_pdf_5k_bare(benchmark::State& state)
{
    const std::shared_ptr<const ListReport> report = pdfScreen().report();
    ListJob job(report, ListPrintOptions(), a4);
    std::vector<BarePage> pages;
    quint64 expected = 0;
    for (int p = 0; job.hasPage(p); ++p) {
        BarePage page;
        for (const PaintItem& item : job.pageItems(p)) {
            if (item.kind == PaintItem::Kind::Text) {
                page.texts.push_back(item);
                expected = mix(expected, item.text);
            } else if (item.kind == PaintItem::Kind::Fill) {
                page.fills.push_back(item);
            } else if (item.kind == PaintItem::Kind::Rule) {
                page.rules.push_back(item);
            }
        }
        pages.push_back(std::move(page));
    }
    const double left = job.options().leftMm;
    std::vector<QFont> fonts;
    for (const ReportFont& f : job.fonts()) {
        QFont font(f.family);
        font.setPointSizeF(f.pixels * 72.0 / 96.0);
        font.setBold(f.bold);
        font.setKerning(false);
        font.setHintingPreference(QFont::PreferNoHinting);
        fonts.push_back(font);
    }
    const QRectF content(left, job.options().topMm, 210 - left - job.options().rightMm,
                         297 - job.options().topMm - job.options().bottomMm);

    QByteArray last;
    quint64 drawn = 0;
    for (auto _ : state) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        auto pdf = pdfWriter(buffer);
        QPainter p(pdf.get());
        const double k = pdf->logicalDpiX() / 25.4;
        auto rect = [k, left](const QRectF& mm) {
            return QRectF((mm.left() + left) * k, mm.top() * k, mm.width() * k, mm.height() * k);
        };
        const QRectF clip(content.left() * k, content.top() * k, content.width() * k, content.height() * k);
        drawn = 0;
        for (size_t n = 0; n < pages.size(); ++n) {
            if (n > 0)
                pdf->newPage();
            p.setClipRect(clip);
            for (const auto* areas : {&pages[n].fills, &pages[n].rules})
                for (const PaintItem& f : *areas)
                    p.fillRect(rect(f.box), QColor::fromRgba(f.colour));
            int font = -1;
            QRgb colour = 0;
            for (const PaintItem& t : pages[n].texts) {
                if (t.font != font) {
                    font = t.font;
                    p.setFont(fonts[size_t(font)]);
                }
                if (t.colour != colour) {
                    colour = t.colour;
                    p.setPen(QColor::fromRgba(colour));
                }
                const QPointF pen((t.baseline.x() + left) * k, t.baseline.y() * k);
                if (t.clip) {
                    p.setClipRect(rect(t.box) & clip);
                    p.drawText(pen, t.text);
                    p.setClipRect(clip);
                } else {
                    p.drawText(pen, t.text);
                }
                drawn = mix(drawn, t.text);
            }
        }
        p.end();
        pdf.reset();
        last = buffer.data();
    }
    state.counters["pages"] = double(pages.size());
    if (pdfPages(last) != int(pages.size()) || drawn != expected)
        state.SkipWithError("bare: wrong pages or texts");
}

struct PaintWatch : QObject {
    bool painted = false;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// From "打印全部清单" to the first page painted in the preview, once per
// round; then how late a timer set to fire at once goes off while the
// preview lays out the later pages.
void firstPreviewPage(int rounds)
{
    Screen big(bigOrders);
    QWidget main;
    main.resize(1024, 768);
    main.show();
    OrderListPrinting printing(*big.screen->grid, big.session, big.screen->platform, &main);
    QCoreApplication::processEvents();

    std::vector<double> times, waits;
    for (int round = 0; round < rounds; ++round) {
        PaintWatch watch;
        QElapsedTimer timer;
        timer.start();
        ListPreview* preview = printing.printList();
        const qint64 action = timer.elapsed();
        preview->view()->viewport()->installEventFilter(&watch);
        while (!watch.painted && timer.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const qint64 shown = timer.elapsed();
        const int pagesThen = preview->view()->pageCount();
        const int bandsThen = preview->job().placedCount();
        preview->view()->viewport()->removeEventFilter(&watch);
        if (!watch.painted || pagesThen < 1)
            bench::fail(QStringLiteral("the list's first page was not painted"));

        // The window answers while the rest is laid out.
        double worst = 0;
        for (int probe = 0; probe < 20 && preview->isGenerating(); ++probe) {
            QElapsedTimer wait;
            bool fired = false;
            wait.start();
            QTimer::singleShot(0, preview, [&fired] { fired = true; });
            while (!fired)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            worst = std::max(worst, double(wait.nsecsElapsed()) / 1e6);
        }
        bench::addNote(QStringLiteral("list_preview_first_page_100k run %1: %2 ms to the first page on screen (%3 ms "
                                      "of it in the command; %4 pages, %5 of %6 bands laid out by then); an event "
                                      "waited at most %7 ms while the rest was laid out")
                           .arg(round + 1)
                           .arg(shown)
                           .arg(action)
                           .arg(pagesThen)
                           .arg(bandsThen)
                           .arg(preview->job().bandCount())
                           .arg(worst, 0, 'f', 1));
        times.push_back(double(shown));
        waits.push_back(worst);
        if (round == 0) {
            while (preview->isGenerating())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            bench::addNote(QStringLiteral("list_preview_first_page_100k run 1: every page laid out %1 ms after the "
                                          "command, %2 pages")
                               .arg(timer.elapsed())
                               .arg(preview->view()->pageCount()));
        }
        delete preview;
    }
    bench::addMs("list_preview_first_page_100k", median(times));
    bench::addMs("list_preview_event_wait_100k", median(waits));
}

}  // namespace

BENCHMARK(BM_list_pdf_5k_ours)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_list_pdf_5k_bare)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    registerFontSubstitutions();
    bench::addRatio("list_pdf_5k", "BM_list_pdf_5k_ours", "BM_list_pdf_5k_bare");
    firstPreviewPage(3);
    bench::addMs("list_pdf_5k", "BM_list_pdf_5k_ours");
    const int result = bench::runBenchmarks(argc, argv);
    pdfList.reset();
    return result;
}
