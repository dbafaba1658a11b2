#include "report/ReportTemplate.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace kx {

ReportTemplate::ReportTemplate(const QString& name, int bandHeightPx, int bandDesignWidthPx)
    : m_name(name), m_bandHeightPx(bandHeightPx), m_bandDesignWidthPx(bandDesignWidthPx)
{
}

void ReportTemplate::setMarginsMm(double top, double bottom, double left, double right)
{
    m_topMarginMm = top;
    m_bottomMarginMm = bottom;
    m_leftMarginMm = left;
    m_rightMarginMm = right;
}

void ReportTemplate::setRoleElement(int role, const QString& element)
{
    m_roles[role] = element;
}

const QString& ReportTemplate::roleElement(int role) const
{
    const auto it = m_roles.find(role);
    if (it == m_roles.end())
        throw std::logic_error(qPrintable(m_name + QStringLiteral(": no element for role %1").arg(role)));
    return it->second;
}

const ReportElement* ReportTemplate::element(const QString& name) const
{
    for (const ReportElement& e : m_elements)
        if (e.name == name)
            return &e;
    return nullptr;
}

ReportElement* ReportTemplate::element(const QString& name)
{
    return const_cast<ReportElement*>(std::as_const(*this).element(name));
}

ReportElement& ReportTemplate::require(const QString& name)
{
    ReportElement* e = element(name);
    if (!e)
        throw std::logic_error(qPrintable(m_name + QStringLiteral(": no element ") + name));
    return *e;
}

void ReportTemplate::setText(const QString& name, const QString& text)
{
    require(name).text = text;
}

void ReportTemplate::setPosition(const QString& name, int left, int top)
{
    ReportElement& e = require(name);
    e.left = left;
    e.top = top;
}

void ReportTemplate::setVisible(const QString& name, bool visible)
{
    require(name).visible = visible;
}

std::vector<QString> ReportTemplate::boundFields() const
{
    std::vector<QString> fields;
    for (const ReportElement& e : m_elements)
        if (!e.field.isEmpty() && std::find(fields.begin(), fields.end(), e.field) == fields.end())
            fields.push_back(e.field);
    return fields;
}

}  // namespace kx
