#include "widgets/ColumnFit.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace kx {

QList<int> fitColumnWidths(const QList<int>& weights, const QList<bool>& visible, int total)
{
    const qsizetype n = weights.size();
    QList<int> widths(n, 0);
    qint64 weightSum = 0;
    for (qsizetype i = 0; i < n; ++i)
        if (i < visible.size() && visible.at(i))
            weightSum += std::max(1, weights.at(i));
    if (weightSum == 0 || total <= 0)
        return widths;

    std::vector<std::pair<qint64, qsizetype>> remainders;  // (fraction, column)
    int used = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (i >= visible.size() || !visible.at(i))
            continue;
        const qint64 share = qint64(std::max(1, weights.at(i))) * total;
        widths[i] = int(share / weightSum);
        used += widths[i];
        remainders.push_back({share % weightSum, i});
    }
    std::stable_sort(remainders.begin(), remainders.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    for (size_t k = 0; used < total && k < remainders.size(); ++k, ++used)
        ++widths[remainders[k].second];
    return widths;
}

}  // namespace kx
