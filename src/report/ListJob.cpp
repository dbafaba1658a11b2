#include "report/ListJob.h"

#include "report/ListColumnFit.h"
#include "report/PagePainter.h"
#include "report/ReportLayouter.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace kx {

namespace {

constexpr double pointsToPixels = 96.0 / 72.0;
// The room between a cell's text and its rules, in layout pixels at the
// face's own size: the grid's two-pixel cell margin.
constexpr double cellMarginPx = 2;
constexpr double ruleMm = 0.15;
// The page header's double rule: below the text, two rules this far apart,
// and room before what follows.
constexpr double headerGapMm = 0.6;
constexpr double doubleRuleMm = 0.6;
constexpr double headerSpaceMm = 2.5;

void shift(std::vector<PaintItem>& out, size_t from, double dx, double dy)
{
    for (size_t i = from; i < out.size(); ++i) {
        out[i].box.translate(dx, dy);
        out[i].baseline += QPointF(dx, dy);
    }
}

ReportElement lineElement(const ListTextLine& line, double widthMm)
{
    ReportElement e;
    e.name = QStringLiteral("ListLine");
    e.family = line.family;
    e.fontPixels = line.points * pointsToPixels;
    e.bold = line.bold;
    e.alignment = line.alignment;
    e.sizing = ReportElement::Sizing::Grow;
    e.spacing = ReportElement::LineSpacing::FontHeight;
    e.widthMm = std::max(0.0, widthMm);
    return e;
}

}  // namespace

ListJob::ListJob(std::shared_ptr<const ListReport> report, const ListPrintOptions& options, const QSizeF& paperMm)
    : m_report(std::move(report)), m_options(options), m_paper(paperMm), m_layouter(std::make_unique<ReportLayouter>())
{
    m_rows = m_report->rows ? m_report->rows->rowCount() : 0;
    m_bandCount = int(m_report->before.size()) + 1 + m_rows + 1 + int(m_report->after.size());
    prepare();
}

ListJob::~ListJob() = default;

const std::vector<ReportFont>& ListJob::fonts() const
{
    return m_layouter->fonts();
}

ListJob::Kind ListJob::kindOf(int band, int& index) const
{
    const int before = int(m_report->before.size());
    if (band < before) {
        index = band;
        return Kind::Before;
    }
    band -= before;
    if (band == 0)
        return Kind::Titles;
    if (band <= m_rows) {
        index = band - 1;
        return Kind::Row;
    }
    if (band == m_rows + 1)
        return Kind::Footer;
    index = band - m_rows - 2;
    return Kind::After;
}

std::vector<double> ListJob::fittedWidths() const
{
    std::vector<double> widths;
    for (const ListColumn& c : m_report->columns)
        widths.push_back(c.widthPx);
    if (!m_options.autoWidths)
        return widths;
    // Each column as wide as its widest text on one line: its lower title,
    // its cells and a footer text that has no room beside it.
    ReportElement cell = m_cell;
    cell.fontPixels = m_options.fontPoints * pointsToPixels;
    const double margins = 2 * cellMarginPx + 1;
    for (size_t c = 0; c < widths.size(); ++c) {
        const ListColumn& column = m_report->columns[c];
        double widest = m_layouter->textWidth(cell, column.lower);
        for (int r = 0; r < m_rows; ++r)
            widest = std::max(widest, m_layouter->textWidth(cell, m_report->rows->cell(r, int(c))));
        widths[c] = widest + margins;
    }
    return widths;
}

