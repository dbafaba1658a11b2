#pragma once

#include <QString>
#include <QStringList>

namespace kx {

// The couriers the program knows: the 8-entry courier list offered by the
// courier combo boxes, and the 9-entry courier print menu (STO … EMS) whose
// index selects a waybill layout.
class CourierCatalogue {
public:
    // Print menu indices, in menu order.
    enum Courier { STO, YTO, ZTO, SF, YUNDA, TTK, ZJS, Huitong, EMS };
    static constexpr int menuCount = 9;

    // "EMS邮政快递", "申通快递", … "天天快递": the combo boxes' item list.
    static const QStringList& courierList();

    // The print menu entry's caption, e.g. "申通快递打印 (STO)".
    static QString menuCaption(int courier);
    // The code inside the caption ("STO" … "EMS"; "汇通" has none in its caption).
    static QString code(int courier);
    // The courier list's entry for a menu entry; empty for ZJS, which is not listed.
    static QString listName(int courier);
    // The menu has separators before SF and before EMS.
    static bool separatorBefore(int courier);
};

}  // namespace kx
