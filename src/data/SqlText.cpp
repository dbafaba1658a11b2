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

QString likeLiteral(const QString& text)
{
    QString literal;
    literal.reserve(text.size());
    for (const QChar c : text) {
        if (c == likeEscape || c == u'%' || c == u'_')
            literal += likeEscape;
        literal += c;
    }
    return literal;
}

}  // namespace kx
