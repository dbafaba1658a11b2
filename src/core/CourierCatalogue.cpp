#include "core/CourierCatalogue.h"

namespace kx {

namespace {

struct MenuEntry {
    const char* code;
    const char* caption;
    const char* listName;
};

constexpr MenuEntry menu[CourierCatalogue::menuCount] = {
    {"STO", "申通快递打印 (STO)", "申通快递"},
    {"YTO", "圆通速递打印 (YTO)", "圆通速递"},
    {"ZTO", "中通速递打印 (ZTO)", "中通速递"},
    {"SF", "顺丰速运打印 (SF)", "顺丰速运"},
    {"YUNDA", "韵达快运打印 (YUNDA)", "韵达快运"},
    {"TTK", "天天快递打印 (TTK)", "天天快递"},
    {"ZJS", "宅急送打印 (ZJS)", ""},
    {"汇通", "汇通快运打印", "汇通快运"},
    {"EMS", "邮政特快专递 (EMS)", "EMS邮政快递"},
};

const MenuEntry& entry(int courier)
{
    return menu[courier >= 0 && courier < CourierCatalogue::menuCount ? courier : 0];
}

}  // namespace

const QStringList& CourierCatalogue::courierList()
{
    static const QStringList list = {
        QStringLiteral("EMS邮政快递"), QStringLiteral("申通快递"), QStringLiteral("圆通速递"),
        QStringLiteral("顺丰速运"),    QStringLiteral("韵达快运"), QStringLiteral("汇通快运"),
        QStringLiteral("中通速递"),    QStringLiteral("天天快递"),
    };
    return list;
}

QString CourierCatalogue::menuCaption(int courier)
{
    return QString::fromUtf8(entry(courier).caption);
}

QString CourierCatalogue::code(int courier)
{
    return QString::fromUtf8(entry(courier).code);
}

QString CourierCatalogue::listName(int courier)
{
    return QString::fromUtf8(entry(courier).listName);
}

bool CourierCatalogue::separatorBefore(int courier)
{
    return courier == SF || courier == EMS;
}

}  // namespace kx
