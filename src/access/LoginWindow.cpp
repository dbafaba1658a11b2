#include "access/LoginWindow.h"

#include "access/LoginHost.h"
#include "core/DateText.h"
#include "core/DbError.h"
#include "core/TextValue.h"
#include "data/LoginJournal.h"
#include "data/Schema.h"
#include "data/Database.h"
#include "data/UserAccounts.h"
#include "platform/Platform.h"
#include "platform/RegisterChoice.h"
#include "widgets/ControlOps.h"
#include "widgets/EnterChain.h"
#include "widgets/FontSubstitutions.h"
#include "widgets/PasswordKeyFilter.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadialGradient>

namespace kx {

LoginWindow::LoginWindow(Database& dm, const Platform& platform, LoginHost& host, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_dm(dm), m_platform(platform), m_host(host)
{
    setObjectName(QStringLiteral("Tloginfm"));
    setWindowTitle(QStringLiteral("用户登录"));
    setFixedSize(371, 160);
    setModal(true);
    setFont(songFont(14));

    auto label = [this](const QString& text, int x, int y) {
        auto* l = new QLabel(text, this);
        l->move(x, y);
        l->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
        return l;
    };
    QLabel* userLabel = label(QStringLiteral("用户名称："), 152, 36);
    QLabel* passLabel = label(QStringLiteral("输入密码："), 152, 68);

    userBox = new QComboBox(this);
    userBox->setObjectName(QStringLiteral("ComboBox1"));
    userBox->setEditable(true);
    userBox->setGeometry(216, 32, 113, 22);
    userBox->setInsertPolicy(QComboBox::NoInsert);
    userLabel->setBuddy(userBox);

    passwordEdit = new QLineEdit(this);
    passwordEdit->setObjectName(QStringLiteral("Edit1"));
    passwordEdit->setGeometry(216, 64, 113, 22);
    PasswordKeyFilter::install(passwordEdit);
    passLabel->setBuddy(passwordEdit);

    auto* hint = new QLabel(QStringLiteral("初始登陆密码：507"), this);
    hint->move(176, 92);
    hint->setStyleSheet(QStringLiteral("color: red; background: transparent;"));

    // Which register this login opens: with several stations and a local
    // file side by side, the wrong one is easily taken. A long path is cut in
    // its middle; the whole of it is in the tooltip.
    registerLabel = new QLabel(this);
    registerLabel->setObjectName(QStringLiteral("registerLabel"));
    registerLabel->setGeometry(8, 142, 250, 16);
    registerLabel->setFont(songFont(12));
    registerLabel->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    const QString shown = QStringLiteral("数据库：") + RegisterChoice::label(dm.path());
    registerLabel->setText(QFontMetrics(registerLabel->font()).elidedText(shown, Qt::ElideMiddle, 250));
    registerLabel->setToolTip(shown);

    loginButton = new QPushButton(QStringLiteral("登 录"), this);
    loginButton->setObjectName(QStringLiteral("bitbtn4"));
    loginButton->setGeometry(264, 113, 81, 25);
    loginButton->setAutoDefault(false);
    loginButton->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));

    auto* enter = new EnterChain(this);
    enter->link(userBox, passwordEdit);
    enter->link(passwordEdit, loginButton);
    enter->pressOnEnter(loginButton);
    connect(userBox, &QComboBox::activated, this, [this] { passwordEdit->setFocus(); });
    connect(loginButton, &QPushButton::clicked, this, &LoginWindow::logIn);
}

void LoginWindow::paintEvent(QPaintEvent*)
{
    // A blue globe as the background picture.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor(0x12, 0x4a, 0x9c));
    QRadialGradient g(QPointF(70, 80), 70, QPointF(50, 60));
    g.setColorAt(0, QColor(0x9f, 0xd4, 0xff));
    g.setColorAt(0.6, QColor(0x2f, 0x86, 0xe0));
    g.setColorAt(1, QColor(0x0b, 0x3c, 0x88));
    p.setBrush(g);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(70, 80), 62, 62);
    p.setPen(QPen(QColor(255, 255, 255, 70), 1));
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i < 4; ++i)
        p.drawEllipse(QPointF(70, 80), 62 * i / 4.0, 62);
    for (int i = -2; i <= 2; ++i)
        p.drawLine(QPointF(70 - 60 * std::sqrt(1 - i * i / 9.0), 80 + i * 20),
                   QPointF(70 + 60 * std::sqrt(1 - i * i / 9.0), 80 + i * 20));
}

