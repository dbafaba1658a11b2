#include "orders/QuickSearchPanel.h"

#include "core/CourierCatalogue.h"
#include "orders/OrderRegister.h"
#include "orders/PrintStatus.h"
#include "orders/SearchStatement.h"
#include "platform/Platform.h"
#include "widgets/ControlOps.h"
#include "widgets/EnterChain.h"
#include "widgets/FontSubstitutions.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

namespace kx {

QuickSearchPanel::QuickSearchPanel(OrderRegister& orders, const Platform& platform, QWidget* parent)
    : QGroupBox(QStringLiteral(" 快速查询"), parent), m_orders(orders), m_platform(platform)
{
    setObjectName(QStringLiteral("GroupBox5"));
    setFont(songFont(14));
    setGeometry(18, 10, 519, 118);

    auto label = [this](const QString& text, int x, int y, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->move(x, y);
        l->adjustSize();
        l->setBuddy(buddy);
        return l;
    };
    auto combo = [this](const char* name, int x, int y, int w) {
        auto* c = new QComboBox(this);
        c->setObjectName(QString::fromLatin1(name));
        c->setEditable(true);
        // The box searches on exactly what is typed: no inline completion,
        // and Enter does not add the text to the list.
        c->setCompleter(nullptr);
        c->setInsertPolicy(QComboBox::NoInsert);
        c->setGeometry(x, y, w, 22);
        return c;
    };
    auto edit = [this](const char* name, int x, int y, int w) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setGeometry(x, y, w, 22);
        return e;
    };
    auto button = [this](const char* name, const QString& text, int x, int y, int w) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(x, y, w, 25);
        return b;
    };

    ComboBox1 = combo("ComboBox1", 96, 20, 89);
    ComboBox8 = combo("ComboBox8", 264, 20, 73);
    Edit50 = edit("Edit50", 408, 20, 89);
    Edit23 = edit("Edit23", 96, 52, 73);
    Edit29 = edit("Edit29", 264, 52, 142);
    Button15 = button("Button15", QStringLiteral("清空条件"), 429, 51, 73);
    Edit49 = edit("Edit49", 96, 84, 89);
    Edit25 = edit("Edit25", 264, 84, 113);
    // "查询" lies under "全部记录" (created after it, so drawn on top): it
    // cannot be clicked, only reached with Tab.
    Button7 = button("Button7", QStringLiteral("查询"), 428, 85, 75);
    Button12 = button("Button12", QStringLiteral("全部记录"), 428, 85, 75);

    label(QStringLiteral("快递方式："), 24, 24, ComboBox1);
    label(QStringLiteral("打印状态："), 194, 24, ComboBox8);
    label(QStringLiteral("手机号："), 352, 24, Edit50);
    label(QStringLiteral("收件人姓名："), 10, 56, Edit23);
    label(QStringLiteral("收件地址："), 194, 56, Edit29);
    label(QStringLiteral("会员名："), 38, 88, Edit49);
    label(QStringLiteral("订单编号："), 194, 88, Edit25);

    Label57 = new QLabel(QStringLiteral("where [a]<>''"), this);
    Label57->setObjectName(QStringLiteral("Label57"));
    Label57->hide();

    // The courier box offers the courier list until the first show-all
    // replaces it with the couriers found in the orders.
    for (auto [box, items] : {std::pair{ComboBox1, CourierCatalogue::courierList()},
                              std::pair{ComboBox8, QStringList{printedStatus, notPrintedStatus}}}) {
        const QSignalBlocker blocker(box);
        box->addItems(items);
        box->setCurrentIndex(-1);
        box->setEditText(QString());
    }

    setTabOrder(ComboBox1, ComboBox8);
    setTabOrder(ComboBox8, Edit50);
    setTabOrder(Edit50, Edit23);
    setTabOrder(Edit23, Edit29);
    setTabOrder(Edit29, Button15);
    setTabOrder(Button15, Edit49);
    setTabOrder(Edit49, Edit25);
    setTabOrder(Edit25, Button12);
    setTabOrder(Button12, Button7);

    // The five text boxes search on every change of their text, a program
    // step included; the two drop-down boxes only on what the user does
    // (typing, deleting, pasting, choosing from the list), so that the
    // show-all emptying the courier box does not search.
    for (QLineEdit* e : {Edit23, Edit25, Edit29, Edit49, Edit50})
        connect(e, &QLineEdit::textChanged, this, &QuickSearchPanel::search);
    for (QComboBox* c : {ComboBox1, ComboBox8}) {
        connect(c->lineEdit(), &QLineEdit::textEdited, this, &QuickSearchPanel::search);
        connect(c, &QComboBox::activated, this, &QuickSearchPanel::search);
    }

    auto* enter = new EnterChain(this);
    for (QPushButton* b : {Button15, Button12, Button7})
        enter->pressOnEnter(b);

    connect(Button7, &QPushButton::clicked, this, &QuickSearchPanel::search);
    connect(Button15, &QPushButton::clicked, this, &QuickSearchPanel::clearConditions);
    connect(Button12, &QPushButton::clicked, this, &QuickSearchPanel::showAllRequested);
    connect(&m_orders, &OrderRegister::courierListChanged, this, &QuickSearchPanel::showCouriers);
}

void QuickSearchPanel::showCouriers(const QStringList& couriers)
{
    // The show-all's list replaces the box's, without a search.
    replaceItems(ComboBox1, couriers);
}

SearchConditions QuickSearchPanel::conditions() const
{
    return {ComboBox1->currentText(), Edit23->text(), Edit29->text(), Edit25->text(),
            Edit49->text(),           Edit50->text(), ComboBox8->currentText()};
}

void QuickSearchPanel::search()
{
    const bool ok = m_platform.guard(window(), [this] {
        const SearchStatement s = SearchStatement::build(Label57->text(), conditions());
        m_orders.search(s.sql, s.params);
    });
    if (ok)
        emit searched();
}

void QuickSearchPanel::clearConditions()
{
    // Emptying a text box that held text searches at once, with the other
    // boxes as they still stand; the drop-down boxes come last and do not
    // search.
    for (QLineEdit* e : {Edit23, Edit25, Edit29, Edit49, Edit50})
        e->clear();
    ComboBox1->setEditText(QString());
    ComboBox8->setEditText(QString());
}

}  // namespace kx
