#include "orders/OrderEditorPanel.h"

#include "core/CourierCatalogue.h"
#include "core/DateText.h"
#include "core/DbError.h"
#include "core/TextValue.h"
#include "data/Schema.h"
#include "data/SenderProfile.h"
#include "orders/OrderRegister.h"
#include "orders/OrderValues.h"
#include "orders/PrintStatus.h"
#include "platform/Platform.h"
#include "widgets/CloseIcon.h"
#include "widgets/CommandRegistry.h"
#include "widgets/ControlOps.h"
#include "widgets/DateField.h"
#include "widgets/EnterChain.h"
#include "widgets/FontSubstitutions.h"
#include "widgets/NumericKeyFilter.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <memory>

namespace kx {

namespace {

constexpr int fieldHeight = 22;

template <typename W>
W* named(W* widget, const char* name, int x, int y, int w, int h = fieldHeight)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}

QComboBox* editableBox(QWidget* parent, const char* name, int x, int y, int w, const QStringList& items)
{
    auto* box = named(new QComboBox(parent), name, x, y, w);
    box->setEditable(true);
    // Any text may be typed: no inline completion, and Enter (which moves
    // the focus) must not add the text to the list.
    box->setCompleter(nullptr);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCursor(Qt::ArrowCursor);
    box->addItems(items);
    return box;
}

}  // namespace

OrderEditorPanel::OrderEditorPanel(OrderRegister& orders, const SenderProfile& sender, const Platform& platform,
                                   QWidget* parent)
    : FloatingPanel(parent), m_orders(orders), m_sender(sender), m_platform(platform)
{
    setObjectName(QStringLiteral("Panel3"));
    setFont(songFont(14));
    setGeometry(192, 91, 569, collapsedHeight);
    build();
    setDate(m_platform.clock.now().date());
    hide();
}

