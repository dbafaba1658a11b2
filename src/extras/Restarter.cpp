#include "extras/Restarter.h"

#include <QApplication>
#include <QProcess>

namespace kx {

void QtRestarter::restart(const QStringList& arguments)
{
    // The windows close first, so the main window writes this login's exit
    // to the journal before the new program opens the database.
    QApplication::closeAllWindows();
    QProcess::startDetached(QCoreApplication::applicationFilePath(), arguments);
    QCoreApplication::quit();
}

}  // namespace kx
