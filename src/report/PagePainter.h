#pragma once

#include "report/PaintItem.h"
#include "report/PrintCorrection.h"

#include <QFont>
#include <QRectF>
#include <vector>

class QPainter;

namespace kx {

class ReportJob;

// Paints the bands of one page after another, top to bottom, with a painter
// whose origin is the paper's top-left corner. Fonts take their point sizes
// from the report and resolve them against the painter's device, so the same
// page comes out alike on a printer, in a PDF and on screen.
class PagePainter {
public:
    // `dotsPerMmX`, `dotsPerMmY`: the painter's units per millimetre.
    PagePainter(ReportJob& job, QPainter& painter, double dotsPerMmX, double dotsPerMmY);
    // For items laid out with these fonts, outside a job of bands.
    PagePainter(const std::vector<ReportFont>& fonts, QPainter& painter, double dotsPerMmX, double dotsPerMmY);

    // A new sheet of paper: nothing printed on it yet.
    void newPage();
    // Paints band `index` of the job with its top edge `topMm` below the
    // paper's top.
    void band(int index, double topMm);
    // Paints items whose origin lies `leftMm`, `topMm` from the paper's
    // top-left corner: fills first, then the texts.
    void paint(const std::vector<PaintItem>& items, double leftMm, double topMm);
    // Moves every position painted from now on (items fixed on paper
    // excepted); sizes stay. The job's own correction is set at the start.
    void setCorrection(const PrintCorrection& correction) { m_correction = correction; }
    // Whether cut texts are framed in red: on screen yes, on paper never.
    // Decided by the device at the start.
    void setShowCutMarks(bool show) { m_showCutMarks = show; }

    // Keeps everything painted from now on inside `mm` (from the paper's
    // top-left corner); an empty rectangle lifts the limit.
    void setClip(const QRectF& mm);

private:
    QRectF deviceRect(const QRectF& mm) const;
    void paintItems(const std::vector<PaintItem>& items, double leftMm, double topMm);
    const QFont& fontAt(int index);

    ReportJob* m_job = nullptr;
    QPainter& m_painter;
    const std::vector<ReportFont>& m_faces;  // grows as bands are laid out
    std::vector<QFont> m_fonts;
    PrintCorrection m_correction;
    bool m_showCutMarks = false;
    double m_left = 0;
    double m_kx;
    double m_ky;
    int m_currentFont = -1;
    QRgb m_currentColour;
    QRectF m_clip;       // device units; empty: none
    double m_inkBottom;  // mm from the paper's top: the lowest text of the page so far
};

}  // namespace kx
