#include "maintenance/Preferences.h"

#include "maintenance/Skins.h"
#include "orders/GridColumn.h"
#include "orders/OrderGrid.h"
#include "platform/Platform.h"
#include "platform/SettingsKeys.h"
#include "widgets/CommandRegistry.h"

#include <QAction>
#include <QChildEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QWidget>

namespace kx {

namespace {

const QString yes = QStringLiteral("yes");
const QString no = QStringLiteral("no");

// The group titled "商 品 信 息".
constexpr GridColumn itemColumns[] = {PayDateColumn, ItemColumn,   QuantityColumn, AmountColumn,
                                      MemberColumn,  OrderNumberColumn, RemarkColumn};

// Hands a window's font down to every control in it that has none of its
// own. Controls made inside a window that already stands under a skin's
// style sheet are not given their window's font by Qt: they would show in
// the desktop's default face and size.
void handFontDown(QWidget* widget)
{
    for (QObject* o : widget->children()) {
        auto* child = qobject_cast<QWidget*>(o);
        if (!child || child->isWindow())
            continue;
        if (!child->testAttribute(Qt::WA_SetFont))
            child->setFont(widget->font());
        handFontDown(child);
    }
}

}  // namespace

Preferences::Preferences(OrderGrid& grid, const Platform& platform, QWidget* mainWindow)
    : QObject(mainWindow), m_grid(grid), m_platform(platform), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("Preferences"));
    auto hiddenBox = [mainWindow](const char* name) {
        auto* box = new QLineEdit(mainWindow);
        box->setObjectName(QString::fromLatin1(name));
        box->hide();
        return box;
    };
    m_stockAlarm = hiddenBox("StockAlarmEdit");
    m_orderNumber = hiddenBox("LedgerOrderNumberEdit");
    mainWindow->installEventFilter(this);
}

bool Preferences::eventFilter(QObject* watched, QEvent* event)
{
    // A window the main window opens (a tool window, a message box) is
    // polished once it is complete and about to show.
    if (watched == m_mainWindow && event->type() == QEvent::ChildPolished && m_skin >= 0)
        if (auto* window = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child()))
            if (window->isWindow())
                handFontDown(window);
    return QObject::eventFilter(watched, event);
}

void Preferences::registerCommands(CommandRegistry& commands)
{
    m_hideItems = commands.action(Command::GridHideItems);
    m_hideItems->setCheckable(true);
    commands.on(Command::GridHideItems, [this] { setItemsHidden(m_hideItems->isChecked()); });

    const QList<QAction*> entries = commands.menu(CommandMenu::Skins)->actions();
    for (int number = 0; number < Skins::count && number < entries.size(); ++number) {
        QAction* entry = entries.at(number);
        entry->setEnabled(true);
        connect(entry, &QAction::triggered, this,
                [this, number] { m_platform.guard(m_mainWindow, [this, number] { chooseSkin(number); }); });
    }

    commands.addStartUpStep(StartUpStep::ColumnMemory, [this] { restoreColumnMemory(); });
    commands.addStartUpStep(StartUpStep::Skin, [this] { restoreSkin(); });
}

std::optional<QString> Preferences::read(const QString& name) const
{
    return m_platform.settings.read(settingsKeys::main, name);
}

void Preferences::write(const QString& name, const QString& value)
{
    m_platform.settings.write(settingsKeys::main, name, value);
}

void Preferences::restoreColumnMemory()
{
    if (!m_platform.settings.keyExists(settingsKeys::main))
        return;
    if (const auto v = read(QStringLiteral("rukuyin1")); v == yes || v == no) {
        showItemColumns(*v == no);
        if (m_hideItems)
            m_hideItems->setChecked(*v == yes);
    }
    showColumns({AmountColumn}, read(QStringLiteral("rukuyin6")).value_or(QString()));
    showColumns({ItemColumn, MemberColumn, RemarkColumn}, read(QStringLiteral("rukuyin2")).value_or(QString()));
    // rukuyin3 to rukuyin5 name columns 12 to 14, which the order grid does
    // not have: whatever they hold changes nothing.
    if (const auto v = read(QStringLiteral("ordernumber")))
        m_orderNumber->setText(*v);
    // xiaoshouyin1 to xiaoshouyin10 are the stock ledger's columns; the
    // ledger's grid is not part of this program, so they are left unread.
}

void Preferences::restoreSkin()
{
    if (!m_platform.settings.keyExists(settingsKeys::main))
        return;
    if (const auto v = read(QStringLiteral("skin")))
        if (const std::optional<int> number = Skins::fromStored(*v))
            applySkin(*number);
    if (const auto v = read(QStringLiteral("number")); v && !v->isEmpty())
        m_stockAlarm->setText(*v);
    // company and address fill two boxes of the stock ledger, which is not
    // part of this program.
}

void Preferences::applySkin(int number)
{
    if (number < 0 || number >= Skins::count)
        return;
    // A control whose font comes from its parent, or from its window through
    // a style sheet of its own (the login's labels), loses it when a style
    // sheet replaces another: it falls back to the desktop's default face.
    // Every control keeps the font it showed before the sheet changed.
    QList<std::pair<QPointer<QWidget>, QFont>> fonts;
    for (QWidget* widget : m_mainWindow->findChildren<QWidget*>())
        fonts.append({widget, widget->font()});
    m_mainWindow->setStyleSheet(Skins::styleSheet(number));
    for (const auto& [widget, font] : std::as_const(fonts))
        if (widget && widget->font() != font)
            widget->setFont(font);
    m_skin = number;
}

void Preferences::chooseSkin(int number)
{
    applySkin(number);
    write(QStringLiteral("skin"), QString::number(number));
}

void Preferences::setItemsHidden(bool hidden)
{
    showItemColumns(!hidden);
    if (m_hideItems)
        m_hideItems->setChecked(hidden);
    write(QStringLiteral("rukuyin1"), hidden ? yes : no);
}

void Preferences::withholdColumns(std::initializer_list<int> columns)
{
    for (int column : columns) {
        m_withheld.insert(column);
        m_grid.setColumnVisible(column, false);
    }
}

void Preferences::showItemColumns(bool shown)
{
    for (GridColumn column : itemColumns)
        setColumnShown(column, shown);
}

void Preferences::showColumns(std::initializer_list<int> columns, const QString& value)
{
    if (value != yes && value != no)
        return;
    for (int column : columns)
        setColumnShown(column, value == no);
}

void Preferences::setColumnShown(int column, bool shown)
{
    m_grid.setColumnVisible(column, shown && !m_withheld.contains(column));
}

}  // namespace kx
