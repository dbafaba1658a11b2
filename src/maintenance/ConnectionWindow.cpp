#include "maintenance/ConnectionWindow.h"

#include "core/OperationError.h"
#include "core/TextValue.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "data/ServerConnection.h"
#include "data/UserAccounts.h"
#include "platform/AppInfo.h"
#include "platform/Platform.h"
#include "platform/RegisterChoice.h"
#include "widgets/FontSubstitutions.h"
#include "widgets/PasswordKeyFilter.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QThread>
#include <QVBoxLayout>

namespace kx {

namespace {

// The TLS modes offered, the first one the default: encrypted whenever the
// server offers it.
const std::pair<const char*, const char*> sslModes[] = {
    {"prefer", "尽量加密（prefer）"},
    {"require", "必须加密（require，跨网络时推荐）"},
    {"verify-full", "加密并核对服务器证书（verify-full）"},
    {"disable", "不加密（disable）"},
};

// A test waits at most this long for a server that does not answer; the
// window stays usable meanwhile.
const QString testTimeout = QStringLiteral("connect_timeout=5");

}  // namespace

ConnectionWindow::ConnectionWindow(QWidget* owner, Database* dm, const Platform& platform)
    : QDialog(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_dm(dm), m_platform(platform)
{
    build(dm != nullptr);
    if (dm) {
        currentRegisterLabel->setText(RegisterChoice::label(dm->path()));
        // While the register is closed (a restore replaces it) the window
        // goes with it, as the other windows over the register do.
        connect(dm, &Database::closed, this, &QWidget::close);
    }
    const QScreen* screen = owner ? owner->screen() : QApplication::primaryScreen();
    if (screen)
        move(screen->availableGeometry().center() - rect().center());
    show();
    if (adminPasswordEdit)
        adminPasswordEdit->setFocus();
}

ConnectionWindow::ConnectionWindow(const Platform& platform, const QString& current)
    : QDialog(nullptr), m_dm(nullptr), m_platform(platform)
{
    build(false);
    currentRegisterLabel->setText(QStringLiteral("%1（未能打开）").arg(RegisterChoice::label(current)));
}

void ConnectionWindow::build(bool gated)
{
    setObjectName(QStringLiteral("Tconnectfm"));
    setWindowTitle(QStringLiteral("数据库连接"));
    setFont(songFont(14));
    askPassword = &ConnectionWindow::promptForPassword;

    auto* layout = new QVBoxLayout(this);
    auto* current = new QHBoxLayout;
    auto* currentCaption = new QLabel(QStringLiteral("正在使用的数据库："), this);
    currentRegisterLabel = new QLabel(this);
    currentRegisterLabel->setObjectName(QStringLiteral("currentRegister"));
    currentRegisterLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    currentRegisterLabel->setWordWrap(true);
    currentCaption->setBuddy(currentRegisterLabel);
    current->addWidget(currentCaption);
    current->addWidget(currentRegisterLabel, 1);
    layout->addLayout(current);

    adminPasswordEdit = nullptr;
    unlockButton = nullptr;
    if (gated) {
        auto* gate = new QHBoxLayout;
        auto* caption = new QLabel(QStringLiteral("管理员密码："), this);
        adminPasswordEdit = new QLineEdit(this);
        adminPasswordEdit->setObjectName(QStringLiteral("adminPasswordEdit"));
        PasswordKeyFilter::install(adminPasswordEdit);
        caption->setBuddy(adminPasswordEdit);
        unlockButton = new QPushButton(QStringLiteral("登录"), this);
        unlockButton->setObjectName(QStringLiteral("unlockButton"));
        gate->addWidget(caption);
        gate->addWidget(adminPasswordEdit, 1);
        gate->addWidget(unlockButton);
        layout->addLayout(gate);
        connect(unlockButton, &QPushButton::clicked, this, &ConnectionWindow::unlock);
        connect(adminPasswordEdit, &QLineEdit::returnPressed, this, &ConnectionWindow::unlock);
    }

    auto* group = new QGroupBox(QStringLiteral("订单库放在哪里"), this);
    auto* form = new QFormLayout(group);
    localFileChoice = new QRadioButton(QStringLiteral("本机数据文件"), group);
    localFileChoice->setObjectName(QStringLiteral("localFileChoice"));
    serverChoice = new QRadioButton(QStringLiteral("共享数据库服务器"), group);
    serverChoice->setObjectName(QStringLiteral("serverChoice"));
    auto* choices = new QButtonGroup(this);
    choices->addButton(localFileChoice);
    choices->addButton(serverChoice);
    auto* localPath = new QLabel(RegisterChoice::label(schema::databaseFile), group);
    localPath->setWordWrap(true);
    form->addRow(localFileChoice, localPath);
    form->addRow(serverChoice);

    auto field = [&](const QString& caption, QWidget* w, const QString& name) {
        w->setObjectName(name);
        auto* l = new QLabel(caption, group);
        l->setBuddy(w);
        form->addRow(l, w);
    };
    hostEdit = new QLineEdit(group);
    hostEdit->setPlaceholderText(QStringLiteral("例如 192.168.1.10"));
    field(QStringLiteral("服务器地址："), hostEdit, QStringLiteral("hostEdit"));
    portBox = new QSpinBox(group);
    portBox->setRange(1, 65535);
    portBox->setValue(5432);
    field(QStringLiteral("端口："), portBox, QStringLiteral("portBox"));
    databaseEdit = new QLineEdit(group);
    field(QStringLiteral("数据库名："), databaseEdit, QStringLiteral("databaseEdit"));
    userEdit = new QLineEdit(group);
    field(QStringLiteral("用户名："), userEdit, QStringLiteral("userEdit"));
    sslModeBox = new QComboBox(group);
    for (const auto& [mode, text] : sslModes)
        sslModeBox->addItem(QString::fromUtf8(text), QString::fromLatin1(mode));
    field(QStringLiteral("加密方式："), sslModeBox, QStringLiteral("sslModeBox"));
    auto* note = new QLabel(QStringLiteral("程序不保存密码：请把密码写在 ~/.pgpass 中，或在连接时输入。"), group);
    note->setWordWrap(true);
    form->addRow(note);
    layout->addWidget(group);

    auto* buttons = new QHBoxLayout;
    testButton = new QPushButton(QStringLiteral("测试连接"), this);
    testButton->setObjectName(QStringLiteral("testButton"));
    saveButton = new QPushButton(QStringLiteral("保存"), this);
    saveButton->setObjectName(QStringLiteral("saveButton"));
    closeButton = new QPushButton(QStringLiteral("关闭"), this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    for (QPushButton* b : {testButton, saveButton, closeButton}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->insertStretch(0);
    layout->addLayout(buttons);
    // As the program's other small windows: one size, no resizing.
    setFixedWidth(460);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(localFileChoice, &QRadioButton::toggled, this, &ConnectionWindow::updateEnabled);
    connect(testButton, &QPushButton::clicked, this, &ConnectionWindow::testConnection);
    connect(saveButton, &QPushButton::clicked, this, &ConnectionWindow::save);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);

    fillFrom(RegisterChoice::saved(m_platform.settings));
    setLocked(gated);
}

void ConnectionWindow::fillFrom(const QString& saved)
{
    if (saved.isEmpty()) {
        localFileChoice->setChecked(true);
        return;
    }
    serverChoice->setChecked(true);
    const ServerAddress a = RegisterChoice::parseUri(saved);
    hostEdit->setText(a.host);
    portBox->setValue(a.port);
    databaseEdit->setText(a.database);
    userEdit->setText(a.user);
    QStringList others;
    QString mode = QStringLiteral("prefer");
    for (const QString& s : a.options.split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
        if (s.section(QLatin1Char('='), 0, 0) == QLatin1String("sslmode"))
            mode = s.section(QLatin1Char('='), 1);
        else
            others << s;
    }
    m_otherOptions = others.join(QLatin1Char('&'));
    // A mode written into the URI by hand stays as it is.
    if (sslModeBox->findData(mode) < 0)
        sslModeBox->addItem(mode, mode);
    sslModeBox->setCurrentIndex(sslModeBox->findData(mode));
}

void ConnectionWindow::setLocked(bool locked)
{
    m_locked = locked;
    updateEnabled();
}

void ConnectionWindow::updateEnabled()
{
    const bool server = serverChoice->isChecked();
    localFileChoice->setEnabled(!m_locked);
    serverChoice->setEnabled(!m_locked);
    for (QWidget* w : std::initializer_list<QWidget*>{hostEdit, portBox, databaseEdit, userEdit, sslModeBox})
        w->setEnabled(!m_locked && server);
    testButton->setEnabled(!m_locked && server && !m_testing);
    saveButton->setEnabled(!m_locked);
}

QString ConnectionWindow::chosenUri() const
{
    ServerAddress a;
    a.host = hostEdit->text().trimmed();
    a.port = portBox->value();
    a.database = databaseEdit->text().trimmed();
    a.user = userEdit->text().trimmed();
    QStringList options;
    if (!m_otherOptions.isEmpty())
        options << m_otherOptions;
    options << QStringLiteral("sslmode=") + sslModeBox->currentData().toString();
    a.options = options.join(QLatin1Char('&'));
    return RegisterChoice::buildUri(a);
}

void ConnectionWindow::unlock()
{
    if (!m_dm || !adminPasswordEdit)
        return;
    m_platform.guard(this, [this] {
        if (!UserAccounts::isAdministratorPassword(*m_dm, trimControl(adminPasswordEdit->text()))) {
            m_platform.dialogs.inform(this, QStringLiteral("密码不对！"));
            return;
        }
        adminPasswordEdit->clear();
        setLocked(false);
        serverChoice->isChecked() ? hostEdit->setFocus() : localFileChoice->setFocus();
    });
}

bool ConnectionWindow::checkFields()
{
    if (!serverChoice->isChecked())
        return true;
    if (databaseEdit->text().trimmed().isEmpty()) {
        m_platform.dialogs.message(this, QStringLiteral("数据库连接"), QStringLiteral("请填写数据库名！"),
                                   Dialogs::Icon::Warning, QMessageBox::Ok, QMessageBox::Ok);
        databaseEdit->setFocus();
        return false;
    }
    return true;
}

void ConnectionWindow::testConnection()
{
    if (m_locked || m_testing || !serverChoice->isChecked() || !checkFields())
        return;
    startTest(chosenUri(), QString());
}

void ConnectionWindow::startTest(const QString& uri, const QString& password)
{
    m_testing = true;
    updateEnabled();
    QApplication::setOverrideCursor(Qt::BusyCursor);
    // A server that does not answer takes seconds to give up on: the attempt
    // runs on a thread of its own and the window keeps painting. The result
    // comes back through the event loop; a window closed meanwhile gets none.
    QPointer<ConnectionWindow> self(this);
    const QString attempt = uri + (uri.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?')) + testTimeout;
    QThread* thread = QThread::create([self, uri, attempt, password] {
        QString failure;
        bool passwordNeeded = false;
        bool hasRegister = false;
        try {
            ServerConnection server(attempt, password);
            hasRegister = server.column(QStringLiteral("select to_regclass('data') is not null and "
                                                       "to_regclass('userdb') is not null"))
                              .value(0) == QLatin1String("t");
        } catch (const std::exception& e) {
            const auto* op = dynamic_cast<const OperationError*>(&e);
            failure = RegisterChoice::serverReason(op ? op->message() : QString::fromLocal8Bit(e.what()), uri);
            passwordNeeded = ServerConnection::needsPassword(e);
        }
        QMetaObject::invokeMethod(
            qApp,
            [self, uri, failure, passwordNeeded, hasRegister] {
                // The busy cursor goes even when the window has gone meanwhile.
                QApplication::restoreOverrideCursor();
                if (self)
                    self->testFinished(uri, failure, passwordNeeded, hasRegister);
            },
            Qt::QueuedConnection);
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

void ConnectionWindow::testFinished(const QString& uri, const QString& failure, bool passwordNeeded,
                                    bool hasRegister)
{
    m_testing = false;
    updateEnabled();
    const QString label = RegisterChoice::label(uri);
    if (passwordNeeded) {
        // Asked for this test only; the password goes nowhere else.
        if (const std::optional<QString> password = askPassword(this, label); password && !password->isEmpty()) {
            startTest(uri, *password);
            return;
        }
    }
    if (!failure.isEmpty()) {
        m_platform.dialogs.message(this, QStringLiteral("数据库连接"),
                                   QStringLiteral("无法连接数据库服务器 %1。\n原因：%2").arg(label, failure),
                                   Dialogs::Icon::Warning, QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    if (!hasRegister) {
        m_platform.dialogs.message(
            this, QStringLiteral("数据库连接"),
            QStringLiteral("已连接到 %1，但这个数据库里还没有订单库。\n请先用 kestrix-newdb 建立订单库，"
                           "或用 kestrix-newdb --from 把本机的数据文件复制进去。")
                .arg(label),
            Dialogs::Icon::Warning, QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    m_platform.dialogs.message(this, QStringLiteral("数据库连接"), QStringLiteral("连接成功：%1").arg(label),
                               Dialogs::Icon::Information, QMessageBox::Ok, QMessageBox::Ok);
}

void ConnectionWindow::save()
{
    if (m_locked || !checkFields())
        return;
    const QString uri = serverChoice->isChecked() ? chosenUri() : QString();
    const bool saved = m_platform.guard(this, [&] { RegisterChoice::save(m_platform.settings, uri); });
    if (!saved)
        return;
    const QString label = RegisterChoice::label(uri.isEmpty() ? schema::databaseFile : uri);
    if (!m_dm) {
        // At start the choice is used at once.
        m_saved = uri;
        accept();
        return;
    }
    m_platform.dialogs.inform(this, QStringLiteral("数据库连接已保存。下次启动程序时打开：%1").arg(label));
}

std::optional<QString> ConnectionWindow::chooseAtStart(const Platform& platform, const QString& current)
{
    ConnectionWindow window(platform, current);
    if (const QScreen* screen = QApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.exec();
    return window.m_saved;
}

std::optional<QString> ConnectionWindow::promptForPassword(QWidget* owner, const QString& label)
{
    bool ok = false;
    const QString password =
        QInputDialog::getText(owner, QStringLiteral("数据库密码"),
                              QStringLiteral("数据库服务器 %1 要求输入密码：").arg(label), QLineEdit::Password,
                              QString(), &ok);
    if (!ok)
        return std::nullopt;
    return password;
}

}  // namespace kx
