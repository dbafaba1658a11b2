#pragma once

#include <QStringList>

namespace kx {

// The couriers offered by the courier drop-down boxes, in the order they are
// listed. Kept in one place so every box shows the same names.
inline const QStringList courierList = {
    QStringLiteral("EMS邮政快递"), QStringLiteral("申通快递"), QStringLiteral("圆通速递"),
    QStringLiteral("顺丰速运"),   QStringLiteral("韵达快运"), QStringLiteral("汇通快运"),
    QStringLiteral("中通速递"),   QStringLiteral("天天快递"),
};

// The print-status values the program writes and tests.
inline const QString printedStatus = QStringLiteral("已打印");
inline const QString notPrintedStatus = QStringLiteral("未打印");

}  // namespace kx
