#pragma once

#include "report/ListFlow.h"
#include "report/ListPrintOptions.h"
#include "report/ListReport.h"
#include "report/PageSource.h"
#include "report/PaintItem.h"
#include "report/ReportElement.h"

#include <QSizeF>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace kx {

class ReportLayouter;

// A list report laid out on paper: the page header on every page, the lines
// before the table, the table's titles (repeated at the top of every page
// the table runs on), one band per row growing to show its cells' texts,
// the footer row, and the lines after the table.
//
// Bands are laid out and placed in order, a few at a time (layOutMore), so a
// long list shows its first pages while the rest follows; a page asked for
// before its turn is laid out on the spot. Only the height and place of each
// band are kept for good: the pages' paint items are kept while they fit a
// budget and laid out again from the rows when a dropped page is painted.
class ListJob : public PageSource {
public:
    ListJob(std::shared_ptr<const ListReport> report, const ListPrintOptions& options, const QSizeF& paperMm);
    ~ListJob() override;
    ListJob(const ListJob&) = delete;
    ListJob& operator=(const ListJob&) = delete;

    const ListReport& report() const { return *m_report; }
    const ListPrintOptions& options() const { return m_options; }
    QSizeF paper() const { return m_paper; }

    // Lays out up to `count` more bands, stopping early once `enough` says
    // so (asked after each band). True when the job is complete.
    bool layOutMore(int count, const std::function<bool()>& enough = {});
    // Ends the layout where it stands: the pages laid out so far, the last of
    // them as far as it got, are the whole job.
    void stop();
    bool isStopped() const { return m_stopped; }
    int bandCount() const { return m_bandCount; }
    int placedCount() const { return m_next; }

    // The height of a table row's band, in millimetres; the row must be placed.
    double rowHeightMm(int row) const;
    // The widths the table's columns print with, in millimetres.
    const std::vector<double>& columnWidthsMm() const { return m_colW; }
    // The paint items of a page (0-based): millimetres from the left margin
    // and from the paper's top edge.
    const std::vector<PaintItem>& pageItems(int page);
    const std::vector<ReportFont>& fonts() const;
    // How many paint items the kept pages may hold together.
    void setCacheBudget(size_t items) { m_budget = items; }

    // PageSource
    void setPaper(const QSizeF& paperMm) override;
    int pageCount() const override;
    bool isComplete() const override { return m_stopped || m_next == m_bandCount; }
    bool hasPage(int page) override;
    void paintPage(QPainter& painter, int page, double dotsPerMmX, double dotsPerMmY) override;

private:
    enum class Kind { Before, Titles, Row, Footer, After };
    Kind kindOf(int band, int& index) const;

    void prepare();
    std::vector<double> fittedWidths() const;
    void placeNext();
    void finishOpenPage();
    double layOutBand(int band, std::vector<PaintItem>& out);
    double layOutLine(const ReportElement& element, const QString& text, std::vector<PaintItem>& out);
    double layOutTitles(std::vector<PaintItem>& out);
    double layOutRow(int row, std::vector<PaintItem>& out);
    double layOutFooter(std::vector<PaintItem>& out);
    // Lays a cell's text out in `width` mm from `x` mm, returning its lines.
    int layOutCell(ReportElement& element, const QString& text, double x, double width, std::vector<PaintItem>& out);
    void finishPage(int page, std::vector<PaintItem>& items);
    std::vector<PaintItem> layOutPage(int page);
    void fill(std::vector<PaintItem>& out, const QRectF& mm, const QColor& colour) const;
    void rule(std::vector<PaintItem>& out, const QRectF& mm) const;
    void verticalRule(std::vector<PaintItem>& out, double x, double top, double height) const;
    void keep(int page, std::vector<PaintItem>&& items, bool evict);

    std::shared_ptr<const ListReport> m_report;
    ListPrintOptions m_options;
    QSizeF m_paper;
    std::unique_ptr<ReportLayouter> m_layouter;

    // Geometry for the paper, in millimetres unless named otherwise.
    double m_contentWidth = 0;
    std::vector<double> m_colX;
    std::vector<double> m_colW;
    double m_tableWidth = 0;
    double m_padX = 0, m_padY = 0, m_rule = 0;
    double m_cellLine = 0;  // one line of a cell
    double m_headerHeight = 0;
    ReportElement m_cell;  // a table cell: face, sizing, spacing
    ReportElement m_header;
    std::vector<ReportElement> m_before, m_after;
    std::vector<PaintItem> m_titleItems;
    double m_titleHeight = 0;

    // Placement.
    int m_bandCount = 0;
    int m_rows = 0;
    int m_next = 0;  // the next band to place
    bool m_stopped = false;
    std::optional<ListFlow> m_flow;
    std::vector<float> m_top;     // per band, from the paper's top
    std::vector<float> m_height;  // per band
    std::vector<int> m_pageStart;  // each page's first band
    int m_finished = 0;            // pages whose last band is known
    std::vector<PaintItem> m_open;     // the items of the page being filled
    std::vector<PaintItem> m_scratch;
    struct CellSpan {
        size_t from, to;  // a cell's items
        int lines;
    };
    std::vector<CellSpan> m_cellSpans;

    // Pages' items kept for painting, least recently used dropped first.
    struct Kept {
        std::vector<PaintItem> items;
        quint64 used = 0;
    };
    std::unordered_map<int, Kept> m_kept;
    size_t m_keptItems = 0;
    size_t m_budget = 200000;  // some 25 MB
    quint64 m_clock = 0;
};

}  // namespace kx
