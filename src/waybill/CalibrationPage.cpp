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

CalibrationPage::Rulers CalibrationPage::rulers(const QSizeF& paperMm, const QMarginsF& unprintableMm)
{
    Rulers r;
    r.left = std::max(rulerClearanceMm, unprintableMm.left());
    r.top = std::max(rulerClearanceMm, unprintableMm.top());
    r.right = paperMm.width() - std::max(rulerClearanceMm, unprintableMm.right());
    r.bottom = paperMm.height() - std::max(rulerClearanceMm, unprintableMm.bottom());
    return r;
}

QString CalibrationPage::roleCaption(int role)
{
    static const char* const captions[waybillRoleCount] = {"寄件人姓名", "寄件人手机", "寄件人地址", "寄件人姓名(副本)",
                                                          "收件人姓名", "收件人手机", "收件人地址"};
    return QString::fromUtf8(captions[role]);
}

namespace {

ReportTemplate formOf(int courier)
{
    ReportTemplate t = WaybillTemplates::singleWaybill();
    CourierLayoutTable::apply(t, courier);
    return t;
}

// The rulers' numbers stand beside their ticks: a number needs about this
// much room along the ruler, and none is set in the corner where the two
// rulers meet.
constexpr double numberLengthMm = 5.0;
constexpr double numberHeightMm = 4.5;  // its box, from 0.4 mm past the tick
constexpr double cornerMm = 8.0;
// The ticks: each millimetre, longer each 5 and 10; the numbers after the
// longest.
constexpr double numberOffsetMm = 4.5;

}  // namespace

ReportTemplate CalibrationPage::report(int courier, const PrintCorrection& correction, const QSizeF& paperMm,
                                       const QMarginsF& unprintableMm)
{
    const ReportTemplate form = formOf(courier);
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
    // The rulers' numbers, each the distance from the paper's edge; band
    // coordinates start at the margins.
    const Rulers at = rulers(paperMm, unprintableMm);
    const double left = form.leftMarginMm(), top = form.topMarginMm();
    for (int x = 10 * int(std::ceil((at.left + cornerMm) / 10)); x + numberLengthMm <= at.right; x += 10)
        page.addElement(label(QStringLiteral("rx%1").arg(x), QString::number(x), pixels(x + 0.4 - left),
                              pixels(at.top + numberOffsetMm - top), rulerFontPx, true));
    for (int y = 10 * int(std::ceil((at.top + cornerMm) / 10)); y + numberHeightMm <= at.bottom; y += 10)
        page.addElement(label(QStringLiteral("ry%1").arg(y), QString::number(y), pixels(at.left + numberOffsetMm - left),
                              pixels(y + 0.4 - top), rulerFontPx, true));
    for (double cx : crossXMm)
        for (double cy : crossYMm)
            page.addElement(label(QStringLiteral("c%1_%2").arg(cx).arg(cy), QStringLiteral("%1,%2").arg(cx).arg(cy),
                                  pixels(cx + 1.0 - left), pixels(cy + 1.0 - top), rulerFontPx, false));
    return page;
}

std::shared_ptr<ReportJob> CalibrationPage::job(int courier, const PrintCorrection& correction, const QSizeF& paperMm,
                                                const QMarginsF& unprintableMm)
{
    ReportTemplate page = report(courier, correction, paperMm, unprintableMm);
    const ReportTemplate form = formOf(courier);
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
    // Rulers: an edge line, and a tick each whole millimetre of the paper
    // along it, longer each 5 and 10.
    const Rulers at = rulers(paperMm, unprintableMm);
    auto tick = [](int mm) { return mm % 10 == 0 ? 4.0 : mm % 5 == 0 ? 2.5 : 1.5; };
    rules.push_back(rule(at.left - left, at.top - line / 2 - top, at.right - at.left, line, true));
    rules.push_back(rule(at.left - line / 2 - left, at.top - top, line, at.bottom - at.top, true));
    for (int x = int(std::ceil(at.left)); x <= int(std::floor(at.right)); ++x)
        rules.push_back(rule(x - line / 2 - left, at.top - top, line, tick(x), true));
    for (int y = int(std::ceil(at.top)); y <= int(std::floor(at.bottom)); ++y)
        rules.push_back(rule(at.left - left, y - line / 2 - top, tick(y), line, true));
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