void ListJob::prepare()
{
    const double contentPx = (m_paper.width() - m_options.leftMm - m_options.rightMm) / mmPerLayoutPixel;
    m_contentWidth = std::max(0.0, contentPx * mmPerLayoutPixel);

    m_cell = ReportElement();
    m_cell.name = QStringLiteral("ListCell");
    m_cell.family = m_options.fontFamily;
    m_cell.bold = m_options.fontBold;
    m_cell.spacing = ReportElement::LineSpacing::FontHeight;
    m_cell.fontPixels = m_options.fontPoints * pointsToPixels;

    const ListColumnFit fit = ListColumnFit::fit(fittedWidths(), contentPx, m_options);
    m_cell.fontPixels *= fit.scale;
    m_padX = cellMarginPx * fit.scale * mmPerLayoutPixel;
    m_padY = cellMarginPx / 2 * fit.scale * mmPerLayoutPixel;
    m_rule = ruleMm;
    m_colX.clear();
    m_colW.clear();
    double x = 0;
    for (double w : fit.widths) {
        m_colX.push_back(x);
        m_colW.push_back(w * mmPerLayoutPixel);
        x += w * mmPerLayoutPixel;
    }
    m_tableWidth = x;
    if (m_options.growRows) {
        m_cell.sizing = ReportElement::Sizing::Grow;
    } else {
        // One line a row, cut at the cell's edge.
        m_cell.sizing = ReportElement::Sizing::FixedBox;
        m_cell.wordWrap = false;
    }
    m_cellLine = m_layouter->lineHeight(m_cell) * mmPerLayoutPixel;
    m_cell.heightMm = m_options.growRows ? 0 : m_cellLine;

    m_header = lineElement(m_report->pageHeader, m_contentWidth);
    m_headerHeight =
        m_layouter->lineHeight(m_header) * mmPerLayoutPixel + headerGapMm + doubleRuleMm + m_rule + headerSpaceMm;
    m_before.clear();
    m_after.clear();
    for (const ListTextLine& l : m_report->before)
        m_before.push_back(lineElement(l, m_contentWidth));
    for (const ListTextLine& l : m_report->after)
        m_after.push_back(lineElement(l, m_contentWidth));
    // Every face is known before the first page is painted.
    for (const ReportElement* e : {&m_cell, &m_header})
        m_layouter->font(*e);
    for (const auto* lines : {&m_before, &m_after})
        for (const ReportElement& e : *lines)
            m_layouter->font(e);

    m_titleItems.clear();
    m_titleHeight = layOutTitles(m_titleItems);

    m_flow.emplace(m_paper.height(), m_options.topMm, m_options.bottomMm, m_headerHeight);
    m_next = 0;
    m_stopped = false;
    m_top.assign(size_t(m_bandCount), 0);
    m_height.assign(size_t(m_bandCount), 0);
    m_pageStart.clear();
    m_finished = 0;
    m_open.clear();
    m_kept.clear();
    m_keptItems = 0;
}

void ListJob::setPaper(const QSizeF& paperMm)
{
    if (std::abs(paperMm.width() - m_paper.width()) < 0.01 && std::abs(paperMm.height() - m_paper.height()) < 0.01)
        return;
    m_paper = paperMm;
    prepare();
}

int ListJob::pageCount() const
{
    return m_finished;
}

double ListJob::rowHeightMm(int row) const
{
    return m_height[size_t(int(m_report->before.size()) + 1 + row)];
}

bool ListJob::layOutMore(int count, const std::function<bool()>& enough)
{
    for (int n = 0; n < count && !isComplete(); ++n) {
        placeNext();
        if (enough && enough())
            break;
    }
    return isComplete();
}

void ListJob::stop()
{
    if (isComplete())
        return;
    m_stopped = true;
    if (!m_pageStart.empty())
        finishOpenPage();
}

bool ListJob::hasPage(int page)
{
    while (page >= pageCount() && !isComplete())
        placeNext();
    return page >= 0 && page < pageCount();
}

