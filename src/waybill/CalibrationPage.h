#pragma once

#include "report/PrintCorrection.h"
#include "report/ReportTemplate.h"

#include <QMarginsF>
#include <QSizeF>
#include <QString>
#include <memory>

namespace kx {

class ReportJob;

// The page an operator prints on plain paper and holds against a courier's
// form: the form's seven boxes outlined and named, a millimetre ruler along
// the paper's top and left edges, and crosshairs at known places. The boxes,
// names and crosshairs move with the correction, as a waybill's texts would;
// the rulers stay where they are on the paper, so the misalignment is read
// off them, and so is the printer's own scale: 100 mm of ruler, measured.
class CalibrationPage {
public:
    // Crosshairs, in millimetres from the paper's top-left corner.
    static constexpr double crossXMm[2] = {50.0, 150.0};
    static constexpr double crossYMm[2] = {40.0, 100.0};
    // The rulers keep at least this far from every edge of the paper, where
    // most printers print nothing; further where the printer says its
    // unprintable margin is wider.
    static constexpr double rulerClearanceMm = 6.0;

    // Where the rulers stand, in millimetres from the paper's top-left
    // corner: the top ruler's edge line runs along y = top from x = left to
    // x = right, its ticks below it; the left ruler's along x = left from
    // y = top to y = bottom, its ticks right of it.
    struct Rulers {
        double left = 0, top = 0, right = 0, bottom = 0;
    };
    static Rulers rulers(const QSizeF& paperMm, const QMarginsF& unprintableMm);

    // The caption printed at the top-left corner of a role's box.
    static QString roleCaption(int role);

    // The template with its elements, rulers' numbers included, laid out
    // like the single waybill of that form, for paper of that size on a
    // printer with those unprintable margins (millimetres).
    static ReportTemplate report(int courier, const PrintCorrection& correction,
                                 const QSizeF& paperMm = QSizeF(210.0, 297.0),
                                 const QMarginsF& unprintableMm = QMarginsF());
    // A job of one page, ready for the preview.
    static std::shared_ptr<ReportJob> job(int courier, const PrintCorrection& correction,
                                          const QSizeF& paperMm = QSizeF(210.0, 297.0),
                                          const QMarginsF& unprintableMm = QMarginsF());
};

}  // namespace kx
