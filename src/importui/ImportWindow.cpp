#include "importui/ImportWindow.h"

#include "core/DbError.h"
#include "core/OperationError.h"
#include "core/TextValue.h"
#include "data/DatabaseChecker.h"
#include "data/ServerConnection.h"
#include "data/Schema.h"
#include "import/OrderImport.h"
#include "import/RepeatedOrders.h"
#include "import/ReportFileReader.h"
#include "orders/OrderRegister.h"
#include "platform/AppInfo.h"
#include "platform/Platform.h"
#include "platform/RegisterChoice.h"
#include "widgets/CommandRegistry.h"
#include "widgets/FontSubstitutions.h"
#include "widgets/PictureButton.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>

#include <algorithm>
#include <new>

namespace kx {

namespace {

const QString pathMessage = QStringLiteral("请正确选择相关路径！");
const QString connectFailedMessage = QStringLiteral("连接ACCESS失败！请联系技术客服QQ:");
const QString importedMessage = QStringLiteral("批量EXCEL导入成功！请退出在主界面中点全部记录查看");
const QString importFailedMessage = QStringLiteral("批量EXCEL导入失败！请联系官网技术QQ客服");
const QString repeatsQuestion =
    QStringLiteral("报表中有 %1 个订单已在订单库中（订单编号相同）。是否跳过这些订单，只导入新的订单？");
const QString importCounts = QStringLiteral("\n导入 %1 个订单，跳过 %2 个订单。");
// How many of the repeated numbers the question's details list.
constexpr int repeatsListed = 20;

// A path typed as "~/…" lies in the home folder, as in a shell.
QString withHomeFolder(const QString& path)
{
    return path.startsWith(QLatin1String("~/")) ? QDir::homePath() + path.mid(1) : path;
}

// How long an import may hold the window without letting the desktop's
// paint and timer events through.
constexpr qint64 eventsEveryMs = 100;

QLabel* label(const QString& text, const QRect& geometry, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(geometry);
    return l;
}

QLineEdit* pathBox(const char* name, const QRect& geometry, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setGeometry(geometry);
    return e;
}

QPushButton* flatButton(const char* name, const QString& text, const QRect& geometry, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(geometry);
    b->setFlat(true);
    // Enter in a path box must not open a file dialog.
    b->setAutoDefault(false);
    return b;
}

void setTextColour(QWidget* w, const QColor& colour)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, colour);
    w->setPalette(pal);
}

}  // namespace

