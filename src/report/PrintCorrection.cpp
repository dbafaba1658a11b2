#include "report/PrintCorrection.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace kx {

namespace {

double tenth(double v, double lo, double hi)
{
    return std::round(std::clamp(v, lo, hi) * 10.0) / 10.0;
}

}  // namespace

bool PrintCorrection::isIdentity() const
{
    return offsetXMm == 0.0 && offsetYMm == 0.0 && scaleXPercent == 100.0 && scaleYPercent == 100.0;
}

QPointF PrintCorrection::map(const QPointF& mm) const
{
    return {mm.x() * scaleXPercent / 100.0 + offsetXMm, mm.y() * scaleYPercent / 100.0 + offsetYMm};
}

QString PrintCorrection::toText() const
{
    auto n = [](double v) { return QString::number(v, 'f', 1); };
    return QStringLiteral("%1,%2,%3,%4").arg(n(offsetXMm), n(offsetYMm), n(scaleXPercent), n(scaleYPercent));
}

std::optional<PrintCorrection> PrintCorrection::fromText(const QString& text)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != 4)
        return std::nullopt;
    double v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts[i].trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(v[i]))
            return std::nullopt;
    }
    PrintCorrection c;
    c.offsetXMm = tenth(v[0], minOffsetMm, maxOffsetMm);
    c.offsetYMm = tenth(v[1], minOffsetMm, maxOffsetMm);
    c.scaleXPercent = tenth(v[2], minScalePercent, maxScalePercent);
    c.scaleYPercent = tenth(v[3], minScalePercent, maxScalePercent);
    return c;
}

}  // namespace kx
