#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;
class QPrinter;
class QPagedPaintDevice;

namespace kx {

// Message boxes, file dialogs and printer dialogs. The program talks to the
// desktop only through this seam so that tests can script the answers.
class Dialogs {
public:
    enum class Icon { None, Information, Warning, Critical, Question };

    virtual ~Dialogs() = default;

    virtual QMessageBox::StandardButton message(QWidget* owner, const QString& caption, const QString& text,
                                                Icon icon, QMessageBox::StandardButtons buttons,
                                                QMessageBox::StandardButton defaultButton) = 0;
    // The same with text the box keeps folded away under its "details"
    // button (a long list); a platform that has no such place shows the
    // message alone.
    virtual QMessageBox::StandardButton messageWithDetails(QWidget* owner, const QString& caption,
                                                           const QString& text, const QString& details,
                                                           Icon icon, QMessageBox::StandardButtons buttons,
                                                           QMessageBox::StandardButton defaultButton);
    // Empty result when the user cancels.
    virtual QString openFileName(QWidget* owner, const QString& title, const QString& filter,
                                 const QString& defaultSuffix) = 0;
    // The same, opening in `folder`; the plain one where a platform cannot.
    virtual QString openFileNameIn(QWidget* owner, const QString& title, const QString& filter,
                                   const QString& folder);
    virtual QString saveFileName(QWidget* owner, const QString& title, const QString& filter,
                                 const QString& defaultSuffix, const QString& initialPath) = 0;
    // The printer setup dialog; true when the user confirmed.
    virtual bool printerSetup(QWidget* owner, QPrinter* printer) = 0;
    // Sends a job to a printer: `render` paints every page on the device.
    virtual void print(QPrinter* printer, const std::function<void(QPagedPaintDevice*)>& render) = 0;

    // The warning of the required-field check: titled "Warning", with one
    // button "OK" and the warning icon. Both captions are the program's own
    // and stay English, whatever language the standard buttons speak.
    virtual void warning(QWidget* owner, const QString& text);

    // A plain message box: the application title, the text, one OK button.
    void inform(QWidget* owner, const QString& text);
    // The general error display: stop icon, OK, a full stop added when missing.
    void showError(QWidget* owner, const QString& message);
};

}  // namespace kx
