#include "orders/QuickSearchPanel.h"

#include "core/CourierCatalogue.h"
#include "core/DbError.h"
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

    courierBox = combo("ComboBox1", 96, 20, 89);
    printStatusBox = combo("ComboBox8", 264, 20, 73);
    mobileEdit = edit("Edit50", 408, 20, 89);
    nameEdit = edit("Edit23", 96, 52, 73);
    addressEdit = edit("Edit29", 264, 52, 142);
    clearButton = button("Button15", QStringLiteral("清空条件"), 429, 51, 73);
    memberEdit = edit("Edit49", 96, 84, 89);
    orderNumberEdit = edit("Edit25", 264, 84, 113);
    // "查询" lies under "全部记录" (created after it, so drawn on top): it
    // cannot be clicked, only reached with Tab.
    searchButton = button("Button7", QStringLiteral("查询"), 428, 85, 75);
    showAllButton = button("Button12", QStringLiteral("全部记录"), 428, 85, 75);

    label(QStringLiteral("快递方式："), 24, 24, courierBox);
    label(QStringLiteral("打印状态："), 194, 24, printStatusBox);
    label(QStringLiteral("手机号："), 352, 24, mobileEdit);
    label(QStringLiteral("收件人姓名："), 10, 56, nameEdit);
    label(QStringLiteral("收件地址："), 194, 56, addressEdit);
    label(QStringLiteral("会员名："), 38, 88, memberEdit);
    label(QStringLiteral("订单编号："), 194, 88, orderNumberEdit);

    // The courier box offers the courier list until the first show-all
    // replaces it with the couriers found in the orders.
    for (auto [box, items] : {std::pair{courierBox, CourierCatalogue::courierList()},
                              std::pair{printStatusBox, QStringList{printedStatus, notPrintedStatus}}}) {
        const QSignalBlocker blocker(box);
        box->addItems(items);
        box->setCurrentIndex(-1);
        box->setEditText(QString());
    }

    setTabOrder(courierBox, printStatusBox);
    setTabOrder(printStatusBox, mobileEdit);
    setTabOrder(mobileEdit, nameEdit);
    setTabOrder(nameEdit, addressEdit);
    setTabOrder(addressEdit, clearButton);
    setTabOrder(clearButton, memberEdit);
    setTabOrder(memberEdit, orderNumberEdit);
    setTabOrder(orderNumberEdit, showAllButton);
    setTabOrder(showAllButton, searchButton);

    // The five text boxes search on every change of their text, a program
    // step included; the two drop-down boxes only on what the user does
    // (typing, deleting, pasting, choosing from the list), so that the
    // show-all emptying the courier box does not search.
    for (QLineEdit* e : {nameEdit, orderNumberEdit, addressEdit, memberEdit, mobileEdit})
        connect(e, &QLineEdit::textChanged, this, &QuickSearchPanel::search);
    for (QComboBox* c : {courierBox, printStatusBox}) {
        connect(c->lineEdit(), &QLineEdit::textEdited, this, &QuickSearchPanel::search);
        connect(c, &QComboBox::activated, this, &QuickSearchPanel::search);
    }

    auto* enter = new EnterChain(this);
    for (QPushButton* b : {clearButton, showAllButton, searchButton})
        enter->pressOnEnter(b);

    connect(searchButton, &QPushButton::clicked, this, &QuickSearchPanel::search);
    connect(clearButton, &QPushButton::clicked, this, &QuickSearchPanel::clearConditions);
    connect(showAllButton, &QPushButton::clicked, this, &QuickSearchPanel::showAllRequested);
    connect(&m_orders, &OrderRegister::courierListChanged, this, &QuickSearchPanel::showCouriers);
    // The file asked after the typing paused could not answer: said once,
    // and the grid keeps what the search showed.
    connect(&m_orders, &OrderRegister::settleFailed, this, [this](const QString& message) {
        m_platform.guard(window(), [&message] { throw DbError(message); });
    });
}

void QuickSearchPanel::showCouriers(const QStringList& couriers)
{
    // The show-all's list replaces the box's, without a search.
    replaceItems(courierBox, couriers);
}

SearchConditions QuickSearchPanel::conditions() const
{
    return {courierBox->currentText(), nameEdit->text(), addressEdit->text(), orderNumberEdit->text(),
            memberEdit->text(),           mobileEdit->text(), printStatusBox->currentText()};
}

void QuickSearchPanel::search()
{
    const bool ok = m_platform.guard(window(), [this] { m_orders.quickSearch(conditions()); });
    if (ok)
        emit searched();
}

void QuickSearchPanel::clearConditions()
{
    // Emptying a text box that held text searches at once, with the other
    // boxes as they still stand; the drop-down boxes come last and do not
    // search.
    for (QLineEdit* e : {nameEdit, orderNumberEdit, addressEdit, memberEdit, mobileEdit})
        e->clear();
    courierBox->setEditText(QString());
    printStatusBox->setEditText(QString());
}

}  // namespace kx
