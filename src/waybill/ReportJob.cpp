#include "waybill/ReportJob.h"

#include "waybill/ReportLayouter.h"

#include <algorithm>

namespace kx {

ReportJob::ReportJob(ReportTemplate report, std::vector<QStringList> rows)
    : m_report(std::move(report)), m_rows(std::move(rows))
{
}

void ReportJob::layOut(const std::function<void()>& betweenBands)
{
    ReportLayouter layouter;
    const std::vector<ReportElement>& elements = m_report.elements();
    const std::vector<QString> fields = m_report.boundFields();

    // The plain texts are the same on every band: lay them out once.
    std::vector<std::vector<PaintItem>> plain(elements.size());
    std::vector<int> column(elements.size(), -1);
    for (size_t i = 0; i < elements.size(); ++i) {
        const ReportElement& e = elements[i];
        if (e.field.isEmpty())
            layouter.layOut(e, e.text, plain[i]);
        else
            column[i] = int(std::find(fields.begin(), fields.end(), e.field) - fields.begin());
    }

    std::vector<std::vector<PaintItem>> bands;
    const int count = bandCount();
    bands.reserve(size_t(count));
    for (int b = 0; b < count; ++b) {
        std::vector<PaintItem> items;
        items.reserve(elements.size() + 4);
        for (size_t i = 0; i < elements.size(); ++i) {
            if (column[i] < 0) {
                items.insert(items.end(), plain[i].begin(), plain[i].end());
            } else {
                const QString text = m_rows.empty() ? QString() : m_rows[size_t(b)].value(column[i]);
                layouter.layOut(elements[i], text, items);
            }
        }
        bands.push_back(std::move(items));
        if (betweenBands)
            betweenBands();
    }
    m_bands = std::move(bands);
    m_fonts = layouter.fonts();
}

}  // namespace kx
