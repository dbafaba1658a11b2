#include "import/CellTextBudget.h"

#include "core/OperationError.h"

#include <QString>

namespace kx {

void CellTextBudget::refuse()
{
    throw OperationError(QStringLiteral("The workbook holds more than %1 MB of cell text, far more than any order report;"
                                        " it is refused.")
                             .arg(Limit / (1024 * 1024)));
}

}  // namespace kx
