#include "waybill/WaybillTemplates.h"

#include "data/Schema.h"

#include <array>
#include <cmath>

namespace kx {

namespace {

// The report engine keeps sizes in tenths of a millimetre.
double storedMm(int px)
{
    return std::round(px * mmPerLayoutPixel * 10.0) / 10.0;
}

ReportElement element(const char* name, int left, int top, int width, int height, int fontPixels,
                      ReportElement::Sizing sizing, const QString& caption, const QString& field = QString())
{
    ReportElement e;
    e.name = QString::fromLatin1(name);
    e.field = field;
    e.text = caption;
    e.left = left;
    e.top = top;
    e.widthMm = storedMm(width);
    e.heightMm = storedMm(height);
    e.fontPixels = fontPixels;
    e.bold = true;
    e.sizing = sizing;
    e.wordWrap = sizing == ReportElement::Sizing::FixedBox;
    // The boxes of the names and addresses are small: a long text is set
    // smaller until it fits rather than cut at the box's edge.
    e.shrinkToFit = sizing == ReportElement::Sizing::FixedBox;
    return e;
}

constexpr auto Fixed = ReportElement::Sizing::FixedBox;
constexpr auto Fit = ReportElement::Sizing::FitToText;

// Both forms print on the same stored A4 page and margins, one waybill per
// detail band.
void setPage(ReportTemplate& r)
{
    r.setStoredPageMm(QSizeF(210.0, 297.0));
    r.setMarginsMm(10.0, 8.0, 10.0, 10.0);
    r.setBandName(QStringLiteral("ColumnHeaderBand1"));
}

// The elements carrying the seven texts, in the order of WaybillRole.
void setRoles(ReportTemplate& r, const std::array<const char*, waybillRoleCount>& elements)
{
    for (int i = 0; i < waybillRoleCount; ++i)
        r.setRoleElement(i, QString::fromLatin1(elements[size_t(i)]));
}

const QString nameCaption = QStringLiteral("姓名");
const QString mobileCaption = QStringLiteral("手机");

}  // namespace

ReportTemplate WaybillTemplates::singleWaybill()
{
    ReportTemplate r(QStringLiteral("TForm8"), 403, 844);
    setPage(r);
    setRoles(r, {"QRLabel1", "QRLabel2", "QRRichText1", "QRLabel5", "QRLabel3", "QRLabel4", "QRRichText2"});
    r.addElement(element("QRLabel1", 95, 59, 62, 24, 19, Fixed, nameCaption));
    r.addElement(element("QRLabel2", 230, 62, 35, 20, 16, Fit, mobileCaption));
    ReportElement address = element("QRRichText1", 86, 88, 251, 73, 19, Fixed, QString());
    address.opaque = true;
    r.addElement(address);
    r.addElement(element("QRLabel5", 645, 151, 62, 24, 19, Fixed, nameCaption));
    r.addElement(element("QRLabel3", 86, 173, 41, 22, 19, Fit, nameCaption));
    r.addElement(element("QRLabel4", 232, 174, 35, 20, 16, Fit, mobileCaption));
    ReportElement recipientAddress = element("QRRichText2", 89, 194, 256, 77, 19, Fixed, QString());
    recipientAddress.opaque = true;
    r.addElement(recipientAddress);
    return r;
}

ReportTemplate WaybillTemplates::batchWaybill()
{
    ReportTemplate r(QStringLiteral("TForm9"), 435, 820);
    setPage(r);
    setRoles(r, {"QRLabel1", "QRLabel2", "QRRichText1", "QRLabel5", "QRDBText1", "QRDBText2", "QRDBRichText1"});
    r.addElement(element("QRLabel1", 95, 59, 62, 24, 19, Fixed, nameCaption));
    r.addElement(element("QRLabel2", 137, 189, 35, 20, 16, Fit, mobileCaption));
    ReportElement address = element("QRRichText1", 96, 96, 249, 77, 19, Fixed, QString());
    address.opaque = true;
    r.addElement(address);
    r.addElement(element("QRLabel5", 85, 263, 62, 24, 19, Fixed, nameCaption));
    // The bound texts are opaque on white, as the address boxes are.
    namespace column = schema::orderColumn;
    ReportElement name = element("QRDBText1", 464, 40, 12, 20, 19, Fit, QString(), column::recipientName);
    name.opaque = true;
    r.addElement(name);
    ReportElement mobile = element("QRDBText2", 504, 184, 10, 20, 16, Fit, QString(), column::recipientMobile);
    mobile.opaque = true;
    r.addElement(mobile);
    ReportElement recipientAddress =
        element("QRDBRichText1", 432, 80, 273, 77, 19, Fixed, QString(), column::recipientAddress);
    recipientAddress.opaque = true;
    r.addElement(recipientAddress);
    return r;
}

QString WaybillTemplates::elementFor(const ReportTemplate& report, WaybillRole role)
{
    return report.roleElement(int(role));
}

}  // namespace kx
