#include "app/MainWindow.h"

#include "access/ChangePasswordWindow.h"
#include "access/LoginWindow.h"
#include "access/UserAdminWindow.h"
#include "app/CreateOnDemand.h"
#include "app/HintSettings.h"
#include "app/SuccessBanner.h"
#include "core/DateText.h"
#include "core/DbError.h"
#include "core/TextValue.h"
#include "data/Ledger.h"
#include "data/LoginJournal.h"
#include "data/SenderProfile.h"
#include "data/Database.h"
#include "orders/ExcelExport.h"
#include "importui/ImportWindow.h"
#include "importui/ImportCleanup.h"
#include "maintenance/ExitBackup.h"
#include "maintenance/Preferences.h"
#include "maintenance/BackupWindow.h"
#include "maintenance/ConnectionWindow.h"
#include "orders/OrderEditorPanel.h"
#include "orders/OrderGrid.h"
#include "orders/OrderListPrinting.h"
#include "orders/OrderRegister.h"
#include "orders/QuickSearchPanel.h"
#include "platform/AppInfo.h"
#include "platform/Platform.h"
#include "waybill/SenderPanel.h"
#include "waybill/WaybillPrinting.h"
#include "widgets/CommandRegistry.h"
#include "widgets/FontSubstitutions.h"
#include "widgets/PictureButton.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace kx {

namespace {

constexpr int clientWidth = 1058;
constexpr int clientHeight = 636;
constexpr int lowerPanelHeight = 141;
constexpr int statusBarHeight = 22;

}  // namespace