void ListJob::placeNext()
{
    const int b = m_next;
    int index = 0;
    const Kind kind = kindOf(b, index);
    m_scratch.clear();
    const double height = layOutBand(b, m_scratch);
    // The titles never stand alone at a page's foot.
    const double keepMm = kind == Kind::Titles && m_rows > 0 ? m_cellLine + 2 * m_padY : 0;
    const BandPlacement placed = m_flow->next(height, keepMm);
    if (kind == Kind::Titles)
        m_flow->setRepeated(m_titleHeight);
    else if (kind == Kind::Footer)
        m_flow->setRepeated(0);

    if (placed.page >= int(m_pageStart.size())) {
        if (!m_pageStart.empty())
            finishOpenPage();
        m_pageStart.push_back(b);
    }
    m_top[size_t(b)] = float(placed.topMm);
    m_height[size_t(b)] = float(height);
    shift(m_scratch, 0, 0, placed.topMm);
    m_open.insert(m_open.end(), std::make_move_iterator(m_scratch.begin()), std::make_move_iterator(m_scratch.end()));
    ++m_next;
    if (m_next == m_bandCount)
        finishOpenPage();
}

void ListJob::finishOpenPage()
{
    const int page = m_finished;
    finishPage(page, m_open);
    ++m_finished;
    // Kept while they fit; a page dropped now is laid out again when painted.
    if (m_keptItems + m_open.size() <= m_budget)
        keep(page, std::move(m_open), false);
    m_open = std::vector<PaintItem>();
}

void ListJob::keep(int page, std::vector<PaintItem>&& items, bool evict)
{
    m_keptItems += items.size();
    Kept& k = m_kept[page];
    k.items = std::move(items);
    k.used = ++m_clock;
    while (evict && m_keptItems > m_budget && m_kept.size() > 1) {
        auto oldest = m_kept.end();
        for (auto it = m_kept.begin(); it != m_kept.end(); ++it)
            if (it->first != page && (oldest == m_kept.end() || it->second.used < oldest->second.used))
                oldest = it;
        if (oldest == m_kept.end())
            break;
        m_keptItems -= oldest->second.items.size();
        m_kept.erase(oldest);
    }
}

const std::vector<PaintItem>& ListJob::pageItems(int page)
{
    static const std::vector<PaintItem> none;
    if (!hasPage(page))
        return none;
    auto it = m_kept.find(page);
    if (it != m_kept.end()) {
        it->second.used = ++m_clock;
        return it->second.items;
    }
    keep(page, layOutPage(page), true);
    return m_kept[page].items;
}

std::vector<PaintItem> ListJob::layOutPage(int page)
{
    std::vector<PaintItem> items;
    const int first = m_pageStart[size_t(page)];
    const int end = page + 1 < int(m_pageStart.size()) ? m_pageStart[size_t(page + 1)] : m_next;
    for (int b = first; b < end; ++b) {
        const size_t from = items.size();
        layOutBand(b, items);
        shift(items, from, 0, m_top[size_t(b)]);
    }
    finishPage(page, items);
    return items;
}

void ListJob::finishPage(int page, std::vector<PaintItem>& items)
{
    // The page header: its number, centred, and the double rule under it.
    const size_t from = items.size();
    layOutLine(m_header, m_report->pageHeader.text.arg(page + 1), items);
    shift(items, from, 0, m_options.topMm);
    const double under = m_options.topMm + m_layouter->lineHeight(m_header) * mmPerLayoutPixel + headerGapMm;
    rule(items, QRectF(0, under, m_contentWidth, m_rule));
    rule(items, QRectF(0, under + doubleRuleMm, m_contentWidth, m_rule));

    if (m_flow->repeatsOn(page)) {
        const size_t titles = items.size();
        items.insert(items.end(), m_titleItems.begin(), m_titleItems.end());
        shift(items, titles, 0, m_flow->repeatedTop());
    }

    // The rules between the columns, down the rows of this page.
    const int first = m_pageStart[size_t(page)];
    const int end = page + 1 < int(m_pageStart.size()) ? m_pageStart[size_t(page + 1)] : m_next;
    double top = 1e9, bottom = -1e9;
    for (int b = first; b < end; ++b) {
        int index = 0;
        if (kindOf(b, index) != Kind::Row)
            continue;
        top = std::min(top, double(m_top[size_t(b)]));
        bottom = std::max(bottom, double(m_top[size_t(b)] + m_height[size_t(b)]));
    }
    if (bottom > top) {
        for (double x : m_colX)
            verticalRule(items, x, top, bottom - top);
        verticalRule(items, m_tableWidth, top, bottom - top);
    }
}

