#pragma once

#include "report/PageFlow.h"
#include "report/PageSource.h"

#include <memory>
#include <vector>

namespace kx {

class ReportJob;

// The pages of a job of equal bands (the waybills): every band's place is
// known from the paper's length at once, and a band not laid out yet is laid
// out as its page is painted.
class BandPages : public PageSource {
public:
    explicit BandPages(std::shared_ptr<ReportJob> job);

    const std::vector<BandPlacement>& placements() const { return m_placements; }

    void setPaper(const QSizeF& paperMm) override;
    int pageCount() const override;
    bool isComplete() const override { return true; }
    bool hasPage(int page) override { return page >= 0 && page < pageCount(); }
    void paintPage(QPainter& painter, int page, double dotsPerMmX, double dotsPerMmY) override;

private:
    std::shared_ptr<ReportJob> m_job;
    std::vector<BandPlacement> m_placements;
};

}  // namespace kx
