#pragma once

#include "report/PaintItem.h"
#include "report/ReportTemplate.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace kx {

class ReportLayouter;

// One print job, owned by its preview: a copy of the report as it stood when
// the job was made (texts, positions) and the rows it prints, so that nothing
// done afterwards — another print, a search, a sort, typing in the sender
// boxes — changes what the preview shows or what its "打印" sends.
//
// Bands are laid out in order, a few at a time (layOutMore) so that a long
// job can show its first page while the rest follows, and any band not laid
// out yet is laid out when it is asked for: a page shown or printed early
// looks the same as one shown once the whole job is done.
class ReportJob {
public:
    // Each row holds the texts of the report's bound fields, in the order of
    // ReportTemplate::boundFields(). No rows: the band prints once, its bound
    // texts empty.
    ReportJob(ReportTemplate report, std::vector<QStringList> rows);
    ~ReportJob();
    ReportJob(const ReportJob&) = delete;
    ReportJob& operator=(const ReportJob&) = delete;

    const ReportTemplate& report() const { return m_report; }
    const std::vector<QStringList>& rows() const { return m_rows; }
    int bandCount() const { return m_rows.empty() ? 1 : int(m_rows.size()); }

    // Lays out every band still to do. `betweenBands` runs after each band
    // (the caller lets pending window events through there).
    void layOut(const std::function<void()>& betweenBands = {});
    // Lays out up to `count` more bands, in order, stopping early once
    // `enough` says so (asked after each band). True when every band is done.
    bool layOutMore(int count, const std::function<bool()>& enough = {});
    bool isLaidOut() const { return m_laidOut == bandCount(); }
    int laidOutCount() const { return m_laidOut; }
    bool isBandLaidOut(int index) const { return m_done[size_t(index)] != 0; }

    // Items painted on every band besides the elements (the rules of a
    // calibration page); set before the first band is laid out.
    void setDecoration(std::vector<PaintItem> items) { m_decoration = std::move(items); }
    // How many of the bands laid out so far hold a text cut at its box.
    int cutBandCount() const { return m_cutBands; }

    // The paint items of a band, laid out now when still to do.
    const std::vector<PaintItem>& band(int index);
    // Every face the bands use, known from the start.
    const std::vector<ReportFont>& fonts() const;

private:
    void layOutBand(int index);

    ReportTemplate m_report;
    std::vector<QStringList> m_rows;
    std::unique_ptr<ReportLayouter> m_layouter;
    std::vector<std::vector<PaintItem>> m_plain;  // per element: a plain text's items, the same on every band
    std::vector<int> m_column;                     // per element: its bound field's place in a row, or -1
    size_t m_itemsPerBand = 0;
    std::vector<std::vector<PaintItem>> m_bands;
    std::vector<char> m_done;
    int m_laidOut = 0;
    int m_cutBands = 0;
    std::vector<PaintItem> m_decoration;
    int m_next = 0;  // no band before this one is still to do
};

}  // namespace kx
