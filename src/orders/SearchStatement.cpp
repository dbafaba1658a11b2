#include "orders/SearchStatement.h"

#include <utility>

namespace kx {

SearchStatement SearchStatement::build(const SearchConditions& c)
{
    SearchStatement s;
    s.sql = QStringLiteral("select * from data ") + baseCondition;
    const std::pair<const char*, const QString*> order[] = {
        {"d", &c.courier}, {"a", &c.name},   {"c", &c.address},     {"j", &c.orderNumber},
        {"i", &c.member},  {"b", &c.mobile}, {"g", &c.printStatus},
    };
    for (const auto& [field, text] : order) {
        if (text->isEmpty())
            continue;
        s.sql += QStringLiteral(" and %1 like '%' || ? || '%'").arg(QLatin1String(field));
        s.params << *text;
    }
    return s;
}

}  // namespace kx
