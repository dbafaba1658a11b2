#pragma once

#include "report/PrintCorrection.h"
#include "report/ReportElement.h"

#include <QSizeF>
#include <QString>
#include <map>
#include <vector>

namespace kx {

// A banded report: a page with margins and one detail band printed once per
// row (or once when there are no rows). Everything that tells one report
// from another — page, margins, band, elements and which element carries
// which of the caller's texts — is data set when the template is built.
class ReportTemplate {
public:
    ReportTemplate() = default;
    ReportTemplate(const QString& name, int bandHeightPx, int bandDesignWidthPx);

    const QString& name() const { return m_name; }

    // The stored page and its margins, in millimetres. The page printed on is
    // the printer's paper; only the margins come from here.
    QSizeF storedPageMm() const { return m_storedPageMm; }
    double topMarginMm() const { return m_topMarginMm; }
    double bottomMarginMm() const { return m_bottomMarginMm; }
    double leftMarginMm() const { return m_leftMarginMm; }
    double rightMarginMm() const { return m_rightMarginMm; }
    void setStoredPageMm(const QSizeF& page) { m_storedPageMm = page; }
    void setMarginsMm(double top, double bottom, double left, double right);

    const QString& bandName() const { return m_bandName; }
    void setBandName(const QString& name) { m_bandName = name; }
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

    // Which element shows a text the caller fills by its own numbering (the
    // waybill's sender name, its recipient address, ...). Templates that show
    // the same texts in differently named elements are filled by one code.
    void setRoleElement(int role, const QString& element);
    // Throws when the template gives the role no element.
    const QString& roleElement(int role) const;

    // Where the printer puts things compared with where they are laid out;
    // applied by the renderer to every position, on paper and on screen.
    const PrintCorrection& correction() const { return m_correction; }
    void setCorrection(const PrintCorrection& correction) { m_correction = correction; }

private:
    ReportElement& require(const QString& name);

    QString m_name;
    QSizeF m_storedPageMm{210.0, 297.0};
    double m_topMarginMm = 0;
    double m_bottomMarginMm = 0;
    double m_leftMarginMm = 0;
    double m_rightMarginMm = 0;
    QString m_bandName;
    std::map<int, QString> m_roles;
    int m_bandHeightPx = 0;
    int m_bandDesignWidthPx = 0;
    std::vector<ReportElement> m_elements;
    PrintCorrection m_correction;
};

}  // namespace kx
