#include "orders/ExcelExport.h"

#include "data/Dataset.h"
#include "data/LoginSession.h"
#include "orders/ExportProgress.h"
#include "orders/OrderGrid.h"
#include "orders/OrderGridModel.h"
#include "orders/OrderRegister.h"
#include "platform/AppInfo.h"
#include "platform/Platform.h"
#include "widgets/CommandRegistry.h"
#include "widgets/FooterRow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSaveFile>

namespace kx {

namespace {

// The hourglass for as long as it lives.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Lets the progress window paint without letting the user act meanwhile:
// nothing may change the result while it is written.
void paintPending()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

const QString ExcelExport::xlsFilter = QStringLiteral("Microsoft Excel xls文件 (*.xls)");
const QString ExcelExport::xlsxFilter = QStringLiteral("Excel 2007 xlsx文件 (*.xlsx)");
const QString ExcelExport::fileFilter = xlsFilter + QStringLiteral(";;") + xlsxFilter;

ExcelExport::ExcelExport(OrderRegister& orders, const OrderGrid& grid, const LoginSession& session,
                         const Platform& platform, QWidget* owner)
    : QObject(owner), m_orders(orders), m_grid(grid), m_session(session), m_platform(platform), m_owner(owner)
{
    setObjectName(QStringLiteral("ExcelExport"));
}

void ExcelExport::registerCommands(CommandRegistry& commands)
{
    commands.on(Command::GridExport, [this] { run(); });
}

OrderListSheet ExcelExport::sheet() const
{
    QList<OrderListSheet::Column> columns;
    for (int c = 0; c < OrderGridModel::ColumnCount; ++c) {
        const OrderGridColumn& column = OrderGridModel::columns()[size_t(c)];
        // The footer's stored texts; the sums under quantity and amount are
        // figures of the screen, not texts of the list.
        QString footer;
        if (c == NameColumn)
            footer = m_grid.footer()->text(NameColumn);
        else if (c == OrderGrid::CountColumn)
            footer = m_orders.rowCountText();
        columns.append({column.field, column.title(), footer, m_grid.isColumnVisible(c), c == PayDateColumn});
    }
    return OrderListSheet(m_orders.result(), columns, m_session.userName(), m_platform.clock.now());
}

OrderListSheet::Format ExcelExport::formatOf(const QString& path)
{
    return path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive) ? OrderListSheet::Format::Xlsx
                                                                         : OrderListSheet::Format::Xls;
}

void ExcelExport::run()
{
    Dialogs& dialogs = m_platform.dialogs;
    const QString chosen = dialogs.saveFileName(m_owner, QString(), fileFilter, QStringLiteral("xls"), QString());
    if (chosen.isEmpty())
        return;
    const Dataset& result = m_orders.result();
    if (!result.isOpen() || result.rowCount() == 0)
        return;

    const OrderListSheet list = sheet();
    const OrderListSheet::Format format = formatOf(chosen);
    if (!list.fits(format)) {
        fail(format == OrderListSheet::Format::Xls
                 ? QStringLiteral("xls文件的一张工作表最多有65536行，除去标题行和合计行，最多只能容纳%1条记录；"
                                  "当前列表有%2条记录。请改选“Excel 2007 xlsx文件”格式，或先用快速查询缩小范围，"
                                  "分批导出。")
                       .arg(list.capacity(format))
                       .arg(result.rowCount())
                 : QStringLiteral("xlsx文件的一张工作表最多有1048576行，除去标题行和合计行，最多只能容纳%1条记录；"
                                  "当前列表有%2条记录。请先用快速查询缩小范围，分批导出。")
                       .arg(list.capacity(format))
                       .arg(result.rowCount()));
        return;
    }
    const QString path = QFileInfo(chosen).absoluteFilePath();
    QString failure;
    {
        // The hourglass from here to the end, the overwrite question
        // included; it is gone before a failure is told.
        WaitCursor wait;
        if (QFileInfo::exists(path)) {
            const QMessageBox::StandardButton answer = dialogs.message(
                m_owner, QStringLiteral("提示"),
                QStringLiteral("已存在文件（") + QDir::toNativeSeparators(path) + QStringLiteral("），是否覆盖？"),
                Dialogs::Icon::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
            if (answer != QMessageBox::Yes)
                return;
        }
        failure = write(list, format, path);
    }
    if (!failure.isEmpty())
        fail(failure);
}

QString ExcelExport::write(const OrderListSheet& sheet, OrderListSheet::Format format, const QString& path)
{
    const int orders = m_orders.rowCount();
    ExportProgress progress(orders, m_owner);
    progress.show();
    paintPending();

    // The bar moves every 100 ms, not after every order: repainting it costs
    // more than writing hundreds of orders.
    QElapsedTimer since;
    since.start();
    const auto advance = [&](int done) {
        if (since.elapsed() < 100)
            return;
        progress.setValue(done);
        paintPending();
        since.restart();
    };

    if (format == OrderListSheet::Format::Xlsx) {
        // The workbook is written beside the target and renamed over it
        // once complete, as the .xls below.
        const QString failure = sheet.writeXlsx(path, advance);
        if (!failure.isEmpty())
            return failure;
    } else {
        const QString shownPath = QDir::toNativeSeparators(path);
        // Written beside the target under another name and renamed over it
        // once complete; until then an existing file stays as it was, and a
        // file not completed is removed.
        // Unbuffered: the sheet hands over large pieces itself, and a write
        // the disk refuses must fail at once. Qt's own buffer would be
        // written only in commit(), which does not notice when that write
        // fails.
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return QStringLiteral("无法创建文件（%1）：%2").arg(shownPath, file.errorString());
        if (!sheet.write(file, advance)) {
            const QString reason = QStringLiteral("无法写入文件（%1）：%2").arg(shownPath, file.errorString());
            file.cancelWriting();
            return reason;
        }
        if (!file.commit())
            return QStringLiteral("无法保存文件（%1）：%2").arg(shownPath, file.errorString());
    }
    progress.setValue(orders);
    m_platform.shell.openFile(path);
    return QString();
}

void ExcelExport::fail(const QString& reason)
{
    m_platform.dialogs.message(m_owner, appTitle, QStringLiteral("导出失败：") + reason, Dialogs::Icon::Warning,
                               QMessageBox::Ok, QMessageBox::Ok);
}

}  // namespace kx