void LoginWindow::start()
{
    m_closed = false;
    m_platform.guard(this, [this] {
        fillColumnList(m_dm.scratch, schema::userColumn::name, QStringLiteral("userdb"), userBox);
        // No user at all: nobody could log in, not even with the initial
        // password this window shows.
        if (userBox->count() == 0 && UserAccounts::restoreAdministratorIfNoUsers(m_dm)) {
            m_platform.dialogs.inform(this, QStringLiteral("数据库中没有任何用户，已恢复%1，密码为初始密码 %2。")
                                                .arg(schema::administrator, schema::initialPassword));
            fillColumnList(m_dm.scratch, schema::userColumn::name, QStringLiteral("userdb"), userBox);
        }
        if (userBox->count() > 0)
            userBox->setCurrentIndex(0);
    });
    open();
    userBox->setFocus();
    userBox->lineEdit()->selectAll();
}

void LoginWindow::keyPressEvent(QKeyEvent* event)
{
    // Neither Enter outside the chain nor Escape closes the window.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

void LoginWindow::logIn()
{
    m_platform.guard(this, [this] {
        if (m_loggedIn) {
            // A closing step failed before; the check passed already.
            if (runClosingSteps())
                QDialog::done(Accepted);
            return;
        }
        const QString user = userBox->currentText();
        const QString password = trimControl(passwordEdit->text());
        if (!requiredFieldCheck(m_platform.dialogs, userBox, QStringLiteral("必须选择用户！")))
            return;
        if (!requiredFieldCheck(m_platform.dialogs, passwordEdit, QStringLiteral("必须输入密码！")))
            return;
        if (LoginJournal::passwordMatches(m_dm, user, password)) {
            // The first login into a register from before passwords were
            // hashed hashes them all. Should that fail (another station
            // holding the file), it is shown and the login goes on: the next
            // login tries again, and a clear password still opens till then.
            m_platform.guard(this, [this] { UserAccounts::hashClearPasswords(m_dm); });
            m_loggedIn = true;
            done(Accepted);
            return;
        }
        m_platform.dialogs.inform(this, QStringLiteral("密码不正确！请重新输入！"));
        passwordEdit->clear();
        passwordEdit->setFocus();
    });
}

void LoginWindow::done(int result)
{
    if (m_closed)
        return;
    if (!m_loggedIn) {
        // Closed without a correct pair: the program ends, nothing is written.
        m_closed = true;
        QDialog::done(Rejected);
        m_dm.scratch.close();
        m_platform.guard(this, [this] { m_host.showAll(); });
        m_host.closeMainWindow();
        return;
    }
    if (runClosingSteps()) {
        m_closed = true;
        QDialog::done(result);
        return;
    }
    if (result == Rejected && m_stepFailed) {
        // The journal could not be written twice in a row and the user closes
        // the window: end the program rather than keep them in a window that
        // can be neither confirmed nor closed.
        m_closed = true;
        QDialog::done(Rejected);
        m_host.closeMainWindow();
        return;
    }
    m_stepFailed = true;
}

bool LoginWindow::runClosingSteps()
{
    const QString user = userBox->currentText();
    m_dm.scratch.close();
    // A failure of the order list (a null courier left by an import) must not
    // lock the user out: it is shown, and the login goes on so that the
    // clean-up can be run.
    m_platform.guard(this, [this] { m_host.showAll(); });
    m_host.focusMainWindow();
    m_host.setOperatorName(user);
    if (user != schema::administrator)
        m_host.restrictToOrdinaryUser();
    // The journal: a retry after a failure here never writes a second row.
    return m_platform.guard(this, [this, user] {
        if (!m_journalNumber)
            m_journalNumber = LoginJournal::writeLogin(m_dm, user, m_platform.clock.now());
        m_host.setJournalNumber(*m_journalNumber);
    });
}

}  // namespace kx
