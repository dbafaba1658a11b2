#pragma once

namespace kx {

// The order grid's columns, left to right. Column memory, the export and the
// rights rule address columns by these names.
enum GridColumn : int {
    NameColumn,         // a     收件人姓名
    MobileColumn,       // b     手机 (the footer's row count stands here)
    AddressColumn,      // c
    CourierColumn,      // d
    StatusColumn,       // g     print status
    PayDateColumn,      // day1
    ItemColumn,         // h
    QuantityColumn,     // 1
    AmountColumn,       // 2
    MemberColumn,       // i
    OrderNumberColumn,  // j
    RemarkColumn,       // z
    GridColumnCount
};

}  // namespace kx
