#pragma once

#include <QFont>
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

    // A new sheet of paper: nothing printed on it yet.
    void newPage();
    // Paints band `index` with its top edge `topMm` below the paper's top.
    void band(int index, double topMm);

private:
    ReportJob& m_job;
    QPainter& m_painter;
    std::vector<QFont> m_fonts;
    double m_left;
    double m_kx;
    double m_ky;
    int m_currentFont = -1;
    double m_inkBottom;  // mm from the paper's top: the lowest text of the page so far
};

}  // namespace kx
