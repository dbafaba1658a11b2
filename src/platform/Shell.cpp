#include "platform/Shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace kx {

void QtShell::openUrl(const QString& url)
{
    QDesktopServices::openUrl(QUrl::fromUserInput(url));
}

void QtShell::openFile(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

}  // namespace kx
