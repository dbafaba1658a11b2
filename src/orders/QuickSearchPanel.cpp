#include "orders/QuickSearchPanel.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kx {

QuickSearchPanel::QuickSearchPanel(Tdmfm& dm, const Platform& platform, QWidget* parent)
    : QGroupBox(QStringLiteral(" 快速查询"), parent), m_dm(dm), m_platform(platform)
{
    setObjectName(QStringLiteral("GroupBox5"));
    auto combo = [this](const char* name, int x, int y, int w) {
        auto* c = new QComboBox(this);
        c->setObjectName(QString::fromLatin1(name));
        c->setEditable(true);
        c->setGeometry(x, y, w, 22);
        return c;
    };
    auto edit = [this](const char* name, int x, int y, int w) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setGeometry(x, y, w, 22);
        return e;
    };
    ComboBox1 = combo("ComboBox1", 96, 20, 89);
    ComboBox8 = combo("ComboBox8", 264, 20, 73);
    Edit50 = edit("Edit50", 408, 20, 89);
    Edit23 = edit("Edit23", 96, 52, 73);
    Edit29 = edit("Edit29", 264, 52, 142);
    Edit49 = edit("Edit49", 96, 84, 89);
    Edit25 = edit("Edit25", 264, 84, 113);
    Button7 = new QPushButton(QStringLiteral("查询"), this);
    Button7->setObjectName(QStringLiteral("Button7"));
    Button7->setGeometry(428, 85, 75, 25);
    Button15 = new QPushButton(QStringLiteral("清空条件"), this);
    Button15->setObjectName(QStringLiteral("Button15"));
    Button15->setGeometry(429, 51, 73, 25);
    Button12 = new QPushButton(QStringLiteral("全部记录"), this);
    Button12->setObjectName(QStringLiteral("Button12"));
    Button12->setGeometry(428, 85, 75, 25);
    Label57 = new QLabel(QStringLiteral("where [a]<>''"), this);
    Label57->setObjectName(QStringLiteral("Label57"));
    Label57->hide();
    connect(Button12, &QPushButton::clicked, this, &QuickSearchPanel::showAllRequested);
}

}  // namespace kx
