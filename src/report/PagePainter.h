#pragma once

#include "report/PaintItem.h"

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
    // Keeps everything painted from now on inside `mm` (from the paper's
    // top-left corner); an empty rectangle lifts the limit.
    void setClip(const QRectF& mm);

private:
    QRectF deviceRect(const QRectF& mm) const;

    ReportJob* m_job = nullptr;
    QPainter& m_painter;
    std::vector<QFont> m_fonts;
    double m_left = 0;
    double m_kx;
    double m_ky;
    int m_currentFont = -1;
    QRgb m_currentColour;
    QRectF m_clip;       // device units; empty: none
    double m_inkBottom;  // mm from the paper's top: the lowest text of the page so far
};

}  // namespace kx
