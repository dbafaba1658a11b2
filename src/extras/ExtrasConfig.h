#pragma once

#include "platform/AppInfo.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kx {

// Everything the extras point at outside the program, in one place: the
// couriers' home pages of the web lookup (the update check's settings are in
// UpdateSettings). The maker's site and e-mail come from AppInfo, which the
// rest of the program shares.

// One picture of the web lookup window: the courier's name on its plate,
// the plate's colour and the home page it opens.
struct CourierSite {
    QString name;
    QString object;   // the picture's object name
    unsigned colour;  // 0xRRGGBB
    QString url;
};

// In the window's order: the upper row left to right, then the lower row.
// Every courier that serves its site over https is reached that way; the
// two left on http are not known to.
inline const QList<CourierSite>& courierSites()
{
    static const QList<CourierSite> sites{
        {QStringLiteral("EMS"), QStringLiteral("Image1"), 0x1f5fa8, QStringLiteral("https://www.ems.com.cn")},
        {QStringLiteral("申通快递"), QStringLiteral("Image7"), 0xd9822b, QStringLiteral("https://www.sto.cn")},
        {QStringLiteral("圆通速递"), QStringLiteral("Image11"), 0x5b3a8c, QStringLiteral("https://www.yto.net.cn")},
        {QStringLiteral("中通快递"), QStringLiteral("Image13"), 0x2a62b8, QStringLiteral("https://www.zto.com")},
        {QStringLiteral("宅急送"), QStringLiteral("Image12"), 0xc8322e, QStringLiteral("https://www.zjs.com.cn")},
        {QStringLiteral("顺丰速运"), QStringLiteral("Image8"), 0x2b2b2b, QStringLiteral("https://www.sf-express.com")},
        {QStringLiteral("韵达快递"), QStringLiteral("Image5"), 0xe0b020, QStringLiteral("https://www.yundaex.com")},
        {QStringLiteral("汇通快递"), QStringLiteral("Image9"), 0x2f8f4e, QStringLiteral("http://www.htky365.com")},
        {QStringLiteral("天天快递"), QStringLiteral("Image6"), 0x3d7ec9, QStringLiteral("http://www.ttkdex.com")},
    };
    return sites;
}

// The notice line of the about box.
inline const QString aboutNotice = QStringLiteral("本软件受著作权法保护，侵权必究。");

}  // namespace kx
