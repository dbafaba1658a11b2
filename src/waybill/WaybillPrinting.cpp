#include "waybill/WaybillPrinting.h"

#include <QMenu>

namespace kx {

WaybillPrinting::WaybillPrinting(Tdmfm& dm, const Platform& platform, SenderPanel& sender, QWidget* owner)
    : QObject(owner), m_dm(dm), m_platform(platform), m_sender(sender), m_owner(owner)
{
}

void WaybillPrinting::fillCourierMenu(QMenu* menu, const std::function<void(int)>& chosen)
{
    const char* captions[] = {"申通快递打印 (STO)", "圆通速递打印 (YTO)", "中通速递打印 (ZTO)", nullptr,
                              "顺丰速运打印 (SF)",  "韵达快运打印 (YUNDA)", "天天快递打印 (TTK)",
                              "宅急送打印 (ZJS)",   "汇通快运打印",        nullptr,
                              "邮政特快专递 (EMS)"};
    int index = 0;
    for (const char* c : captions) {
        if (!c) {
            menu->addSeparator();
            continue;
        }
        const int courier = index++;
        QAction* a = menu->addAction(QString::fromUtf8(c));
        a->setEnabled(false);  // the print actions come with the waybill templates
        QObject::connect(a, &QAction::triggered, menu, [chosen, courier] { chosen(courier); });
    }
}

void WaybillPrinting::printSingle(int) {}
void WaybillPrinting::printBatch(int) {}

}  // namespace kx
