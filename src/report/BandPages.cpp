#include "report/BandPages.h"

#include "report/ReportJob.h"
#include "report/ReportRenderer.h"

namespace kx {

BandPages::BandPages(std::shared_ptr<ReportJob> job) : m_job(std::move(job)) {}

void BandPages::setPaper(const QSizeF& paperMm)
{
    m_placements = ReportRenderer::placements(*m_job, paperMm.height());
}

int BandPages::pageCount() const
{
    return ReportRenderer::pageCount(m_placements);
}

void BandPages::paintPage(QPainter& painter, int page, double dotsPerMmX, double dotsPerMmY)
{
    ReportRenderer::paintPage(*m_job, painter, m_placements, page, dotsPerMmX, dotsPerMmY);
}

}  // namespace kx
