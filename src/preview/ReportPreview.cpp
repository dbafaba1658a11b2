#include "preview/ReportPreview.h"

#include "platform/Platform.h"
#include "report/EventPump.h"
#include "report/ReportJob.h"
#include "preview/ReportPageView.h"
#include "report/ReportRenderer.h"
#include "report/ScreenFit.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <limits>

namespace kx {

namespace {

QPushButton* button(const QString& caption, const char* name, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setFocusPolicy(Qt::NoFocus);
    b->setMinimumWidth(96);
    return b;
}

}  // namespace

ReportPreview::ReportPreview(std::shared_ptr<ReportJob> job, std::shared_ptr<QPrinter> printer,
                             const Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_job(std::move(job)),
      m_printer(std::move(printer)),
      m_platform(platform),
      m_chunk(std::numeric_limits<int>::max())
{
    setObjectName(QStringLiteral("QRPreview"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Report Preview : "));

    fitPageButton = button(QStringLiteral("正常"), "fitPageButton", this);
    fitWidthButton = button(QStringLiteral("满窗口显示"), "fitWidthButton", this);
    actualSizeButton = button(QStringLiteral("100%显示"), "actualSizeButton", this);
    previousButton = button(QStringLiteral("上一页"), "previousButton", this);
    nextButton = button(QStringLiteral("下一页"), "nextButton", this);
    setupButton = button(QStringLiteral("打印设置"), "setupButton", this);
    printButton = button(QStringLiteral("打印"), "printButton", this);
    closeButton = button(QStringLiteral("退出"), "closeButton", this);

    m_zoom = new QButtonGroup(this);
    m_zoom->setExclusive(true);
    for (QPushButton* b : {fitPageButton, fitWidthButton, actualSizeButton}) {
        b->setCheckable(true);
        m_zoom->addButton(b);
    }

    auto* bar = new QGridLayout;
    bar->setHorizontalSpacing(4);
    bar->setVerticalSpacing(4);
    const QList<QPushButton*> top = {fitPageButton, fitWidthButton, actualSizeButton, previousButton, nextButton};
    for (int i = 0; i < top.size(); ++i)
        bar->addWidget(top[i], 0, i);
    const QList<QPushButton*> bottom = {setupButton, printButton, closeButton};
    for (int i = 0; i < bottom.size(); ++i)
        bar->addWidget(bottom[i], 1, i);
    bar->setColumnStretch(top.size(), 1);

    m_view = new ReportPageView(m_job, m_printer.get(), this);
    m_view->setObjectName(QStringLiteral("previewPages"));

    statusLabel = new QLabel(this);
    statusLabel->setObjectName(QStringLiteral("previewStatus"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(m_view, 1);
    layout->addWidget(statusLabel);

    connect(fitPageButton, &QPushButton::clicked, this, [this] { m_view->setZoomMode(QPrintPreviewWidget::FitInView); });
    connect(fitWidthButton, &QPushButton::clicked, this,
            [this] { m_view->setZoomMode(QPrintPreviewWidget::FitToWidth); });
    connect(actualSizeButton, &QPushButton::clicked, this, [this] {
        m_view->setZoomMode(QPrintPreviewWidget::CustomZoom);
        m_view->setZoomFactor(1.0);
    });
    connect(previousButton, &QPushButton::clicked, this, [this] { showPage(m_view->currentPage() - 1); });
    connect(nextButton, &QPushButton::clicked, this, [this] { showPage(m_view->currentPage() + 1); });
    connect(setupButton, &QPushButton::clicked, this, &ReportPreview::printerSetup);
    connect(printButton, &QPushButton::clicked, this, &ReportPreview::print);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    actualSizeButton->setChecked(true);
    m_view->setZoomMode(QPrintPreviewWidget::CustomZoom);
    m_view->setZoomFactor(1.0);

    // Until the window manager has framed this window, its frame is taken to
    // be like the main window's.
    QMargins frame;
    if (parent && parent->window()->isVisible())
        frame = frameOf(parent->window());
    m_screen = parent ? parent->screen() : QWidget::screen();
    placeOnScreen(frame);

    // The rest of the job is laid out from the event loop, after the window
    // has had its first paint queued.
    m_generation = new QTimer(this);
    m_generation->setInterval(0);
    connect(m_generation, &QTimer::timeout, this, &ReportPreview::generateMore);
    if (!m_job->isLaidOut())
        m_generation->start();
    else
        updateStatus();
}

void ReportPreview::updateStatus()
{
    const int cut = m_job->cutBandCount();
    statusLabel->setText(cut == 0 ? QString()
                                  : QStringLiteral("共 %1 张运单有文字超出框外，打印时将被截断（屏幕上以红框标出）")
                                        .arg(cut));
}

ReportPreview::~ReportPreview() = default;

QMargins ReportPreview::frameOf(const QWidget* window)
{
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                    outer.bottom() - inner.bottom());
}

void ReportPreview::placeOnScreen(const QMargins& frame)
{
    if (!m_screen)
        return;
    setGeometry(fitOnScreen(QSize(1600, 1200), frame, m_screen->availableGeometry()));
}

bool ReportPreview::event(QEvent* event)
{
    // The real frame is known only once the window manager has put one
    // around the shown window; the window is placed again by it, once.
    if (!m_framed && isVisible() && windowHandle()) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Paint:
        case QEvent::WindowActivate: {
            const QMargins frame = windowHandle()->frameMargins();
            if (!frame.isNull()) {
                m_framed = true;
                QTimer::singleShot(0, this, [this, frame] {
                    if (!isMaximized() && !isFullScreen())
                        placeOnScreen(frame);
                });
            }
            break;
        }
        default:
            break;
        }
    }
    return QWidget::event(event);
}

bool ReportPreview::isGenerating() const
{
    return m_generation->isActive();
}

void ReportPreview::generateMore()
{
    // Back to the event loop as soon as the pump says events are due.
    const EventPump pump;
    if (m_job->layOutMore(m_chunk, [&pump] { return pump.due(); })) {
        m_generation->stop();
        updateStatus();
        emit generated();
    }
}

void ReportPreview::showPage(int page)
{
    if (page >= 1 && page <= m_view->pageCount())
        m_view->setCurrentPage(page);
}

void ReportPreview::printerSetup()
{
    if (m_platform.dialogs.printerSetup(this, m_printer.get()))
        m_view->updatePreview();
}

void ReportPreview::print()
{
    // What has not been laid out yet is laid out as it prints.
    const std::shared_ptr<ReportJob> job = m_job;
    // The page range chosen in the printer setup; the preview shows every page.
    const bool range = m_printer->printRange() == QPrinter::PageRange;
    const int from = range ? m_printer->fromPage() : 0;
    const int to = range ? m_printer->toPage() : 0;
    // A range beyond the job would still feed the printer a blank sheet, one
    // of the courier's forms. The range stays chosen for the next job.
    if (range && !ReportRenderer::hasPagesIn(*job, m_printer->pageLayout(), from, to)) {
        m_platform.dialogs.inform(this, QStringLiteral("所选页码不在本次打印任务中，未打印。"));
        return;
    }
    // The report places everything from the paper's edge: the printer's
    // origin must be there too, not at its printable area.
    m_printer->setFullPage(true);
    m_platform.guard(this, [&] {
        m_platform.dialogs.print(m_printer.get(), [job, from, to](QPagedPaintDevice* device) {
            ReportRenderer::render(*job, device, from, to);
        });
    });
}

}  // namespace kx
