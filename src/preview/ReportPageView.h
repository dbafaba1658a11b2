#pragma once

#include <QAbstractScrollArea>
#include <QPrintPreviewWidget>
#include <memory>

class QPrinter;

namespace kx {

class PageSource;
class ReportJob;

// The pages of a job on screen, one below the other on a grey desk, on the
// printer's paper. Only the pages in sight are painted, each when it comes
// into sight, so a job of many thousand pages opens at once and scrolls
// freely while its bands are still being laid out. Zooms like Qt's print
// preview: the whole page, the page's width, or a factor of its real size.
class ReportPageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    ReportPageView(std::shared_ptr<ReportJob> job, QPrinter* printer, QWidget* parent = nullptr);
    // Pages that are still being laid out: pagesAdded() shows the ones that
    // came since.
    ReportPageView(std::shared_ptr<PageSource> pages, QPrinter* printer, QWidget* parent = nullptr);
    ~ReportPageView() override;

    // Shows another report's pages, on the printer's paper.
    void setPages(std::shared_ptr<PageSource> pages);

    int pageCount() const;
    // 1-based; the page that fills most of the view.
    int currentPage() const { return m_current; }
    // Brings the page's top into sight.
    void setCurrentPage(int page);

    QPrintPreviewWidget::ZoomMode zoomMode() const { return m_zoomMode; }
    void setZoomMode(QPrintPreviewWidget::ZoomMode mode);
    // 1.0 shows the paper at its real size.
    double zoomFactor() const;
    void setZoomFactor(double factor);

    // Places the pages again on the printer's paper (after a printer setup).
    void updatePreview();
    // The source finished more pages: the scroll range grows, and the view
    // repaints only when one of them comes into sight.
    void pagesAdded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    QSizeF paperPixels() const;  // at 100 %
    QSizeF pageSize() const;     // at the zoom shown
    double pageStep() const;     // from one page's top to the next
    QRectF pageRect(int page) const;  // 0-based, in viewport pixels
    void updateScrollBars(bool repaint = true);
    int pageInSight() const;

    std::shared_ptr<PageSource> m_pages;
    QPrinter* m_printer;
    QSizeF m_paperMm;
    int m_shownPages = 0;  // the page count the scroll range was set for
    QPrintPreviewWidget::ZoomMode m_zoomMode = QPrintPreviewWidget::CustomZoom;
    double m_zoom = 1.0;
    int m_current = 0;
    bool m_scrolling = false;  // the view itself moves the scroll bars
};

}  // namespace kx