void OrderEditorPanel::build()
{
    recipientNameEdit = named(new QLineEdit(this), "Edit11", 122, 34, 96);
    recipientMobileEdit = named(new QLineEdit(this), "Edit8", 342, 34, 96);
    recipientAddressEdit = named(new QLineEdit(this), "Edit28", 122, 66, 316);
    payDateField = named(new DateField(this), "DBDateTimeEditEh1", 122, 99, 119);
    courierBox = editableBox(this, "ComboBox4", 342, 98, 91, CourierCatalogue::courierList());
    printStatusBox = editableBox(this, "ComboBox12", 342, 130, 75, {notPrintedStatus, printedStatus});
    itemNameEdit = named(new QLineEdit(this), "Edit15", 121, 186, 160);
    amountEdit = named(new QLineEdit(QStringLiteral("0"), this), "Edit9", 369, 186, 80);
    memberEdit = named(new QLineEdit(this), "Edit48", 121, 215, 160);
    quantityEdit = named(new QLineEdit(QStringLiteral("1"), this), "Edit1", 369, 215, 80);
    orderNumberEdit = named(new QLineEdit(this), "Edit47", 121, 245, 160);
    remarkEdit = named(new QLineEdit(this), "Edit22", 121, 274, 160);

    // The courier box starts empty; the print status on "未打印".
    courierBox->setCurrentIndex(-1);
    courierBox->setEditText(QString());
    printStatusBox->setCurrentIndex(0);

    addLabel(QStringLiteral("收件人姓名："), recipientNameEdit);
    addLabel(QStringLiteral("收件人手机："), recipientMobileEdit);
    addLabel(QStringLiteral("收件地址："), recipientAddressEdit);
    addLabel(QStringLiteral("付款日期："), payDateField);
    addLabel(QStringLiteral("快递方式："), courierBox);
    addLabel(QStringLiteral("打印状态："), printStatusBox);
    addLabel(QStringLiteral("商品名称："), itemNameEdit);
    addLabel(QStringLiteral("销售金额："), amountEdit);
    addLabel(QStringLiteral("买家会员名："), memberEdit);
    addLabel(QStringLiteral(" 数 量："), quantityEdit);
    addLabel(QStringLiteral("订单编号："), orderNumberEdit);
    addLabel(QStringLiteral("备 注："), remarkEdit);

    // Every field holds the stored text whole, however long: "修 改" writes
    // it back. (The date field's mask has a length of its own.)
    for (QWidget* field : std::initializer_list<QWidget*>{recipientNameEdit, recipientMobileEdit, recipientAddressEdit, courierBox, printStatusBox, itemNameEdit,
                                                          amountEdit, memberEdit, quantityEdit, orderNumberEdit, remarkEdit})
        holdAnyLength(field);

    NumericKeyFilter::install(quantityEdit);
    NumericKeyFilter::install(amountEdit);

    newButton = named(new QPushButton(QStringLiteral("新 建"), this), "Button1", 472, 32, 75, 25);
    saveChangesButton = named(new QPushButton(QStringLiteral("修 改"), this), "Button3", 472, 72, 75, 25);
    moreButton = named(new QToolButton(this), "SpeedButton1", 472, 128, 73, 22);
    moreButton->setText(QStringLiteral("更多.."));
    moreButton->setAutoRaise(true);
    clearAllButton = named(new QPushButton(QStringLiteral("全部清空"), this), "Button9", 464, 240, 75, 25);
    closeIcon = new CloseIcon(this);
    closeIcon->setObjectName(QStringLiteral("Image1"));
    closeIcon->setGeometry(520, 8, 17, 17);
    for (QWidget* b : {static_cast<QWidget*>(newButton), static_cast<QWidget*>(saveChangesButton),
                       static_cast<QWidget*>(moreButton), static_cast<QWidget*>(clearAllButton)})
        b->setCursor(Qt::ArrowCursor);
    newButton->hide();
    saveChangesButton->hide();

    connect(newButton, &QPushButton::clicked, this, [this] { m_platform.guard(window(), [this] { saveNew(); }); });
    connect(saveChangesButton, &QPushButton::clicked, this,
            [this] { m_platform.guard(window(), [this] { saveChanges(); }); });
    connect(clearAllButton, &QPushButton::clicked, this, &OrderEditorPanel::clearFields);
    connect(moreButton, &QToolButton::clicked, this, &OrderEditorPanel::toggleHeight);
    connect(closeIcon, &CloseIcon::clicked, this, &OrderEditorPanel::closePanel);

    auto* enter = new EnterChain(this);
    enter->link(recipientNameEdit, recipientMobileEdit);
    enter->link(recipientMobileEdit, recipientAddressEdit);
    enter->link(recipientAddressEdit, payDateField);
    enter->link(payDateField, courierBox);
    enter->link(courierBox, printStatusBox);
    enter->link(quantityEdit, amountEdit);
    enter->link(amountEdit, remarkEdit);
    // The remark leads to "新 建"; when the panel was opened to change an
    // order that button is hidden, and "修 改" is the one to press.
    enter->link(remarkEdit, [this]() -> QWidget* {
        if (!newButton->isHidden())
            return newButton;
        if (!saveChangesButton->isHidden())
            return saveChangesButton;
        return nullptr;
    });
    enter->pressOnEnter(newButton);
    enter->pressOnEnter(saveChangesButton);
    enter->pressOnEnter(clearAllButton);

    QWidget* order[] = {recipientNameEdit, recipientMobileEdit,  recipientAddressEdit, payDateField, courierBox, printStatusBox,
                        itemNameEdit, amountEdit,  memberEdit, quantityEdit,             orderNumberEdit,    remarkEdit,
                        newButton, saveChangesButton, moreButton, clearAllButton};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

QLabel* OrderEditorPanel::addLabel(const QString& text, QWidget* field)
{
    auto* label = new QLabel(text, this);
    label->adjustSize();
    label->move(field->x() - label->width() - 2, field->y() + (fieldHeight - label->height()) / 2);
    label->setBuddy(field);
    return label;
}

void OrderEditorPanel::appear()
{
    show();
    raise();
}

void OrderEditorPanel::setDate(const QDate& date)
{
    payDateField->setDate(date);
}

void OrderEditorPanel::refillBlankDate(const QDate& today)
{
    if (payDateField->isBlank())
        payDateField->setDate(today);
}

QString OrderEditorPanel::dateFieldText() const
{
    return payDateField->displayText();
}

void OrderEditorPanel::toggleHeight()
{
    resize(width(), height() == collapsedHeight ? expandedHeight : collapsedHeight);
}

void OrderEditorPanel::clearFields()
{
    quantityEdit->setText(QStringLiteral("1"));
    amountEdit->setText(QStringLiteral("0"));
    for (QLineEdit* e : {recipientAddressEdit, recipientNameEdit, itemNameEdit, recipientMobileEdit, remarkEdit, memberEdit, orderNumberEdit})
        e->clear();
    m_shownQuantity.reset();
    m_shownAmount.reset();
}

void OrderEditorPanel::closePanel()
{
    hide();
    clearFields();
    saveChangesButton->setEnabled(false);
    m_loadedRowId.reset();
}

void OrderEditorPanel::registerCommands(CommandRegistry& commands)
{
    commands.on(Command::NewOrder, [this] { openForNew(); });
    commands.on(Command::GridNew, [this] { openForNew(); });
    commands.on(Command::GridEdit, [this] { loadFromMenu(); });
    commands.on(Command::GridDelete, [this] { deleteSelected(); });
    // The panel stands open until the start-up sequence puts it away, so a
    // sequence that stops early leaves it visible.
    commands.addStartUpStep(StartUpStep::EditorPanel, [this] { hide(); });
    commands.addStartUpStep(StartUpStep::Date, [this] { setDate(m_platform.clock.now().date()); });
}

void OrderEditorPanel::openForNew()
{
    appear();
    courierBox->setEditText(m_sender.courier());
    clearFields();
    saveChangesButton->hide();
    newButton->show();
    // Whatever the panel showed before is not an order to change any more.
    m_loadedRowId.reset();
}

QString OrderEditorPanel::currentName() const
{
    const Dataset& grid = m_orders.result();
    const int column = grid.fieldIndex(schema::orderColumn::recipientName);
    if (!grid.isOpen() || column < 0 || grid.currentRow() < 0)
        return QString();
    // A name that holds no value counts as empty: there is nothing to load.
    return displayText(grid.value(grid.currentRow(), column));
}

void OrderEditorPanel::loadFromMenu()
{
    if (currentName().isEmpty())
        return;
    appear();
    newButton->hide();
    saveChangesButton->setEnabled(true);
    saveChangesButton->show();
    loadCurrent();
}

void OrderEditorPanel::loadFromDoubleClick()
{
    if (!currentName().isEmpty()) {
        appear();
        loadCurrent();
    } else {
        // Nothing is loaded, yet "修 改" is offered below: whatever the panel
        // held before is no order to write into any more.
        m_loadedRowId.reset();
    }
    saveChangesButton->show();
    saveChangesButton->setEnabled(true);
}

void OrderEditorPanel::loadCurrent()
{
    const Dataset& grid = m_orders.result();
    const qint64 id = grid.rowId(grid.currentRow());
    // A load that stops at a null leaves the fields half this order's, half
    // the previous one's: such a panel belongs to no order, and "修 改" must
    // not write it anywhere.
    m_loadedRowId.reset();
    m_shownQuantity.reset();
    m_shownAmount.reset();
    auto text = [&grid](const QString& field) { return textOf(grid.field(field)); };
    // Numbers to at most 15 digits, without the noise of binary arithmetic;
    // the stored value is kept for a save that leaves the text as shown.
    auto number = [&grid](const QString& field, QLineEdit* edit, std::optional<ShownNumber>& shown) {
        const QVariant value = grid.field(field);
        edit->setText(editableTextOf(value));
        if (value.typeId() == QMetaType::Double)
            shown = ShownNumber{edit->text(), value.toDouble()};
    };
    // A null stops the loading with the conversion error at its field; the
    // fields set before it keep their new texts.
    namespace column = schema::orderColumn;
    courierBox->setEditText(text(column::courier));
    printStatusBox->setEditText(text(column::printStatus));
    payDateField->setDate(storedDate(text(column::payDate)));
    recipientNameEdit->setText(text(column::recipientName));
    recipientMobileEdit->setText(text(column::recipientMobile));
    recipientAddressEdit->setText(text(column::recipientAddress));
    number(column::quantity, quantityEdit, m_shownQuantity);
    number(column::amount, amountEdit, m_shownAmount);
    remarkEdit->setText(text(column::remark));
    memberEdit->setText(text(column::memberName));
    orderNumberEdit->setText(text(column::orderNumber));
    itemNameEdit->setText(text(column::itemName));
    // Only a complete load makes the panel this order's: "修 改" writes into
    // it from now on, wherever the grid's cursor has gone in the meantime,
    // and only while it is still the order read here.
    m_loadedValues.clear();
    for (int c = 0; c < grid.fieldCount(); ++c)
        m_loadedValues.emplace_back(grid.fieldNames().at(c), grid.matchValue(grid.currentRow(), c));
    m_loadedRowId = id;
}

void OrderEditorPanel::focusField(QWidget* field)
{
    // A field of the lower part is out of sight while the panel is collapsed.
    if (field->y() >= collapsedHeight && !isExpanded())
        toggleHeight();
    field->setFocus(Qt::OtherFocusReason);
}

bool OrderEditorPanel::checkedTexts(OrderTexts& texts, double& quantity, double& amount)
{
    Dialogs& dialogs = m_platform.dialogs;
    if (!requiredFieldCheck(dialogs, courierBox, QStringLiteral("默认快递必须输入！")) ||
        !requiredFieldCheck(dialogs, printStatusBox, QStringLiteral("打印状态必须输入！")) ||
        !requiredFieldCheck(dialogs, recipientNameEdit, QStringLiteral("收件人姓名必须输入！")) ||
        !requiredFieldCheck(dialogs, recipientMobileEdit, QStringLiteral("收件人手机必须输入！")) ||
        !requiredFieldCheck(dialogs, recipientAddressEdit, QStringLiteral("收件人地址必须输入！")))
        return false;
    if (payDateField->isBlank()) {
        dialogs.inform(window(), QStringLiteral("日期必须输入"));
        return false;
    }
    // A partly typed or impossible date (2026-02-30) is refused rather than
    // stored as something else.
    const QDate date = payDateField->date();
    if (!date.isValid()) {
        dialogs.inform(window(), QStringLiteral("付款日期不是有效的日期，请按 年-月-日 输入！"));
        focusField(payDateField);
        return false;
    }
    // The typing filter lets through texts that are still not numbers (an
    // empty text, a lone point, two points): refuse them before anything is
    // written.
    const std::optional<double> q = OrderValues::number(quantityEdit->text(), m_shownQuantity);
    if (!q) {
        dialogs.inform(window(), QStringLiteral("数量必须是数字！"));
        focusField(quantityEdit);
        return false;
    }
    const std::optional<double> a = OrderValues::number(amountEdit->text(), m_shownAmount);
    if (!a) {
        dialogs.inform(window(), QStringLiteral("销售金额必须是数字！"));
        focusField(amountEdit);
        return false;
    }
    texts = {courierBox->currentText(), printStatusBox->currentText(), date, recipientNameEdit->text(), recipientMobileEdit->text(),
             recipientAddressEdit->text(), quantityEdit->text(), amountEdit->text(), remarkEdit->text(), itemNameEdit->text(), memberEdit->text(),
             orderNumberEdit->text()};
    quantity = *q;
    amount = *a;
    return true;
}

void OrderEditorPanel::saveNew()
{
    OrderTexts texts;
    double quantity = 0, amount = 0;
    if (!checkedTexts(texts, quantity, amount))
        return;
    // One insert statement: the database takes the whole row or none of it,
    // so a refused row leaves nothing behind for a later save.
    m_orders.appendOrder(OrderValues::fields(texts, quantity, amount));
    emit bannerRequested(QStringLiteral("新建记录成功..."));
    clearFields();
    m_loadedRowId.reset();
    m_orders.showAll();
    saveChangesButton->setEnabled(false);
}

void OrderEditorPanel::saveChanges()
{
    OrderTexts texts;
    double quantity = 0, amount = 0;
    if (!checkedTexts(texts, quantity, amount))
        return;
    if (!m_loadedRowId) {
        m_platform.dialogs.inform(window(), QStringLiteral("没有要修改的记录：请先双击列表中的记录，再修改。"));
        return;
    }
    const qint64 id = *m_loadedRowId;
    if (!m_orders.orderExists(id)) {
        m_platform.dialogs.inform(window(), QStringLiteral("要修改的记录已不存在（可能已被删除），修改没有保存。"));
        return;
    }
    m_orders.changeLoadedOrder(id, m_loadedValues, OrderValues::fields(texts, quantity, amount));
    m_orders.showAll();
    hide();
    emit bannerRequested(QStringLiteral("修改记录成功..."));
    clearFields();
    saveChangesButton->setEnabled(false);
    m_loadedRowId.reset();
}

void OrderEditorPanel::deleteSelected()
{
    const QMessageBox::StandardButton answer = m_platform.dialogs.message(
        window(), QStringLiteral("警告！"), QStringLiteral("你真的要删除选中资料吗？"), Dialogs::Icon::Warning,
        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel);
    if (answer != QMessageBox::Ok)
        return;
    const QList<int> rows = m_orders.selectedRows();
    // A long deletion shows how far it is; the window takes no input
    // meanwhile, so nothing can change the result under it.
    std::unique_ptr<QProgressDialog> shown;
    auto progress = [&](int done) {
        if (!shown) {
            shown = std::make_unique<QProgressDialog>(QStringLiteral("正在删除选中资料..."), QString(), 0,
                                                      int(rows.size()), window());
            shown->setWindowModality(Qt::WindowModal);
            shown->setMinimumDuration(0);
            shown->setAutoClose(false);
        }
        shown->setValue(done);
    };
    // A row that no longer matches stops with the engine's error: no banner.
    const int deleted = m_orders.deleteRows(rows, progress);
    if (deleted > 0)
        emit bannerRequested(QStringLiteral("删除记录成功..."));
}

}  // namespace kx
