#include "report/ListColumnFit.h"

#include <numeric>

namespace kx {

ListColumnFit ListColumnFit::fit(const std::vector<double>& widths, double pageWidthPx,
                                 const ListPrintOptions& options)
{
    ListColumnFit out{widths, 1.0};
    const double total = std::accumulate(widths.begin(), widths.end(), 0.0);
    if (!options.fitToWidth || total <= 0 || pageWidthPx <= 0)
        return out;
    const double k = pageWidthPx / total;
    for (double& w : out.widths)
        w *= k;
    if (options.fit == ListPrintOptions::Fit::ScaleTable)
        out.scale = k;
    return out;
}

}  // namespace kx
