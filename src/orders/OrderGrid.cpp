#include "orders/OrderGrid.h"

#include <QTableView>
#include <QVBoxLayout>

namespace kx {

OrderGrid::OrderGrid(Dataset&, QWidget* parent) : QWidget(parent), m_view(new QTableView(this))
{
    setObjectName(QStringLiteral("DBGridEh1"));
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->addWidget(m_view);
}

}  // namespace kx
