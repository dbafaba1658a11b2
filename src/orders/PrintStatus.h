#pragma once

#include <QString>

namespace kx {

// The print-status values the program writes; only "已打印" is ever tested.
inline const QString printedStatus = QStringLiteral("已打印");
inline const QString notPrintedStatus = QStringLiteral("未打印");

}  // namespace kx
