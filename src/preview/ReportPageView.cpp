#include "preview/ReportPageView.h"

#include "report/BandPages.h"
#include "report/PageSource.h"
#include "report/ReportJob.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace kx {

namespace {

constexpr double gap = 10;  // pixels around and between the pages

}  // namespace

ReportPageView::ReportPageView(std::shared_ptr<ReportJob> job, QPrinter* printer, QWidget* parent)
    : ReportPageView(std::make_shared<BandPages>(std::move(job)), printer, parent)
{
}

ReportPageView::ReportPageView(std::shared_ptr<PageSource> pages, QPrinter* printer, QWidget* parent)
    : QAbstractScrollArea(parent), m_pages(std::move(pages)), m_printer(printer)
{
    QPalette desk = viewport()->palette();
    desk.setColor(QPalette::Window, Qt::gray);
    viewport()->setPalette(desk);
    viewport()->setBackgroundRole(QPalette::Window);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setSingleStep(20);
    updatePreview();
}

ReportPageView::~ReportPageView() = default;

int ReportPageView::pageCount() const
{
    return m_pages->pageCount();
}

void ReportPageView::setPages(std::shared_ptr<PageSource> pages)
{
    m_pages = std::move(pages);
    updatePreview();
}

void ReportPageView::updatePreview()
{
    m_paperMm = m_printer->pageLayout().fullRect(QPageLayout::Millimeter).size();
    m_pages->setPaper(m_paperMm);
    m_current = pageCount() > 0 ? std::clamp(m_current, 1, pageCount()) : 0;
    updateScrollBars();
    viewport()->update();
}

void ReportPageView::pagesAdded()
{
    const int before = m_shownPages;
    if (pageCount() == before)
        return;
    if (m_current == 0 && pageCount() > 0)
        m_current = 1;
    updateScrollBars(false);
    // Repaint only when a new page lies where the view looks.
    const double step = pageStep();
    const double firstNewTop = gap + before * step - verticalScrollBar()->value();
    if (before == 0 || firstNewTop < viewport()->height())
        viewport()->update();
}

QSizeF ReportPageView::paperPixels() const
{
    return {m_paperMm.width() * logicalDpiX() / 25.4, m_paperMm.height() * logicalDpiY() / 25.4};
}

double ReportPageView::zoomFactor() const
{
    const QSizeF paper = paperPixels();
    if (paper.isEmpty())
        return m_zoom;
    const QSize room = viewport()->size();
    const double width = (room.width() - 2 * gap) / paper.width();
    switch (m_zoomMode) {
    case QPrintPreviewWidget::FitToWidth:
        return std::max(0.01, width);
    case QPrintPreviewWidget::FitInView:
        return std::max(0.01, std::min(width, (room.height() - 2 * gap) / paper.height()));
    default:
        return m_zoom;
    }
}

void ReportPageView::setZoomMode(QPrintPreviewWidget::ZoomMode mode)
{
    const int page = m_current;
    m_zoomMode = mode;
    updateScrollBars();
    setCurrentPage(page);
}

void ReportPageView::setZoomFactor(double factor)
{
    const int page = m_current;
    m_zoom = factor;
    m_zoomMode = QPrintPreviewWidget::CustomZoom;
    updateScrollBars();
    setCurrentPage(page);
}

QSizeF ReportPageView::pageSize() const
{
    return paperPixels() * zoomFactor();
}

double ReportPageView::pageStep() const
{
    return pageSize().height() + gap;
}

QRectF ReportPageView::pageRect(int page) const
{
    const QSizeF size = pageSize();
    const double contentWidth = size.width() + 2 * gap;
    const double left = contentWidth < viewport()->width() ? (viewport()->width() - size.width()) / 2
                                                           : gap - horizontalScrollBar()->value();
    return {left, gap + page * pageStep() - verticalScrollBar()->value(), size.width(), size.height()};
}

void ReportPageView::updateScrollBars(bool repaint)
{
    const QSizeF size = pageSize();
    const QSize room = viewport()->size();
    const double height = gap + pageCount() * pageStep();
    m_scrolling = true;
    verticalScrollBar()->setRange(0, std::max(0, int(std::ceil(height)) - room.height()));
    verticalScrollBar()->setPageStep(room.height());
    horizontalScrollBar()->setRange(0, std::max(0, int(std::ceil(size.width() + 2 * gap)) - room.width()));
    horizontalScrollBar()->setPageStep(room.width());
    m_scrolling = false;
    m_shownPages = pageCount();
    if (repaint)
        viewport()->update();
}

void ReportPageView::setCurrentPage(int page)
{
    if (page < 1 || page > pageCount())
        return;
    m_current = page;
    m_scrolling = true;
    verticalScrollBar()->setValue(int(std::lround((page - 1) * pageStep())));
    m_scrolling = false;
    viewport()->update();
}

int ReportPageView::pageInSight() const
{
    // The page covering most of the view; the first of equals.
    const double step = pageStep();
    if (step <= 0 || pageCount() == 0)
        return m_current;
    const int top = verticalScrollBar()->value();
    const int bottom = top + viewport()->height();
    int best = m_current;
    double most = -1;
    for (int p = std::max(0, int((top - gap) / step)); p < pageCount(); ++p) {
        const double pageTop = gap + p * step;
        if (pageTop >= bottom)
            break;
        const double seen = std::min<double>(bottom, pageTop + pageSize().height()) - std::max<double>(top, pageTop);
        if (seen > most) {
            most = seen;
            best = p + 1;
        }
    }
    return best;
}

void ReportPageView::scrollContentsBy(int, int)
{
    if (!m_scrolling)
        m_current = pageInSight();
    viewport()->update();
}

void ReportPageView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    const int page = m_current;
    updateScrollBars();
    if (m_zoomMode != QPrintPreviewWidget::CustomZoom)
        setCurrentPage(page);
}

void ReportPageView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const double zoom = zoomFactor();
    const double kx = logicalDpiX() / 25.4, ky = logicalDpiY() / 25.4;
    const QRectF exposed = event->rect();
    const double step = pageStep();
    const int first = step > 0 ? std::max(0, int((verticalScrollBar()->value() - gap) / step)) : 0;
    for (int p = first; p < pageCount(); ++p) {
        const QRectF page = pageRect(p);
        if (page.top() > exposed.bottom())
            break;
        if (!page.intersects(exposed) && !page.translated(3, 3).intersects(exposed))
            continue;
        painter.fillRect(page.translated(3, 3), Qt::darkGray);
        painter.fillRect(page, Qt::white);
        painter.save();
        painter.setClipRect(page & exposed);
        painter.translate(page.topLeft());
        painter.scale(zoom, zoom);
        m_pages->paintPage(painter, p, kx, ky);
        painter.restore();
    }
}

}  // namespace kx
