#include "widgets/CommandRegistry.h"

#include "platform/AppInfo.h"
#include "platform/Platform.h"
#include "widgets/FontSubstitutions.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QToolBar>
#include <QToolButton>

namespace kx {

namespace {

// A 32 × 32 toolbar icon: a rounded tile with one character on it.
QIcon tileIcon(const QString& glyph, QColor colour)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(colour.darker(140));
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 6, 6);
    p.setFont(songFont(18, true));
    p.setPen(Qt::white);
    p.drawText(pm.rect(), Qt::AlignCenter, glyph);
    return QIcon(pm);
}

QAction* disabled(QAction* a)
{
    a->setEnabled(false);
    return a;
}

}  // namespace

CommandRegistry::CommandRegistry(const Platform& platform, QWidget* owner)
    : QObject(owner), m_platform(platform), m_owner(owner)
{
    auto put = [this](Command c, QAction* a) {
        m_actions[size_t(c)] = disabled(a);
        return a;
    };

    m_toolBar = new QToolBar(owner);
    m_toolBar->setObjectName(QStringLiteral("ToolBar2"));
    m_toolBar->setIconSize(QSize(32, 32));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setFont(songFont(12));

    auto button = [&](const QString& caption, const QString& glyph, QColor colour) {
        auto* a = new QAction(tileIcon(glyph, colour), caption, m_toolBar);
        m_toolBar->addAction(a);
        auto* b = qobject_cast<QToolButton*>(m_toolBar->widgetForAction(a));
        b->setFixedSize(55, 51);
        b->setObjectName(caption);
        return std::pair{a, b};
    };
    auto withMenu = [&](const QString& caption, const QString& glyph, QColor colour, QMenu* menu) {
        auto [a, b] = button(caption, glyph, colour);
        a->setMenu(menu);
        // A button that carries a menu only shows it.
        b->setPopupMode(QToolButton::InstantPopup);
        return b;
    };

    auto* importMenu = new QMenu(owner);
    put(Command::ImportOrders, importMenu->addAction(QStringLiteral("淘宝订单批量导入")));
    put(Command::CleanImported, importMenu->addAction(QStringLiteral("优化导入数据")));
    put(Command::CleanAddresses, importMenu->addAction(QStringLiteral("优化收件地址")));
    m_importButton = withMenu(QStringLiteral("批量导入"), QStringLiteral("导"), QColor(0x2e, 0x8b, 0x57), importMenu);

    put(Command::NewOrder, button(QStringLiteral("新建记录"), QStringLiteral("新"), QColor(0x1e, 0x78, 0xd2)).first);
    put(Command::WebLookup, button(QStringLiteral("网点查询"), QStringLiteral("网"), QColor(0x8a, 0x5c, 0xc8)).first);
    put(Command::Backup, button(QStringLiteral("数据备份"), QStringLiteral("备"), QColor(0xc8, 0x7d, 0x1e)).first);
    put(Command::Sender, button(QStringLiteral("寄件人"), QStringLiteral("寄"), QColor(0xd2, 0x4b, 0x4b)).first);

    auto* settingsMenu = new QMenu(owner);
    put(Command::SenderInfo, settingsMenu->addAction(QStringLiteral("寄件人信息")));
    put(Command::Calibration, settingsMenu->addAction(QStringLiteral("打印校准")));
    settingsMenu->addSeparator();
    put(Command::ChangePassword, settingsMenu->addAction(QStringLiteral("修改密码")));
    put(Command::UserAdmin, settingsMenu->addAction(QStringLiteral("用户管理")));
    put(Command::DatabaseConnection, settingsMenu->addAction(QStringLiteral("数据库连接")));
    QMenu* skins = settingsMenu->addMenu(QStringLiteral("皮肤界面"));
    m_menus[size_t(CommandMenu::Skins)] = skins;
    for (const char* skin : {"黑色经典(皮肤)", "蓝色幻想(皮肤)", "梦幻天空(皮肤)", "黑色遐想(皮肤)", "梦想成真(皮肤)"})
        disabled(skins->addAction(QString::fromUtf8(skin)));
    m_settingsButton = withMenu(QStringLiteral("设 置"), QStringLiteral("设"), QColor(0x55, 0x6b, 0x7d), settingsMenu);

    auto* supportMenu = new QMenu(owner);
    put(Command::Help, supportMenu->addAction(QStringLiteral("使用帮助")));
    put(Command::Update, supportMenu->addAction(QStringLiteral("软件自动升级")));
    put(Command::Website, supportMenu->addAction(QStringLiteral("官方网站")));
    put(Command::Contact, supportMenu->addAction(QStringLiteral("客服邮箱：") + makerEmail));
    put(Command::About, supportMenu->addAction(QStringLiteral("关于...")));
    m_supportButton = withMenu(QStringLiteral("技术支持"), QStringLiteral("助"), QColor(0x1e, 0x9a, 0xa0), supportMenu);

    m_menus[size_t(CommandMenu::SinglePrint)] = new QMenu(owner);
    m_menus[size_t(CommandMenu::BatchPrint)] = new QMenu(owner);

    m_gridMenu = new QMenu(owner);
    m_gridMenu->setObjectName(QStringLiteral("PopupMenu1"));
    m_menus[size_t(CommandMenu::GridSinglePrint)] = m_gridMenu->addMenu(QStringLiteral("单张打印"));
    m_menus[size_t(CommandMenu::GridBatchPrint)] = m_gridMenu->addMenu(QStringLiteral("批量打印"));
    m_gridMenu->addSeparator();
    QMenu* gridImport = m_gridMenu->addMenu(QStringLiteral("批量导入"));
    put(Command::GridImportOrders, gridImport->addAction(QStringLiteral("淘宝订单批量导入")));
    put(Command::GridCleanImported, gridImport->addAction(QStringLiteral("优化导入数据")));
    put(Command::GridNew, m_gridMenu->addAction(QStringLiteral("新建记录")));
    put(Command::GridEdit, m_gridMenu->addAction(QStringLiteral("修 改")));
    put(Command::GridDelete, m_gridMenu->addAction(QStringLiteral("删 除")));
    put(Command::GridShowAll, m_gridMenu->addAction(QStringLiteral("全部记录")));
    QAction* exportList = put(Command::GridExport, m_gridMenu->addAction(QStringLiteral("导出Excel")));
    exportList->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    QAction* printList = put(Command::GridPrintList, m_gridMenu->addAction(QStringLiteral("打印全部清单")));
    printList->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    m_gridMenu->addSeparator();
    put(Command::GridHideItems, m_gridMenu->addAction(QStringLiteral("隐藏商品信息")));
    // The shortcuts work while the main window has the focus, not only while
    // the menu is open.
    owner->addAction(exportList);
    owner->addAction(printList);
}

void CommandRegistry::on(Command command, std::function<void()> handler)
{
    QAction* a = action(command);
    a->setEnabled(true);
    connect(a, &QAction::triggered, this,
            [this, handler = std::move(handler)] { m_platform.guard(m_owner, handler); });
}

void CommandRegistry::addStartUpStep(StartUpStep step, std::function<void()> run)
{
    m_steps[size_t(step)].push_back(std::move(run));
}

void CommandRegistry::runStartUp() const
{
    m_platform.guard(m_owner, [this] {
        for (const auto& steps : m_steps)
            for (const auto& run : steps)
                run();
    });
}

}  // namespace kx
