#pragma once

#include "report/PrintCorrection.h"
#include "report/ReportTemplate.h"

#include <QString>
#include <memory>

namespace kx {

class ReportJob;

// The page an operator prints on plain paper and holds against a courier's
// form: the form's seven boxes outlined and named, a millimetre ruler along
// the paper's top and left edges, and crosshairs at known places. The boxes,
// names and crosshairs move with the correction, as a waybill's texts would;
// the rulers stay on the paper's edges, so the misalignment is read off them.
class CalibrationPage {
public:
    // Crosshairs, in millimetres from the paper's top-left corner.
    static constexpr double crossXMm[2] = {50.0, 150.0};
    static constexpr double crossYMm[2] = {40.0, 100.0};
    static constexpr double rulerEndXMm = 200.0;
    static constexpr double rulerEndYMm = 280.0;

    // The caption printed at the top-left corner of a role's box.
    static QString roleCaption(int role);

    // The template with its elements, rulers' numbers included, laid out
    // like the single waybill of that form.
    static ReportTemplate report(int courier, const PrintCorrection& correction);
    // A job of one page, ready for the preview.
    static std::shared_ptr<ReportJob> job(int courier, const PrintCorrection& correction);
};

}  // namespace kx