void ListJob::paintPage(QPainter& painter, int page, double dotsPerMmX, double dotsPerMmY)
{
    const std::vector<PaintItem>& items = pageItems(page);
    PagePainter paint(fonts(), painter, dotsPerMmX, dotsPerMmY);
    // Nothing prints far into the margins: a table wider than the page is
    // cut at the right one, a row taller than a page at the bottom one. The
    // table's own outer rules, a dot wide on a screen showing the page
    // small, stay inside.
    const double slack = 1;
    paint.setClip(QRectF(m_options.leftMm - slack, m_options.topMm - slack,
                         m_paper.width() - m_options.leftMm - m_options.rightMm + 2 * slack,
                         m_paper.height() - m_options.topMm - m_options.bottomMm + 2 * slack));
    paint.paint(items, m_options.leftMm, 0);
    paint.setClip(QRectF());
}

void ListJob::fill(std::vector<PaintItem>& out, const QRectF& mm, const QColor& colour) const
{
    PaintItem item;
    item.kind = PaintItem::Kind::Fill;
    item.box = mm;
    item.colour = colour.rgba();
    out.push_back(std::move(item));
}

void ListJob::rule(std::vector<PaintItem>& out, const QRectF& mm) const
{
    PaintItem item;
    item.kind = PaintItem::Kind::Rule;
    item.box = mm;
    item.colour = m_report->rules.rgba();
    out.push_back(std::move(item));
}

// A rule down at `x`: the table's outer rules lie inside its edges, the
// others on the line between two columns.
void ListJob::verticalRule(std::vector<PaintItem>& out, double x, double top, double height) const
{
    double left = x - m_rule / 2;
    if (x <= 0)
        left = 0;
    else if (x >= m_tableWidth - 1e-9)
        left = m_tableWidth - m_rule;
    rule(out, QRectF(left, top, m_rule, height));
}

double ListJob::layOutBand(int band, std::vector<PaintItem>& out)
{
    int index = 0;
    switch (kindOf(band, index)) {
    case Kind::Before:
        return layOutLine(m_before[size_t(index)], m_report->before[size_t(index)].text, out);
    case Kind::Titles:
        out.insert(out.end(), m_titleItems.begin(), m_titleItems.end());
        return m_titleHeight;
    case Kind::Row:
        return layOutRow(index, out);
    case Kind::Footer:
        return layOutFooter(out);
    case Kind::After:
        return layOutLine(m_after[size_t(index)], m_report->after[size_t(index)].text, out);
    }
    return 0;
}

// A line of text across the page; an empty one still takes a line.
double ListJob::layOutLine(const ReportElement& element, const QString& text, std::vector<PaintItem>& out)
{
    const int lines = m_layouter->layOut(element, text, out);
    return std::max(1, lines) * m_layouter->lineHeight(element) * mmPerLayoutPixel;
}

int ListJob::layOutCell(ReportElement& element, const QString& text, double x, double width,
                        std::vector<PaintItem>& out)
{
    const size_t from = out.size();
    element.widthMm = std::max(0.0, width - 2 * m_padX);
    const int lines = m_layouter->layOut(element, text, out);
    shift(out, from, x + m_padX, 0);
    return lines;
}

