#pragma once

#include "report/ReportTemplate.h"

namespace kx {

// The seven texts of a waybill, in the order of the courier layout table.
enum class WaybillRole {
    SenderName,
    SenderMobile,
    SenderAddress,
    SenderNameCopy,
    RecipientName,
    RecipientMobile,
    RecipientAddress,
};
inline constexpr int waybillRoleCount = 7;

// The two waybill report templates with their design positions, sizes and
// fonts: TForm8 prints one order from texts set before printing; TForm9 takes
// the recipient texts from the fields a, b, c of each row it prints.
class WaybillTemplates {
public:
    static ReportTemplate singleWaybill();
    static ReportTemplate batchWaybill();

    // The element that carries a role on the template; throws for a template
    // that is not a waybill.
    static QString elementFor(const ReportTemplate& report, WaybillRole role);
};

}  // namespace kx
