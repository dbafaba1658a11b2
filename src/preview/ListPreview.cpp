#include "preview/ListPreview.h"

#include "platform/Platform.h"
#include "report/EventPump.h"
#include "report/ListJob.h"
#include "preview/ListPageSetupDialog.h"
#include "report/ListReport.h"
#include "preview/ReportPageView.h"
#include "report/ReportRenderer.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPagedPaintDevice>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

namespace kx {

namespace {

QPushButton* button(const QString& caption, const char* name, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setFocusPolicy(Qt::NoFocus);
    b->setMinimumWidth(80);
    return b;
}

QSizeF paperOf(const QPrinter& printer)
{
    return printer.pageLayout().fullRect(QPageLayout::Millimeter).size();
}

// The factors of the first choices of "缩放"; the two after them fit the
// page's width and the whole page into the window.
constexpr double zoomFactors[] = {5.0, 2.0, 1.5, 1.0, 0.75, 0.5, 0.25, 0.1};
constexpr int pageWidthChoice = 8;
constexpr int wholePageChoice = 9;

}  // namespace

const QStringList ListPreview::zoomChoices = {
    QStringLiteral("500%"), QStringLiteral("200%"), QStringLiteral("150%"), QStringLiteral("100%"),
    QStringLiteral("75%"),  QStringLiteral("50%"),  QStringLiteral("25%"),  QStringLiteral("10%"),
    QStringLiteral("页宽度"), QStringLiteral("全部页面")};

ListPreview::ListPreview(std::shared_ptr<const ListReport> report, const ListPrintOptions& options,
                         std::shared_ptr<QPrinter> printer, const Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_report(std::move(report)),
      m_options(options),
      m_printer(std::move(printer)),
      m_platform(platform),
      m_chunk(std::numeric_limits<int>::max())
{
    setObjectName(QStringLiteral("ListPreview"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Preview"));
    setWindowState(Qt::WindowMaximized);

    printButton = button(QStringLiteral("打印"), "printButton", this);
    setupButton = button(QStringLiteral(" 打印设置"), "setupButton", this);
    auto* zoomLabel = new QLabel(QStringLiteral("缩放"), this);
    zoomBox = new QComboBox(this);
    zoomBox->setObjectName(QStringLiteral("zoomBox"));
    zoomBox->setFocusPolicy(Qt::NoFocus);
    zoomBox->addItems(zoomChoices);
    zoomBox->setCurrentIndex(wholePageChoice);
    zoomLabel->setBuddy(zoomBox);
    previousButton = button(QStringLiteral("上一页"), "previousButton", this);
    nextButton = button(QStringLiteral("下一页"), "nextButton", this);
    stopButton = button(QStringLiteral("停止"), "stopButton", this);
    closeButton = button(QStringLiteral("关闭"), "closeButton", this);
    pageLabel = new QLabel(this);
    pageLabel->setObjectName(QStringLiteral("pageLabel"));

    auto* bar = new QHBoxLayout;
    bar->setSpacing(4);
    bar->addWidget(printButton);
    bar->addWidget(setupButton);
    bar->addSpacing(8);
    bar->addWidget(zoomLabel);
    bar->addWidget(zoomBox);
    bar->addSpacing(8);
    bar->addWidget(previousButton);
    bar->addWidget(nextButton);
    bar->addWidget(stopButton);
    bar->addWidget(closeButton);
    bar->addSpacing(12);
    bar->addWidget(pageLabel);
    bar->addStretch(1);

    m_job = newJob();
    m_view = new ReportPageView(std::static_pointer_cast<PageSource>(m_job), m_printer.get(), this);
    m_view->setObjectName(QStringLiteral("previewPages"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(m_view, 1);

    connect(printButton, &QPushButton::clicked, this, &ListPreview::print);
    connect(setupButton, &QPushButton::clicked, this, &ListPreview::pageSetup);
    connect(zoomBox, &QComboBox::currentIndexChanged, this, &ListPreview::applyZoom);
    connect(previousButton, &QPushButton::clicked, this, [this] { showPage(m_view->currentPage() - 1); });
    connect(nextButton, &QPushButton::clicked, this, [this] { showPage(m_view->currentPage() + 1); });
    connect(stopButton, &QPushButton::clicked, this, &ListPreview::stop);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    m_generation = new QTimer(this);
    m_generation->setInterval(0);
    connect(m_generation, &QTimer::timeout, this, &ListPreview::generateMore);
    applyZoom(wholePageChoice);
    startLayout();
}

ListPreview::~ListPreview() = default;

bool ListPreview::isGenerating() const
{
    return m_generation->isActive();
}

void ListPreview::setOptions(const ListPrintOptions& options)
{
    if (options == m_options)
        return;
    m_options = options;
    relayOut();
    emit optionsChanged(m_options);
}

// The first page is laid out before it is shown, the rest from the event loop.
std::shared_ptr<ListJob> ListPreview::newJob() const
{
    auto job = std::make_shared<ListJob>(m_report, m_options, paperOf(*m_printer));
    job->hasPage(0);
    return job;
}

void ListPreview::relayOut()
{
    m_job = newJob();
    m_view->setPages(m_job);
    startLayout();
}

void ListPreview::startLayout()
{
    const bool more = !m_job->isComplete();
    stopButton->setEnabled(more);
    if (more)
        m_generation->start();
    else
        m_generation->stop();
    updatePageLabel();
}

void ListPreview::generateMore()
{
    // Back to the event loop as soon as the pump says events are due.
    const EventPump pump;
    const bool done = m_job->layOutMore(m_chunk, [&pump] { return pump.due(); });
    m_view->pagesAdded();
    if (done) {
        m_generation->stop();
        stopButton->setEnabled(false);
    }
    updatePageLabel();
    if (done)
        emit generated();
}

void ListPreview::stop()
{
    if (!isGenerating())
        return;
    m_job->stop();
    m_generation->stop();
    stopButton->setEnabled(false);
    m_view->pagesAdded();
    updatePageLabel();
    emit generated();
}

void ListPreview::updatePageLabel()
{
    QString text = QStringLiteral("共 %1 页").arg(m_job->pageCount());
    if (m_job->isStopped())
        text += QStringLiteral("（已停止）");
    else if (!m_job->isComplete())
        text += QStringLiteral("（排版中）");
    pageLabel->setText(text);
}

void ListPreview::applyZoom(int choice)
{
    if (choice == pageWidthChoice) {
        m_view->setZoomMode(QPrintPreviewWidget::FitToWidth);
    } else if (choice == wholePageChoice) {
        m_view->setZoomMode(QPrintPreviewWidget::FitInView);
    } else if (choice >= 0 && choice < pageWidthChoice) {
        m_view->setZoomMode(QPrintPreviewWidget::CustomZoom);
        m_view->setZoomFactor(zoomFactors[choice]);
    }
}

void ListPreview::showPage(int page)
{
    if (page >= 1 && page <= m_view->pageCount())
        m_view->setCurrentPage(page);
}

void ListPreview::pageSetup()
{
    QWidget* owner = this;
    ListPageSetupDialog dialog(
        m_options, [this, &owner] { return m_platform.dialogs.printerSetup(owner, m_printer.get()); }, this);
    owner = &dialog;
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    if (confirmed && dialog.options() != m_options)
        setOptions(dialog.options());
    else if (dialog.printerChanged())
        relayOut();  // the pages follow the printer's paper
}

void ListPreview::print()
{
    const std::shared_ptr<ListJob> job = m_job;
    const std::shared_ptr<const ListReport> report = m_report;
    const ListPrintOptions options = m_options;
    // The page range chosen in the printer setup; the preview shows every page.
    const bool range = m_printer->printRange() == QPrinter::PageRange;
    const int from = range ? m_printer->fromPage() : 0;
    const int to = range ? m_printer->toPage() : 0;
    if (range && (from > to || !job->hasPage(from - 1))) {
        m_platform.dialogs.inform(this, QStringLiteral("所选页码不在本次打印任务中，未打印。"));
        return;
    }
    // The report places everything from the paper's edge: the printer's
    // origin must be there too, not at its printable area.
    m_printer->setFullPage(true);
    m_platform.guard(this, [&] {
        m_platform.dialogs.print(m_printer.get(), [&](QPagedPaintDevice* device) {
            // Paper other than the preview's gets a layout of its own.
            const QSizeF paper = device->pageLayout().fullRect(QPageLayout::Millimeter).size();
            if (std::abs(paper.width() - job->paper().width()) < 0.01 &&
                std::abs(paper.height() - job->paper().height()) < 0.01) {
                ReportRenderer::render(*job, device, from, to);
            } else {
                ListJob own(report, options, paper);
                ReportRenderer::render(own, device, from, to);
            }
        });
    });
    updatePageLabel();
}

}  // namespace kx
