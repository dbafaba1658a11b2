#include "orders/SearchStatement.h"

#include "data/SqlText.h"

#include <utility>

namespace kx {

SearchStatement SearchStatement::build(const SearchConditions& c)
{
    SearchStatement s;
    s.sql = QStringLiteral("select * from data ") + baseCondition;
    namespace column = schema::orderColumn;
    const std::pair<const QString&, const QString&> order[] = {
        {column::courier, c.courier},         {column::recipientName, c.name},
        {column::recipientAddress, c.address}, {column::orderNumber, c.orderNumber},
        {column::memberName, c.member},       {column::recipientMobile, c.mobile},
        {column::printStatus, c.printStatus},
    };
    for (const auto& [field, text] : order) {
        if (text.isEmpty())
            continue;
        s.sql += QStringLiteral(" and %1 like '%' || ? || '%' escape '%2'").arg(field, QString(likeEscape));
        s.params << likeLiteral(text);
        s.terms.emplace_back(field, text);
    }
    return s;
}

}  // namespace kx
