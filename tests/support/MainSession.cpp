#include "MainSession.h"

#include "access/LoginWindow.h"
#include "core/OperationError.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

namespace kx::test {

MainSession::MainSession(const std::function<void(TestDb&)>& fixture, bool withSender)
    : MainSession(Deferred{}, fixture, withSender)
{
    dm = std::make_unique<Database>();
    main = std::make_unique<MainWindow>(*dm, fp.platform);
    main->show();
}

MainSession::MainSession(Deferred, const std::function<void(TestDb&)>& fixture, bool withSender)
{
    if (withSender)
        db.exec("insert into post values ('李明','13812345678','杭州市文三路188号','申通快递')");
    if (fixture)
        fixture(db);
}

QString MainSession::start()
{
    try {
        dm = std::make_unique<Database>();
    } catch (const OperationError& e) {
        return e.message();
    }
    main = std::make_unique<MainWindow>(*dm, fp.platform);
    main->show();
    return QString();
}

bool MainSession::waitForLogin()
{
    // The main window asks for the login through a posted call.
    QCoreApplication::processEvents();
    return main->login()->isVisible();
}

void MainSession::logIn(const QString& user, const QString& password)
{
    LoginWindow* login = main->login();
    login->userBox->setEditText(user);
    login->passwordEdit->setText(password);
    login->loginButton->click();
}

}  // namespace kx::test
