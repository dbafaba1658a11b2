#pragma once

#include <QObject>

class QAction;
class QMenu;
class QToolBar;
class QToolButton;
class QWidget;

namespace kx {

// The main window's toolbar (ToolBar2), its drop-down menus and the order
// grid's context menu, with every entry under its caption. Entries whose
// commands are not part of the program yet are present and disabled.
class CommandTables : public QObject {
    Q_OBJECT
public:
    explicit CommandTables(QWidget* owner);

    QToolBar* ToolBar2;

    // Toolbar buttons, left to right.
    QToolButton* importButton;     // 批量导入 (menu)
    QAction* newOrder;             // 新建记录
    QAction* webLookup;            // 网点查询
    QAction* backup;               // 数据备份
    QAction* sender;               // 寄件人
    QToolButton* settingsButton;   // 设 置 (menu)
    QToolButton* supportButton;    // 技术支持 (menu)

    QMenu* importMenu;
    QAction* importOrders;         // 淘宝订单批量导入
    QAction* cleanImported;        // 优化导入数据
    QAction* cleanAddresses;       // 优化收件地址

    QMenu* settingsMenu;
    QAction* senderInfo;           // 寄件人信息
    QAction* changePassword;       // 修改密码 (administrator only)
    QAction* userAdmin;            // 用户管理
    QMenu* skinMenu;               // 皮肤界面

    QMenu* supportMenu;

    // The grid's context menu, in order.
    QMenu* gridMenu;
    QMenu* gridSingleMenu;         // 单张打印 ▸
    QMenu* gridBatchMenu;          // 批量打印 ▸
    QMenu* gridImportMenu;         // 批量导入 ▸
    QAction* gridNew;              // 新建记录 (administrator only)
    QAction* gridEdit;             // 修 改 (administrator only)
    QAction* gridDelete;           // 删 除 (administrator only)
    QAction* gridShowAll;          // 全部记录
    QAction* gridExport;           // 导出Excel, Ctrl+E
    QAction* gridPrintList;        // 打印全部清单, Ctrl+D
    QAction* gridHideItems;        // 隐藏商品信息 (administrator only)
};

}  // namespace kx