MainWindow::MainWindow(Database& dm, const Platform& platform) : m_dm(dm), m_platform(platform)
{
    setObjectName(QStringLiteral("TMainForm"));
    setWindowTitle(appTitle + QStringLiteral(" V2.1"));
    setFont(songFont(14));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    setPalette(pal);

    m_client = new QWidget(this);
    setCentralWidget(m_client);

    m_orders = new OrderRegister(dm, this);
    m_orderGrid = new OrderGrid(*m_orders, m_client);
    m_commands = new CommandRegistry(platform, this);
    buildLowerPanel();
    buildStatusBar();

    m_banner = new SuccessBanner(m_client);
    m_sender = new SenderProfile(dm, this);
    m_editor = new OrderEditorPanel(*m_orders, *m_sender, platform, m_client);
    // The editor panel stands open until the start-up sequence hides it, so a
    // sequence that stops early leaves it visible.
    m_editor->show();
    m_senderPanel = new SenderPanel(*m_sender, platform, m_client);
    m_senderPanel->hide();
    m_printing = new WaybillPrinting(*m_orders, platform, *m_sender, this);
    m_cleanup = new ImportCleanup(*m_orders, *m_sender, this);
    connect(m_cleanup, &ImportCleanup::progress, this, [this](int done, int total) {
        m_status[0]->setText(QStringLiteral("正在优化收件地址… %1/%2").arg(done).arg(total));
    });
    connect(m_cleanup, &ImportCleanup::progressEnded, m_status[0], &QLabel::clear);
    m_preferences = new Preferences(*m_orderGrid, platform, this);

    blankDateTimer = new QTimer(this);
    blankDateTimer->setObjectName(QStringLiteral("Timer1"));
    blankDateTimer->setInterval(500);
    connect(blankDateTimer, &QTimer::timeout, this, [this] { m_editor->refillBlankDate(m_platform.clock.now().date()); });
    blankDateTimer->start();

    m_login = new LoginWindow(dm, platform, *this, this);
    // The import window lives from here to the end, hidden between showings.
    m_import = new ImportWindow(*m_orders, platform, this);
    registerCommands();

    // Centred at its normal size, which is also the smallest it gets. No
    // maximum: a window manager offers maximising only to a window that may
    // grow, and the grid takes whatever height the window gains.
    setMinimumSize(clientWidth, clientHeight);
    resize(clientWidth, clientHeight);
    if (QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    layoutClientArea();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildLowerPanel()
{
    m_lowerPanel = new QFrame(m_client);
    m_lowerPanel->setObjectName(QStringLiteral("Panel2"));

    m_quickSearch = new QuickSearchPanel(*m_orders, m_platform, m_lowerPanel);
    m_quickSearch->setGeometry(18, 10, 519, 118);

    m_commands->toolBar()->setParent(m_lowerPanel);
    m_commands->toolBar()->move(552, 16);
    m_commands->toolBar()->adjustSize();

    m_singlePrintButton = new PictureButton(QStringLiteral("单张打印"), m_lowerPanel);
    m_singlePrintButton->setObjectName(QStringLiteral("Image8"));
    m_singlePrintButton->setGeometry(575, 81, 130, 36);
    m_batchPrintButton = new PictureButton(QStringLiteral("批量打印"), m_lowerPanel);
    m_batchPrintButton->setObjectName(QStringLiteral("Image6"));
    m_batchPrintButton->setGeometry(727, 81, 130, 36);
}

void MainWindow::buildStatusBar()
{
    auto* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(false);
    bar->setFixedHeight(statusBarHeight);
    bar->setCursor(Qt::PointingHandCursor);
    const int widths[4] = {350, 200, 150, 400};
    const Qt::Alignment align[4] = {Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignCenter, Qt::AlignCenter,
                                    Qt::AlignCenter};
    for (int i = 0; i < 4; ++i) {
        m_status[i] = new QLabel(bar);
        m_status[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        m_status[i]->setFixedWidth(widths[i]);
        m_status[i]->setAlignment(align[i]);
        m_status[i]->setFrameShape(QFrame::StyledPanel);
        m_status[i]->setFrameShadow(QFrame::Sunken);
        bar->addWidget(m_status[i]);
    }
    m_status[1]->setText(QStringLiteral("操作员："));
    m_status[3]->setText(QStringLiteral("www.kestrix.cn  support@kestrix.cn"));
    setStatusBar(bar);
}

void MainWindow::registerCommands()
{
    CommandRegistry& c = *m_commands;
    m_editor->registerCommands(c);
    m_senderPanel->registerCommands(c);
    m_printing->registerCommands(c);
    (new ExcelExport(*m_orders, *m_orderGrid, m_session, m_platform, this))->registerCommands(c);
    m_import->registerCommands(c);
    m_cleanup->registerCommands(c);
    (new OrderListPrinting(*m_orderGrid, m_session, m_platform, this))->registerCommands(c);
    m_preferences->registerCommands(c);
    c.on(Command::Backup, [this] {
        createOnDemand<BackupWindow>(this, m_dm, m_platform, static_cast<MaintenanceHost&>(*this));
        hideMainWindow();
    });

    // Both act on the register, so neither opens while it is closed.
    c.on(Command::UserAdmin, [this] {
        if (m_dm.connection.isOpen())
            createOnDemand<UserAdminWindow>(this, m_dm, m_platform);
    });
    // Shown to every user, as the user administration is; the window itself
    // asks for the administrator's password.
    c.on(Command::DatabaseConnection, [this] {
        if (m_dm.connection.isOpen())
            createOnDemand<ConnectionWindow>(this, &m_dm, m_platform);
    });
    c.on(Command::ChangePassword, [this] {
        if (m_dm.connection.isOpen())
            createOnDemand<ChangePasswordWindow>(this, m_dm, m_platform);
    });
    c.on(Command::GridShowAll, [this] { m_quickSearch->showAllButton->click(); });
    c.addStartUpStep(StartUpStep::LedgerQuery, [this] { Ledger::openMonth(m_dm, m_platform.clock.now().date()); });
    c.addStartUpStep(StartUpStep::Tables, [this] {
        m_dm.orderAppender.openForAppend();
        m_dm.senderWriter.open();
        m_dm.ledgerTable.openForAppend();
    });
    c.addStartUpStep(StartUpStep::Settings, [] { HintSettings::apply(); });
    c.addStartUpStep(StartUpStep::Date, [this] {
        m_status[2]->setText(QStringLiteral("今天：") + dateText(m_platform.clock.now().date()));
    });

    // The children of the main window that react to each other.
    connect(m_quickSearch, &QuickSearchPanel::showAllRequested, this, [this] { guarded([this] { showAll(); }); });
    connect(m_quickSearch, &QuickSearchPanel::searched, m_editor, &QWidget::hide);
    connect(m_orderGrid, &OrderGrid::rowDoubleClicked, this,
            [this] { guarded([this] { m_editor->loadFromDoubleClick(); }); });
    connect(m_orderGrid, &OrderGrid::titleClicked, m_editor, &QWidget::hide);
    connect(m_orderGrid, &OrderGrid::contextMenuRequested, this,
            [this](const QPoint& pos) { m_commands->gridMenu()->popup(pos); });
    connect(m_editor, &OrderEditorPanel::bannerRequested, this, &MainWindow::showBanner);
    connect(m_senderPanel, &SenderPanel::bannerRequested, this, &MainWindow::showBanner);
    connect(m_singlePrintButton, &PictureButton::pressed, this,
            [this](const QPoint& pos) { m_commands->menu(CommandMenu::SinglePrint)->popup(pos); });
    connect(m_batchPrintButton, &PictureButton::pressed, this,
            [this](const QPoint& pos) { m_commands->menu(CommandMenu::BatchPrint)->popup(pos); });
}

void MainWindow::guarded(const std::function<void()>& handler)
{
    m_platform.guard(this, handler);
}

void MainWindow::showAll()
{
    m_orders->showAll();
}

void MainWindow::showBanner(const QString& text)
{
    m_banner->showMessage(text);
}

void MainWindow::startUp()
{
    m_commands->runStartUp();
}

bool MainWindow::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::StatusTip:
        // Status bar panel 0 shows the hint of the control under the mouse.
        m_status[0]->setText(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    case QEvent::WindowActivate:
        askForLogin();
        break;
    default:
        break;
    }
    return QMainWindow::event(event);
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous()) {
        startUp();
        // Showing the main window activates it; without a window manager no
        // activation arrives, so the login is asked for from here as well.
        askForLogin();
    }
}

void MainWindow::askForLogin()
{
    if (m_journal != 0 || m_loginShown)
        return;
    m_loginShown = true;
    QTimer::singleShot(0, this, [this] {
        if (m_journal == 0 && !m_login->isVisible())
            m_login->start();
    });
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // The database is closed only when the backup window could not open it
    // again and the user chose to end the program: nothing can be written.
    if (m_journal != 0 && m_dm.connection.isOpen()) {
        // The exit time is written under this login's journal number; the
        // program ends even when the statement fails.
        guarded([this] {
            LoginJournal::writeExit(m_dm, m_journal, m_platform.clock.now());
        });
        // Never stands in the way of closing: a failure goes to its log.
        // The window goes first; the copy takes a moment on a large register.
        hide();
        ExitBackup::run(m_dm.connection, m_platform.clock.now());
    }
    event->accept();
    QApplication::closeAllWindows();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    layoutClientArea();
}

void MainWindow::layoutClientArea()
{
    // The lower panel and the status bar keep their heights; the grid takes
    // the rest (473 of the 636 pixels at the normal size).
    const int w = m_client->width() > 0 ? m_client->width() : clientWidth;
    const int h = m_client->height() > 0 ? m_client->height() : clientHeight - statusBarHeight;
    const int gridHeight = std::max(0, h - lowerPanelHeight);
    m_orderGrid->setGeometry(0, 0, w, gridHeight);
    m_lowerPanel->setGeometry(0, gridHeight, w, h - gridHeight);
}

void MainWindow::showMainWindow()
{
    show();
    raise();
    activateWindow();
}

void MainWindow::endProgram()
{
    close();
    // The main window was hidden already, so closing it leaves the event
    // loop running with nothing on the screen: the loop is ended here.
    QCoreApplication::exit(1);
}

void MainWindow::closeMainWindow()
{
    close();
}

void MainWindow::focusMainWindow()
{
    activateWindow();
    m_orderGrid->view()->setFocus();
}

void MainWindow::setOperatorName(const QString& name)
{
    m_session.setUserName(name);
    m_status[1]->setText(name);
}

void MainWindow::restrictToOrdinaryUser()
{
    for (Command c : {Command::GridNew, Command::GridEdit, Command::GridDelete, Command::GridHideItems,
                      Command::ChangePassword})
        m_commands->action(c)->setVisible(false);
    // For the whole run: the column memory that the start-up sequence applies
    // again after the backup window does not show them.
    m_preferences->withholdColumns({PayDateColumn, ItemColumn, RemarkColumn});
}

}  // namespace kx
