#include "waybill/SenderPanel.h"

#include "data/DataOps.h"
#include "data/DbError.h"
#include "data/Tdmfm.h"

#include <QComboBox>
#include <QLineEdit>

namespace kx {

SenderPanel::SenderPanel(Tdmfm& dm, const Platform& platform, QWidget* parent)
    : FloatingPanel(parent), m_dm(dm), m_platform(platform)
{
    setObjectName(QStringLiteral("Panel5"));
    setGeometry(232, 208, 465, 217);
    Edit51 = new QLineEdit(this);
    Edit51->setObjectName(QStringLiteral("Edit51"));
    Edit52 = new QLineEdit(this);
    Edit52->setObjectName(QStringLiteral("Edit52"));
    Edit53 = new QLineEdit(this);
    Edit53->setObjectName(QStringLiteral("Edit53"));
    ComboBox2 = new QComboBox(this);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->setEditable(true);
}

void SenderPanel::load()
{
    openQuery(m_dm.ADOQuery7, QStringLiteral("select * from post"));
    Edit51->setText(textOf(m_dm.ADOQuery7.field(QStringLiteral("a"))));
    Edit52->setText(textOf(m_dm.ADOQuery7.field(QStringLiteral("b"))));
    Edit53->setText(textOf(m_dm.ADOQuery7.field(QStringLiteral("c"))));
    ComboBox2->setEditText(textOf(m_dm.ADOQuery7.field(QStringLiteral("d"))));
}

}  // namespace kx
