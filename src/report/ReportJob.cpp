#include "report/ReportJob.h"

#include "report/ReportLayouter.h"

#include <algorithm>

namespace kx {

ReportJob::ReportJob(ReportTemplate report, std::vector<QStringList> rows)
    : m_report(std::move(report)), m_rows(std::move(rows)), m_layouter(std::make_unique<ReportLayouter>())
{
    const std::vector<ReportElement>& elements = m_report.elements();
    const std::vector<QString> fields = m_report.boundFields();

    // The plain texts are the same on every band: lay them out once. Every
    // face is known before the first band, so a renderer that picks its fonts
    // up front can draw bands laid out while it paints.
    m_plain.resize(elements.size());
    m_column.assign(elements.size(), -1);
    for (size_t i = 0; i < elements.size(); ++i) {
        const ReportElement& e = elements[i];
        if (e.field.isEmpty()) {
            m_layouter->layOut(e, e.text, m_plain[i]);
            m_itemsPerBand += m_plain[i].size();
        } else {
            m_column[i] = int(std::find(fields.begin(), fields.end(), e.field) - fields.begin());
            if (e.visible)
                m_layouter->font(e);
            m_itemsPerBand += 5;  // its background and a few lines
        }
    }
    m_bands.resize(size_t(bandCount()));
    m_done.assign(size_t(bandCount()), 0);
}

ReportJob::~ReportJob() = default;

const std::vector<ReportFont>& ReportJob::fonts() const
{
    return m_layouter->fonts();
}

void ReportJob::layOutBand(int b)
{
    const std::vector<ReportElement>& elements = m_report.elements();
    std::vector<PaintItem>& items = m_bands[size_t(b)];
    items.reserve(m_itemsPerBand);
    for (size_t i = 0; i < elements.size(); ++i) {
        if (m_column[i] < 0) {
            items.insert(items.end(), m_plain[i].begin(), m_plain[i].end());
        } else {
            const QString text = m_rows.empty() ? QString() : m_rows[size_t(b)].value(m_column[i]);
            m_layouter->layOut(elements[i], text, items);
        }
    }
    items.insert(items.end(), m_decoration.begin(), m_decoration.end());
    if (std::any_of(items.begin(), items.end(), [](const PaintItem& i) { return i.kind == PaintItem::Kind::CutMark; }))
        ++m_cutBands;
    m_done[size_t(b)] = 1;
    ++m_laidOut;
}

const std::vector<PaintItem>& ReportJob::band(int index)
{
    if (!m_done[size_t(index)])
        layOutBand(index);
    return m_bands[size_t(index)];
}

bool ReportJob::layOutMore(int count, const std::function<bool()>& enough)
{
    const int bands = bandCount();
    for (int n = 0; n < count; ++n) {
        while (m_next < bands && m_done[size_t(m_next)])
            ++m_next;
        if (m_next >= bands)
            break;
        layOutBand(m_next++);
        if (enough && enough())
            break;
    }
    return isLaidOut();
}

void ReportJob::layOut(const std::function<void()>& betweenBands)
{
    while (!layOutMore(1)) {
        if (betweenBands)
            betweenBands();
    }
}

}  // namespace kx
