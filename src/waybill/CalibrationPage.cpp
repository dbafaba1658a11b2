#include "waybill/CalibrationPage.h"

#include "report/ReportJob.h"
#include "waybill/CourierLayoutTable.h"
#include "waybill/WaybillTemplates.h"

#include <cmath>

namespace kx {

namespace {

constexpr double line = 0.15;         // mm: the width of every rule
constexpr double smallFontPx = 8.0 * 96.0 / 72.0;   // 8 pt
constexpr double rulerFontPx = 6.0 * 96.0 / 72.0;   // 6 pt

PaintItem rule(double left, double top, double width, double height, bool fixed)
{
    PaintItem r;
    r.kind = PaintItem::Kind::Rule;
    r.box = QRectF(left, top, width, height);
    r.fixedOnPaper = fixed;
    return r;
}

ReportElement label(const QString& name, const QString& text, int left, int top, double fontPx, bool fixed)
{
    ReportElement e;
    e.name = name;
    e.text = text;
    e.left = left;
    e.top = top;
    e.heightMm = 4.0;
    e.fontPixels = fontPx;
    e.bold = false;
    e.sizing = ReportElement::Sizing::FitToText;
    e.wordWrap = false;
    e.fixedOnPaper = fixed;
    return e;
}

int pixels(double mm)
{
    return int(std::lround(mm / mmPerLayoutPixel));
}

}  // namespace

QString CalibrationPage::roleCaption(int role)
{
    static const char* const captions[waybillRoleCount] = {"寄件人姓名", "寄件人手机", "寄件人地址", "寄件人姓名(副本)",
                                                          "收件人姓名", "收件人手机", "收件人地址"};
    return QString::fromUtf8(captions[role]);
}

ReportTemplate CalibrationPage::report(int courier, const PrintCorrection& correction)
{
    const ReportTemplate form = [courier] {
        ReportTemplate t = WaybillTemplates::singleWaybill();
        CourierLayoutTable::apply(t, courier);
        return t;
    }();
    ReportTemplate page(QStringLiteral("Calibration"), form.bandHeightPx(), form.bandDesignWidthPx());
    page.setStoredPageMm(form.storedPageMm());
    page.setMarginsMm(form.topMarginMm(), form.bottomMarginMm(), form.leftMarginMm(), form.rightMarginMm());
    page.setBandName(form.bandName());
    page.setCorrection(correction);

    for (int r = 0; r < waybillRoleCount; ++r) {
        const ReportElement* e = form.element(WaybillTemplates::elementFor(form, WaybillRole(r)));
        if (!e || !e->visible)
            continue;
        page.addElement(label(QStringLiteral("box%1").arg(r), roleCaption(r), e->left, e->top, smallFontPx, false));
    }
    // The rulers' numbers: band coordinates start at the margins.
    const double left = form.leftMarginMm(), top = form.topMarginMm();
    for (int x = 10; x <= int(rulerEndXMm); x += 10)
        page.addElement(label(QStringLiteral("rx%1").arg(x), QString::number(x), pixels(x + 0.4 - left),
                              pixels(4.5 - top), rulerFontPx, true));
    for (int y = 10; y <= int(rulerEndYMm); y += 10)
        page.addElement(label(QStringLiteral("ry%1").arg(y), QString::number(y), pixels(4.5 - left),
                              pixels(y + 0.4 - top), rulerFontPx, true));
    for (double cx : crossXMm)
        for (double cy : crossYMm)
            page.addElement(label(QStringLiteral("c%1_%2").arg(cx).arg(cy), QStringLiteral("%1,%2").arg(cx).arg(cy),
                                  pixels(cx + 1.0 - left), pixels(cy + 1.0 - top), rulerFontPx, false));
    return page;
}

std::shared_ptr<ReportJob> CalibrationPage::job(int courier, const PrintCorrection& correction)
{
    ReportTemplate page = report(courier, correction);
    const ReportTemplate form = [courier] {
        ReportTemplate t = WaybillTemplates::singleWaybill();
        CourierLayoutTable::apply(t, courier);
        return t;
    }();
    const double left = form.leftMarginMm(), top = form.topMarginMm();

    std::vector<PaintItem> rules;
    // Box outlines, just outside each box; a box moves as one piece.
    for (int r = 0; r < waybillRoleCount; ++r) {
        const ReportElement* e = form.element(WaybillTemplates::elementFor(form, WaybillRole(r)));
        if (!e || !e->visible)
            continue;
        PaintItem frame = rule(e->left * mmPerLayoutPixel, e->top * mmPerLayoutPixel, e->widthMm, e->heightMm, false);
        frame.kind = PaintItem::Kind::Frame;
        rules.push_back(frame);
    }
    // Rulers: a tick each millimetre, longer each 5 and 10.
    auto tick = [](int mm) { return mm % 10 == 0 ? 4.0 : mm % 5 == 0 ? 2.5 : 1.5; };
    for (int x = 0; x <= int(rulerEndXMm); ++x)
        rules.push_back(rule(x - line / 2 - left, -top, line, tick(x), true));
    for (int y = 0; y <= int(rulerEndYMm); ++y)
        rules.push_back(rule(-left, y - line / 2 - top, tick(y), line, true));
    // Crosshairs, 10 mm each way.
    for (double cx : crossXMm)
        for (double cy : crossYMm) {
            rules.push_back(rule(cx - 5 - left, cy - line / 2 - top, 10, line, false));
            rules.push_back(rule(cx - line / 2 - left, cy - 5 - top, line, 10, false));
        }

    auto job = std::make_shared<ReportJob>(std::move(page), std::vector<QStringList>{});
    job->setDecoration(std::move(rules));
    job->layOut();
    return job;
}

}  // namespace kx
