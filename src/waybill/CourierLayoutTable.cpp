#include "waybill/CourierLayoutTable.h"

#include "core/CourierCatalogue.h"

#include <stdexcept>

namespace kx {

namespace {

struct Cell {
    int left;
    int top;
};
constexpr Cell none{-1, -1};

// sender name, sender mobile, sender address, sender name copy,
// recipient name, recipient mobile, recipient address
constexpr Cell table[CourierCatalogue::menuCount][waybillRoleCount] = {
    /* STO   */ {{94, 75}, {112, 205}, {88, 120}, {95, 325}, {452, 75}, {468, 205}, {448, 120}},
    /* YTO   */ {{103, 59}, {116, 184}, {102, 88}, {95, 325}, {462, 69}, {484, 183}, {457, 100}},
    /* ZTO   */ {{103, 67}, {116, 192}, {102, 104}, {79, 363}, {462, 69}, {484, 191}, {457, 106}},
    /* SF    */ {{67, 103}, {138, 186}, {66, 132}, {623, 251}, {70, 229}, {156, 328}, {65, 252}},
    /* YUNDA */ {{79, 51}, {116, 192}, {102, 80}, {279, 331}, {446, 181}, {612, 55}, {457, 82}},
    /* TTK   */ {{94, 75}, {112, 205}, {88, 120}, {95, 325}, {452, 75}, {468, 205}, {448, 120}},
    /* ZJS   */ {{95, 103}, {210, 194}, {82, 132}, none, {94, 237}, {212, 331}, {82, 268}},
    /* 汇通  */ {{95, 59}, {137, 189}, {110, 96}, {103, 315}, {462, 61}, {492, 187}, {465, 90}},
    /* EMS   */ {{87, 59}, {230, 62}, {94, 86}, {645, 151}, {88, 173}, {232, 174}, {89, 194}},
};

}  // namespace

std::optional<QPoint> CourierLayoutTable::position(int courier, WaybillRole role)
{
    if (courier < 0 || courier >= CourierCatalogue::menuCount)
        throw std::out_of_range("courier");
    const Cell c = table[courier][int(role)];
    if (c.left < 0)
        return std::nullopt;
    return QPoint(c.left, c.top);
}

void CourierLayoutTable::apply(ReportTemplate& report, int courier)
{
    for (int r = 0; r < waybillRoleCount; ++r) {
        const WaybillRole role = WaybillRole(r);
        const QString name = WaybillTemplates::elementFor(report, role);
        const std::optional<QPoint> at = position(courier, role);
        report.setVisible(name, at.has_value());
        if (at)
            report.setPosition(name, at->x(), at->y());
    }
    // Some forms print a mobile number inside an address box (SF, ZJS): the
    // address's lines end above it, so they never run into the number.
    for (WaybillRole address : {WaybillRole::SenderAddress, WaybillRole::RecipientAddress}) {
        ReportElement* box = report.element(WaybillTemplates::elementFor(report, address));
        if (!box)
            continue;
        box->fitHeightMm = 0;
        for (WaybillRole mobile : {WaybillRole::SenderMobile, WaybillRole::RecipientMobile}) {
            const std::optional<QPoint> at = position(courier, mobile);
            const std::optional<QPoint> boxAt = position(courier, address);
            if (!at || !boxAt)
                continue;
            const double height = usableHeightMm(*boxAt, box->widthMm, box->heightMm, *at);
            if (height < box->heightMm && (box->fitHeightMm == 0 || height < box->fitHeightMm))
                box->fitHeightMm = height;
        }
    }
}

double CourierLayoutTable::usableHeightMm(QPoint box, double widthMm, double heightMm, QPoint inside)
{
    const double left = box.x() * mmPerLayoutPixel, top = box.y() * mmPerLayoutPixel;
    const double x = inside.x() * mmPerLayoutPixel, y = inside.y() * mmPerLayoutPixel;
    if (x < left || x >= left + widthMm || y <= top || y >= top + heightMm)
        return heightMm;
    return y - top;
}

}  // namespace kx
