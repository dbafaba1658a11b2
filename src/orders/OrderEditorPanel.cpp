#include "orders/OrderEditorPanel.h"

namespace kx {

OrderEditorPanel::OrderEditorPanel(Tdmfm& dm, const Platform& platform, QWidget* parent)
    : FloatingPanel(parent), m_dm(dm), m_platform(platform)
{
    setObjectName(QStringLiteral("Panel3"));
    setGeometry(192, 91, 569, 175);
}

void OrderEditorPanel::openForNew() { show(); }
void OrderEditorPanel::loadFromMenu() {}
void OrderEditorPanel::loadFromDoubleClick() {}
void OrderEditorPanel::deleteSelected() {}
void OrderEditorPanel::setDate(const QDate& date) { m_date = date; }
void OrderEditorPanel::refillBlankDate(const QDate& today)
{
    if (!m_date.isValid())
        m_date = today;
}
QString OrderEditorPanel::dateFieldText() const
{
    return m_date.isValid() ? m_date.toString(QStringLiteral("yyyy-MM-dd")) : QStringLiteral("    -  -  ");
}

}  // namespace kx
