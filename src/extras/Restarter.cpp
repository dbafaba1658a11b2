#include "extras/Restarter.h"

#include <QCoreApplication>
#include <QProcess>

namespace kx {

void QtRestarter::restart(const QStringList& arguments)
{
    QProcess::startDetached(QCoreApplication::applicationFilePath(), arguments);
    QCoreApplication::quit();
}

}  // namespace kx
