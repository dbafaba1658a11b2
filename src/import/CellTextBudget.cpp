#include "import/CellTextBudget.h"

#include "core/OperationError.h"

#include <QString>

namespace kx {

void CellTextBudget::refuse()
{
    throw OperationError(QStringLiteral("工作簿中的单元格文字超过 %1 MB，远超任何订单报表，已拒绝。")
                             .arg(Limit / (1024 * 1024)));
}

}  // namespace kx
