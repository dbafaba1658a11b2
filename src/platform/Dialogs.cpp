#include "platform/Dialogs.h"

#include "platform/AppInfo.h"

namespace kx {

void Dialogs::warning(QWidget* owner, const QString& text)
{
    message(owner, QStringLiteral("Warning"), text, Icon::Warning, QMessageBox::Ok, QMessageBox::Ok);
}

QMessageBox::StandardButton Dialogs::messageWithDetails(QWidget* owner, const QString& caption, const QString& text,
                                                        const QString&, Icon icon,
                                                        QMessageBox::StandardButtons buttons,
                                                        QMessageBox::StandardButton defaultButton)
{
    return message(owner, caption, text, icon, buttons, defaultButton);
}

QString Dialogs::openFileNameIn(QWidget* owner, const QString& title, const QString& filter, const QString&)
{
    return openFileName(owner, title, filter, QString());
}

void Dialogs::inform(QWidget* owner, const QString& text)
{
    message(owner, appTitle, text, Icon::None, QMessageBox::Ok, QMessageBox::Ok);
}

void Dialogs::showError(QWidget* owner, const QString& text)
{
    QString shown = text;
    // A Chinese message ends in its own full stop.
    if (!shown.endsWith(QLatin1Char('.')) && !shown.endsWith(QChar(u'。')))
        shown += QLatin1Char('.');
    message(owner, appTitle, shown, Icon::Critical, QMessageBox::Ok, QMessageBox::Ok);
}

}  // namespace kx