ImportWindow::ImportWindow(OrderRegister& orders, const Platform& platform, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_orders(orders), m_platform(platform)
{
    setObjectName(QStringLiteral("Texcell"));
    setWindowTitle(QStringLiteral("Excel导入数据库"));
    setFixedSize(419, 366);
    setFont(songFont(14));

    QLabel* warning = label(QStringLiteral("警告：导入前请您务必先备份数据库"), {96, 16, 240, 14}, this);
    warning->setFont(songFont(14, true));
    setTextColour(warning, Qt::red);

    QLabel* reportLabel = label(QStringLiteral("Execl路径："), {26, 51, 77, 14}, this);
    reportPathEdit = pathBox("Edit2", {107, 48, 166, 22}, this);
    reportLabel->setBuddy(reportPathEdit);
    browseReportButton = flatButton("browseReportButton", QStringLiteral("打开Excel文件"), {288, 48, 105, 25}, this);

    QLabel* databaseLabel = label(QStringLiteral("数据库路径："), {20, 82, 84, 14}, this);
    databasePathEdit = pathBox("Edit1", {107, 80, 166, 22}, this);
    databaseLabel->setBuddy(databasePathEdit);
    databasePathEdit->setToolTip(QStringLiteral("数据库文件的路径，或数据库服务器的连接地址，例如 "
                                                "postgresql://kestrix@192.168.1.10:5432/kestrix"));
    browseDatabaseButton = flatButton("browseDatabaseButton", QStringLiteral("选择数据库"), {288, 80, 105, 25}, this);

    importButton = new PictureButton(QStringLiteral("Excel自动导入"), this);
    importButton->setObjectName(QStringLiteral("Image1"));
    importButton->setGeometry(96, 112, 192, 36);

    instructionsLink = label(QStringLiteral("详细使用说明"), {316, 130, 84, 14}, this);
    instructionsLink->setObjectName(QStringLiteral("instructionsLink"));
    QFont underlined = songFont(14);
    underlined.setUnderline(true);
    instructionsLink->setFont(underlined);
    setTextColour(instructionsLink, Qt::blue);
    instructionsLink->setCursor(Qt::PointingHandCursor);
    // Grown downwards to the height the underlined line takes: the Song
    // faces here reach lower than the Windows face the 14 pixels were made
    // for, and the underline would be cut off below.
    instructionsLink->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    instructionsLink->resize(instructionsLink->width(),
                             std::max(instructionsLink->height(), instructionsLink->sizeHint().height()));
    instructionsLink->installEventFilter(this);

    instructionsBox = new QGroupBox(QStringLiteral("导入使用说明"), this);
    instructionsBox->setObjectName(QStringLiteral("instructionsBox"));
    instructionsBox->setGeometry(16, 168, 385, 185);
    const std::pair<QString, QRect> steps[] = {
        {QStringLiteral("1、将淘宝中等待发货打印的订单生成报表保存到电脑上，文件为CSV格式"), {32, 32, 337, 33}},
        {QStringLiteral("2、将此文件用EXCEL打开，右键左下角的工作表重命名为tarnvale，然后另存为普通的xls格式。"),
         {32, 72, 329, 33}},
        {QStringLiteral("3、导入成功后，到主界面点“全部记录”进行查看，然后分别点批量导入下面的按钮进行优化。"),
         {32, 120, 329, 33}},
    };
    for (const auto& [text, geometry] : steps) {
        QLabel* step = label(text, geometry, instructionsBox);
        step->setWordWrap(true);
        step->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        // Grown downwards to the lines the text takes, as a self-sizing
        // label does: the Song faces here space their lines wider than the
        // Windows face the heights were made for, and a cut second line
        // would lose its lower half.
        step->resize(geometry.width(), std::max(geometry.height(), step->heightForWidth(geometry.width())));
    }

    setTabOrder(databasePathEdit, reportPathEdit);
    setTabOrder(reportPathEdit, browseReportButton);
    setTabOrder(browseReportButton, browseDatabaseButton);

    connect(browseReportButton, &QPushButton::clicked, this, &ImportWindow::browseReport);
    connect(browseDatabaseButton, &QPushButton::clicked, this, &ImportWindow::browseDatabase);
    connect(importButton, &PictureButton::pressed, this, [this](const QPoint&, Qt::MouseButton button) {
        if (button == Qt::LeftButton)
            runImport();
    });

    // Centred on the desktop once; where the user moves it, it stays.
    if (QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void ImportWindow::registerCommands(CommandRegistry& commands)
{
    commands.on(Command::ImportOrders, [this] { showModally(); });
    commands.on(Command::GridImportOrders, [this] { showModally(); });
}

void ImportWindow::showModally()
{
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
    databasePathEdit->setFocus();
}

void ImportWindow::browseDatabase()
{
    const QString path = m_platform.dialogs.openFileName(this, QStringLiteral("请选择相应的MDB文件"),
                                                         QStringLiteral("access (*.mdb)"), QStringLiteral("mdb"));
    if (!path.isEmpty())
        databasePathEdit->setText(path);
}

void ImportWindow::browseReport()
{
    const QString path = m_platform.dialogs.openFileName(
        this, QStringLiteral("请选择相应的Excel文件"),
        QStringLiteral("订单报表 (*.xls *.xlsx *.csv);;Excel(*.xls);;Excel 2007(*.xlsx);;CSV(*.csv)"),
        QStringLiteral("xls"));
    if (!path.isEmpty())
        reportPathEdit->setText(path);
}

void ImportWindow::warn(const QString& text)
{
    QWidget* owner = QApplication::activeWindow();
    m_platform.dialogs.message(owner ? owner : this, QStringLiteral("警告"), text, Dialogs::Icon::Warning,
                               QMessageBox::Ok, QMessageBox::Ok);
}

void ImportWindow::runImport()
{
    if (m_importing)
        return;
    // Only blanks and control characters go; a full-width blank is part of
    // a name.
    // The database box names a file or a register on a server (a connection URI).
    const QString typedDatabase = trimControl(databasePathEdit->text());
    const bool onServer = ServerConnection::isServerUri(typedDatabase);
    const QString databasePath = onServer ? typedDatabase : withHomeFolder(typedDatabase);
    const QString reportPath = withHomeFolder(trimControl(reportPathEdit->text()));
    if (databasePath.isEmpty() || reportPath.isEmpty()) {
        warn(pathMessage);
        return;
    }

    m_connection.close();
    // The file may come from anywhere, and the engine crashes on some crafted
    // files as it opens them, or runs their triggers on our writes: it is
    // looked at in a process of its own before a connection of ours touches it.
    // A server keeps its own tables; there is no file to look at.
    if (!onServer) {
        try {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
            DatabaseChecker().checkWhole(databasePath);
        } catch (const OperationError& e) {
            warn(e.message());
            return;
        }
    }
    try {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        m_connection.open(databasePath, schema::databaseKey);
    } catch (const std::exception& e) {
        m_connection.close();
        if (onServer) {
            // The server's own reason (down, refused, no such database) is
            // what the shop can act on; the URI is shown without a password.
            const auto* op = dynamic_cast<const OperationError*>(&e);
            warn(QStringLiteral("无法连接数据库服务器 %1。\n原因：%2")
                     .arg(RegisterChoice::label(databasePath),
                          RegisterChoice::serverReason(op ? op->message() : QString::fromLocal8Bit(e.what()),
                                                       databasePath)));
        } else {
            warn(connectFailedMessage + supportContact);
        }
        return;
    }

    if (!importReport(reportPath)) {
        // The reason on a line of its own, so the shop can mend its report.
        warn(importFailedMessage + QLatin1Char('\n') + m_importFailure);
        return;
    }
    if (m_importCancelled)
        return;
    warn(importedMessage + m_importCounts);
    // Every order is in: an error of the reload (an older order's null) is
    // the grid's, and the general error display names it.
    m_platform.guard(this, [this] { m_orders.showAll(); });
}

bool ImportWindow::importReport(const QString& reportPath)
{
    m_importing = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([this] {
        QApplication::restoreOverrideCursor();
        m_importing = false;
    });
    // A report of thousands of orders takes a while: paints and timers go
    // on meanwhile, clicks and keys wait until it is done.
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    const auto keepAlive = [&sinceEvents](int) {
        if (sinceEvents.elapsed() >= eventsEveryMs) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            sinceEvents.restart();
        }
    };
    m_importCancelled = false;
    m_importCounts.clear();
    m_importFailure.clear();
    try {
        const ReportFileReader report = ReportFileReader::fromFile(reportPath);
        RepeatedOrders repeats(OrderImport::orderNumbers(report.table(), report.uses1904()));
        const QMessageBox::StandardButton answer = askAboutRepeats(repeats);
        if (answer == QMessageBox::Cancel) {
            m_importCancelled = true;
            return true;
        }
        const bool leaveOut = answer == QMessageBox::Yes;
        const int added = OrderImport::run(m_connection, report.table(), report.uses1904(), keepAlive,
                                           leaveOut ? &repeats : nullptr);
        if (answer != QMessageBox::NoButton)
            m_importCounts = importCounts.arg(added).arg(leaveOut ? repeats.leftOut() : 0);
        return true;
    } catch (const DbError& e) {
        // The engine's own words, after ours: they are what support needs.
        m_importFailure = QStringLiteral("数据库操作失败：") + e.message();
    } catch (const OperationError& e) {
        m_importFailure = e.message();
    } catch (const std::bad_alloc&) {
        m_importFailure = QStringLiteral("内存不足，无法读取订单报表。");
    } catch (const std::exception& e) {
        m_importFailure = QStringLiteral("读取订单报表时出错：") + QString::fromLocal8Bit(e.what());
    }
    return false;
}

QMessageBox::StandardButton ImportWindow::askAboutRepeats(RepeatedOrders& repeats)
{
    repeats.lookUp(m_connection);
    if (repeats.count() == 0)
        return QMessageBox::NoButton;
    QStringList listed = repeats.firstNumbers(repeatsListed + 1);
    if (listed.size() > repeatsListed) {
        listed.removeLast();
        listed << QStringLiteral("……");
    }
    // The user decides at leisure: no wait cursor over the question.
    QApplication::restoreOverrideCursor();
    const auto answer = m_platform.dialogs.messageWithDetails(
        this, appTitle, repeatsQuestion.arg(repeats.count()), listed.join(QLatin1Char('\n')), Dialogs::Icon::Question,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Closing the box any other way imports nothing.
    return answer == QMessageBox::Yes || answer == QMessageBox::No ? answer : QMessageBox::Cancel;
}

void ImportWindow::done(int result)
{
    // Not while an import runs on the connection: a close request can
    // arrive while it lets events through.
    if (m_importing)
        return;
    m_connection.close();
    QDialog::done(result);
}

void ImportWindow::closeEvent(QCloseEvent* event)
{
    if (m_importing) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void ImportWindow::keyPressEvent(QKeyEvent* event)
{
    // The window closes by its close box only.
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

bool ImportWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == instructionsLink && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && instructionsLink->rect().contains(mouse->position().toPoint())) {
            m_platform.shell.openUrl(makerSite);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace kx
