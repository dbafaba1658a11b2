#pragma once

#include "waybill/PaintItem.h"
#include "waybill/ReportTemplate.h"

#include <QStringList>
#include <functional>
#include <vector>

namespace kx {

// One print job, owned by its preview: a copy of the report as it stood when
// the job was made (texts, positions) and the rows it prints, so that nothing
// done afterwards — another print, a search, a sort, typing in the sender
// boxes — changes what the preview shows or what its "打印" sends.
class ReportJob {
public:
    // Each row holds the texts of the report's bound fields, in the order of
    // ReportTemplate::boundFields(). No rows: the band prints once, its bound
    // texts empty.
    ReportJob(ReportTemplate report, std::vector<QStringList> rows);

    const ReportTemplate& report() const { return m_report; }
    const std::vector<QStringList>& rows() const { return m_rows; }
    int bandCount() const { return m_rows.empty() ? 1 : int(m_rows.size()); }

    // Breaks every band's texts into lines. `betweenBands` runs after each
    // band (the caller lets pending window events through there).
    void layOut(const std::function<void()>& betweenBands = {});
    bool isLaidOut() const { return !m_bands.empty(); }

    const std::vector<PaintItem>& band(int index) const { return m_bands[size_t(index)]; }
    const std::vector<ReportFont>& fonts() const { return m_fonts; }

private:
    ReportTemplate m_report;
    std::vector<QStringList> m_rows;
    std::vector<std::vector<PaintItem>> m_bands;
    std::vector<ReportFont> m_fonts;
};

}  // namespace kx
