#include "data/SqlText.h"

namespace kx {

QString quoteIdentifier(const QString& name)
{
    if (!name.contains(u']'))
        return QLatin1Char('[') + name + QLatin1Char(']');
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

}  // namespace kx
