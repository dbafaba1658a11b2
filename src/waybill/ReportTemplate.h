#pragma once

#include "waybill/ReportElement.h"

#include <QSizeF>
#include <QString>
#include <vector>

namespace kx {

// A banded report reduced to what the waybills use: a page with margins and
// one detail band printed once per row (or once when there are no rows).
class ReportTemplate {
public:
    ReportTemplate() = default;
    ReportTemplate(const QString& name, int bandHeightPx, int bandDesignWidthPx);

    const QString& name() const { return m_name; }

    // The stored page and its margins, in millimetres. The page printed on is
    // the printer's paper; only the margins come from here.
    QSizeF storedPageMm() const { return {210.0, 297.0}; }
    double topMarginMm() const { return 10.0; }
    double bottomMarginMm() const { return 8.0; }
    double leftMarginMm() const { return 10.0; }
    double rightMarginMm() const { return 10.0; }

    QString bandName() const { return QStringLiteral("ColumnHeaderBand1"); }
    int bandHeightPx() const { return m_bandHeightPx; }
    int bandDesignWidthPx() const { return m_bandDesignWidthPx; }
    double bandHeightMm() const { return m_bandHeightPx * mmPerLayoutPixel; }

    void addElement(const ReportElement& element) { m_elements.push_back(element); }
    const std::vector<ReportElement>& elements() const { return m_elements; }
    // nullptr when the band has no element of that name.
    const ReportElement* element(const QString& name) const;
    ReportElement* element(const QString& name);

    // The caption of a label or the whole text of a box.
    void setText(const QString& element, const QString& text);
    // Left and Top in layout pixels.
    void setPosition(const QString& element, int left, int top);
    void setVisible(const QString& element, bool visible);

    // The distinct bound columns, in element order.
    std::vector<QString> boundFields() const;

private:
    ReportElement& require(const QString& name);

    QString m_name;
    int m_bandHeightPx = 0;
    int m_bandDesignWidthPx = 0;
    std::vector<ReportElement> m_elements;
};

}  // namespace kx
