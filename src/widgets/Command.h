#pragma once

namespace kx {

// The entries of the main window's command tables: the toolbar, its
// drop-down menus and the order grid's context menu. A feature claims the
// entries it handles; an entry nobody claims stays visible and disabled.
enum class Command {
    // Toolbar and its menus
    ImportOrders,     // 批量导入 ▸ 淘宝订单批量导入
    CleanImported,    // 批量导入 ▸ 优化导入数据
    CleanAddresses,   // 批量导入 ▸ 优化收件地址
    NewOrder,         // 新建记录
    WebLookup,        // 网点查询
    Backup,           // 数据备份
    Sender,           // 寄件人
    SenderInfo,       // 设 置 ▸ 寄件人信息
    Calibration,      // 设 置 ▸ 打印校准
    ChangePassword,   // 设 置 ▸ 修改密码 (administrator only)
    UserAdmin,        // 设 置 ▸ 用户管理
    DatabaseConnection,  // 设 置 ▸ 数据库连接 (its window asks for the administrator's password)
    Help,             // 技术支持 ▸ 使用帮助
    Update,           // 技术支持 ▸ 软件自动升级
    Website,          // 技术支持 ▸ 官方网站
    Contact,          // 技术支持 ▸ 客服邮箱
    About,            // 技术支持 ▸ 关于...
    // The grid's context menu
    GridImportOrders,   // 批量导入 ▸ 淘宝订单批量导入
    GridCleanImported,  // 批量导入 ▸ 优化导入数据
    GridNew,            // 新建记录 (administrator only)
    GridEdit,           // 修 改 (administrator only)
    GridDelete,         // 删 除 (administrator only)
    GridShowAll,        // 全部记录
    GridExport,         // 导出Excel, Ctrl+E
    GridPrintList,      // 打印全部清单, Ctrl+D
    GridHideItems,      // 隐藏商品信息 (administrator only)
    Count
};

// Menus that a feature fills with entries of its own.
enum class CommandMenu {
    SinglePrint,      // under the picture button "单张打印"
    BatchPrint,       // under the picture button "批量打印"
    GridSinglePrint,  // grid menu 单张打印 ▸
    GridBatchPrint,   // grid menu 批量打印 ▸
    Skins,            // 设 置 ▸ 皮肤界面
    Count
};

// The steps of the main window's start-up sequence, in the order they run.
enum class StartUpStep {
    ColumnMemory,   // the remembered column visibility
    LedgerQuery,    // the ledger's month query
    Tables,         // the tables opened for appending
    SenderProfile,  // the sender profile loaded
    EditorPanel,    // the order editor put away
    Settings,       // hint and date settings
    Date,           // today's date in the editor and the status bar
    Skin,           // the stored skin
    Count
};

}  // namespace kx