double ListJob::layOutTitles(std::vector<PaintItem>& out)
{
    const std::vector<ListColumn>& columns = m_report->columns;
    const int count = int(columns.size());
    ReportElement title = m_cell;
    title.alignment = Qt::AlignHCenter;
    const QRgb black = m_report->text.rgba();

    // The upper level: neighbours with the same upper title share a cell.
    struct Cell {
        int first, last;  // columns
        size_t from, to;  // its items
        int lines;
    };
    std::vector<Cell> upper, lower;
    std::vector<PaintItem> texts;
    for (int c = 0; c < count;) {
        int last = c;
        while (last + 1 < count && columns[size_t(last + 1)].upper == columns[size_t(c)].upper)
            ++last;
        const double x = m_colX[size_t(c)], width = m_colX[size_t(last)] + m_colW[size_t(last)] - x;
        title.colour = m_options.colour ? columns[size_t(c)].titleText.rgba() : black;
        const size_t from = texts.size();
        const int lines = layOutCell(title, columns[size_t(c)].upper, x, width, texts);
        upper.push_back({c, last, from, texts.size(), lines});
        c = last + 1;
    }
    for (int c = 0; c < count; ++c) {
        title.colour = m_options.colour ? columns[size_t(c)].titleText.rgba() : black;
        const size_t from = texts.size();
        const int lines = layOutCell(title, columns[size_t(c)].lower, m_colX[size_t(c)], m_colW[size_t(c)], texts);
        lower.push_back({c, c, from, texts.size(), lines});
    }
    auto levelLines = [](const std::vector<Cell>& cells) {
        int most = 1;
        for (const Cell& cell : cells)
            most = std::max(most, cell.lines);
        return most;
    };
    const double upperHeight = levelLines(upper) * m_cellLine + 2 * m_padY;
    const double lowerHeight = levelLines(lower) * m_cellLine + 2 * m_padY;
    auto place = [&](const std::vector<Cell>& cells, double top, double height) {
        for (const Cell& cell : cells) {
            const double dy = top + (height - cell.lines * m_cellLine) / 2;
            for (size_t i = cell.from; i < cell.to; ++i) {
                texts[i].box.translate(0, dy);
                texts[i].baseline += QPointF(0, dy);
            }
        }
    };
    place(upper, 0, upperHeight);
    place(lower, upperHeight, lowerHeight);

    if (m_options.colour) {
        for (const Cell& cell : upper) {
            const double x = m_colX[size_t(cell.first)];
            fill(out, QRectF(x, 0, m_colX[size_t(cell.last)] + m_colW[size_t(cell.last)] - x, upperHeight),
                 columns[size_t(cell.first)].titleBackground);
        }
        for (const Cell& cell : lower)
            fill(out, QRectF(m_colX[size_t(cell.first)], upperHeight, m_colW[size_t(cell.first)], lowerHeight),
                 columns[size_t(cell.first)].titleBackground);
    }
    const double height = upperHeight + lowerHeight;
    rule(out, QRectF(0, 0, m_tableWidth, m_rule));
    rule(out, QRectF(0, upperHeight - m_rule / 2, m_tableWidth, m_rule));
    rule(out, QRectF(0, height - m_rule, m_tableWidth, m_rule));
    for (const Cell& cell : upper)
        verticalRule(out, m_colX[size_t(cell.first)], 0, upperHeight);
    for (const Cell& cell : lower)
        verticalRule(out, m_colX[size_t(cell.first)], upperHeight, lowerHeight);
    verticalRule(out, m_tableWidth, 0, height);
    out.insert(out.end(), std::make_move_iterator(texts.begin()), std::make_move_iterator(texts.end()));
    return height;
}

