#include "app/CommandTables.h"
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

CommandTables::CommandTables(QWidget* owner) : QObject(owner)
{
    ToolBar2 = new QToolBar(owner);
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    ToolBar2->setIconSize(QSize(32, 32));
    ToolBar2->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar2->setMovable(false);
    ToolBar2->setFloatable(false);
    ToolBar2->setFont(songFont(12));

    auto button = [&](const QString& caption, const QString& glyph, QColor colour) {
        auto* a = new QAction(tileIcon(glyph, colour), caption, ToolBar2);
        ToolBar2->addAction(a);
        auto* b = qobject_cast<QToolButton*>(ToolBar2->widgetForAction(a));
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

    importMenu = new QMenu(owner);
    importOrders = disabled(importMenu->addAction(QStringLiteral("淘宝订单批量导入")));
    cleanImported = disabled(importMenu->addAction(QStringLiteral("优化导入数据")));
    cleanAddresses = disabled(importMenu->addAction(QStringLiteral("优化收件地址")));
    importButton = withMenu(QStringLiteral("批量导入"), QStringLiteral("导"), QColor(0x2e, 0x8b, 0x57), importMenu);

    newOrder = button(QStringLiteral("新建记录"), QStringLiteral("新"), QColor(0x1e, 0x78, 0xd2)).first;
    webLookup = disabled(button(QStringLiteral("网点查询"), QStringLiteral("网"), QColor(0x8a, 0x5c, 0xc8)).first);
    backup = disabled(button(QStringLiteral("数据备份"), QStringLiteral("备"), QColor(0xc8, 0x7d, 0x1e)).first);
    sender = button(QStringLiteral("寄件人"), QStringLiteral("寄"), QColor(0xd2, 0x4b, 0x4b)).first;

    settingsMenu = new QMenu(owner);
    senderInfo = settingsMenu->addAction(QStringLiteral("寄件人信息"));
    settingsMenu->addSeparator();
    changePassword = disabled(settingsMenu->addAction(QStringLiteral("修改密码")));
    userAdmin = disabled(settingsMenu->addAction(QStringLiteral("用户管理")));
    skinMenu = settingsMenu->addMenu(QStringLiteral("皮肤界面"));
    for (const char* skin : {"黑色经典(皮肤)", "蓝色幻想(皮肤)", "梦幻天空(皮肤)", "黑色遐想(皮肤)", "梦想成真(皮肤)"})
        disabled(skinMenu->addAction(QString::fromUtf8(skin)));
    settingsButton = withMenu(QStringLiteral("设 置"), QStringLiteral("设"), QColor(0x55, 0x6b, 0x7d), settingsMenu);

    supportMenu = new QMenu(owner);
    for (const char* entry : {"使用帮助", "软件自动升级", "官方网站", "客服邮箱：support@kestrix.cn", "关于..."})
        disabled(supportMenu->addAction(QString::fromUtf8(entry)));
    supportButton = withMenu(QStringLiteral("技术支持"), QStringLiteral("助"), QColor(0x1e, 0x9a, 0xa0), supportMenu);

    gridMenu = new QMenu(owner);
    gridMenu->setObjectName(QStringLiteral("PopupMenu1"));
    gridSingleMenu = gridMenu->addMenu(QStringLiteral("单张打印"));
    gridBatchMenu = gridMenu->addMenu(QStringLiteral("批量打印"));
    gridMenu->addSeparator();
    gridImportMenu = gridMenu->addMenu(QStringLiteral("批量导入"));
    disabled(gridImportMenu->addAction(QStringLiteral("淘宝订单批量导入")));
    disabled(gridImportMenu->addAction(QStringLiteral("优化导入数据")));
    gridNew = gridMenu->addAction(QStringLiteral("新建记录"));
    gridEdit = gridMenu->addAction(QStringLiteral("修 改"));
    gridDelete = gridMenu->addAction(QStringLiteral("删 除"));
    gridShowAll = gridMenu->addAction(QStringLiteral("全部记录"));
    gridExport = disabled(gridMenu->addAction(QStringLiteral("导出Excel")));
    gridExport->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    gridPrintList = disabled(gridMenu->addAction(QStringLiteral("打印全部清单")));
    gridPrintList->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    gridMenu->addSeparator();
    gridHideItems = disabled(gridMenu->addAction(QStringLiteral("隐藏商品信息")));
    // The shortcuts work while the main window has the focus, not only while
    // the menu is open.
    owner->addAction(gridExport);
    owner->addAction(gridPrintList);
}

}  // namespace kx
