#pragma once

#include <QSizeF>

class QPainter;

namespace kx {

// The pages of a report as a preview and a printer take them: laid out on
// paper of a given size, counted, and painted one at a time. A source may
// lay its pages out gradually: pageCount() gives the pages finished so far,
// and asking for a page lays out as much as that page needs.
class PageSource {
public:
    virtual ~PageSource() = default;

    // The paper the pages are laid out on, in millimetres. A source whose
    // pages depend on it lays them out again when it changes.
    virtual void setPaper(const QSizeF& paperMm) = 0;
    // The pages finished so far.
    virtual int pageCount() const = 0;
    // Whether pageCount() is final.
    virtual bool isComplete() const = 0;
    // Whether page `page` (0-based) exists, laying out as far as needed to know.
    virtual bool hasPage(int page) = 0;
    // Paints page `page` (0-based) with `painter`, whose origin is the
    // paper's top-left corner and whose device's resolution sizes the fonts;
    // `dotsPerMmX`, `dotsPerMmY` are the painter's units per millimetre.
    virtual void paintPage(QPainter& painter, int page, double dotsPerMmX, double dotsPerMmY) = 0;
};

}  // namespace kx