double ListJob::layOutRow(int row, std::vector<PaintItem>& out)
{
    const TableText& table = *m_report->rows;
    ReportElement cell = m_cell;
    cell.colour = m_options.colour && table.style(row) == 1 ? m_report->markedText.rgba() : m_report->text.rgba();
    const size_t first = out.size();
    const QColor background = row % 2 == 0 ? m_report->oddRows : m_report->evenRows;
    const bool filled = m_options.colour && background != QColor(Qt::white);
    if (filled)
        fill(out, QRectF(), background);  // its height follows

    int most = 1;
    const int count = int(m_report->columns.size());
    m_cellSpans.clear();
    for (int c = 0; c < count; ++c) {
        cell.alignment = m_report->columns[size_t(c)].alignment;
        const size_t from = out.size();
        const int lines =
            layOutCell(cell, table.cell(row, c).toString(), m_colX[size_t(c)], m_colW[size_t(c)], out);
        m_cellSpans.push_back({from, out.size(), lines});
        most = std::max(most, lines);
    }
    // Each cell's lines in the middle of the row's height.
    const double height = most * m_cellLine + 2 * m_padY;
    for (const CellSpan& s : m_cellSpans) {
        const double dy = m_padY + (most - s.lines) * m_cellLine / 2;
        for (size_t i = s.from; i < s.to; ++i) {
            out[i].box.translate(0, dy);
            out[i].baseline += QPointF(0, dy);
        }
    }
    if (filled)
        out[first].box = QRectF(0, 0, m_tableWidth, height);
    rule(out, QRectF(0, height - m_rule, m_tableWidth, m_rule));
    return height;
}

double ListJob::layOutFooter(std::vector<PaintItem>& out)
{
    const std::vector<ListColumn>& columns = m_report->columns;
    const int count = int(columns.size());
    ReportElement cell = m_cell;
    cell.colour = m_report->text.rgba();
    const size_t first = out.size();
    if (m_options.colour)
        fill(out, QRectF(), m_report->footerBackground);

    // A text too wide for its cell runs on into the empty cells beside it,
    // as on the screen, and only then wraps.
    struct Span {
        double x, width;
        size_t from, to;
        int lines;
    };
    std::vector<Span> spans;
    int most = 1;
    for (int c = 0; c < count; ++c) {
        const ListColumn& column = columns[size_t(c)];
        if (column.footer.isEmpty())
            continue;
        const double own = m_colX[size_t(c)], ownWidth = m_colW[size_t(c)];
        const double needed = m_layouter->textWidth(cell, column.footer) * mmPerLayoutPixel + 2 * m_padX;
        double x = own, width = ownWidth;
        cell.alignment = column.footerAlignment;
        if (needed > ownWidth) {
            int left = c, right = c;
            while (left > 0 && columns[size_t(left - 1)].footer.isEmpty())
                --left;
            while (right + 1 < count && columns[size_t(right + 1)].footer.isEmpty())
                ++right;
            const double spanLeft = m_colX[size_t(left)];
            const double spanRight = m_colX[size_t(right)] + m_colW[size_t(right)];
            cell.alignment = Qt::AlignLeft;
            if (needed >= spanRight - spanLeft) {
                x = spanLeft;
                width = spanRight - spanLeft;
            } else {
                if (column.footerAlignment & Qt::AlignRight)
                    x = own + ownWidth - needed;
                else if (column.footerAlignment & Qt::AlignHCenter)
                    x = own + (ownWidth - needed) / 2;
                x = std::clamp(x, spanLeft, spanRight - needed);
                width = needed;
            }
        }
        const size_t from = out.size();
        const int lines = layOutCell(cell, column.footer, x, width, out);
        spans.push_back({x, width, from, out.size(), lines});
        most = std::max(most, lines);
    }
    const double height = most * m_cellLine + 2 * m_padY;
    for (const Span& s : spans) {
        const double dy = m_padY + (most - s.lines) * m_cellLine / 2;
        for (size_t i = s.from; i < s.to; ++i) {
            out[i].box.translate(0, dy);
            out[i].baseline += QPointF(0, dy);
        }
    }
    if (m_options.colour)
        out[first].box = QRectF(0, 0, m_tableWidth, height);
    // Rules between the cells, but not through a text that runs on.
    std::vector<double> edges = m_colX;
    edges.push_back(m_tableWidth);
    for (double x : edges) {
        const bool covered = std::any_of(spans.begin(), spans.end(), [&](const Span& s) {
            return x > s.x + 1e-6 && x < s.x + s.width - 1e-6;
        });
        if (!covered)
            verticalRule(out, x, 0, height);
    }
    rule(out, QRectF(0, height - m_rule, m_tableWidth, m_rule));
    return height;
}

}  // namespace kx
