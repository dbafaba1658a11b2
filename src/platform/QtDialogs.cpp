#include "platform/QtDialogs.h"

#include <QFileDialog>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace kx {

QMessageBox::StandardButton QtDialogs::message(QWidget* owner, const QString& caption, const QString& text,
                                               Icon icon, QMessageBox::StandardButtons buttons,
                                               QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(owner);
    box.setWindowTitle(caption);
    box.setText(text);
    box.setStandardButtons(buttons);
    box.setDefaultButton(defaultButton);
    switch (icon) {
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::None:
        break;
    }
    return QMessageBox::StandardButton(box.exec());
}

QString QtDialogs::openFileName(QWidget* owner, const QString& title, const QString& filter,
                                const QString& defaultSuffix)
{
    QFileDialog dialog(owner, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(defaultSuffix);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString QtDialogs::saveFileName(QWidget* owner, const QString& title, const QString& filter,
                                const QString& defaultSuffix, const QString& initialPath)
{
    QFileDialog dialog(owner, title, initialPath, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    // The callers ask their own overwrite question.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

bool QtDialogs::printerSetup(QWidget* owner, QPrinter* printer)
{
    QPrintDialog dialog(printer, owner);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    return dialog.exec() == QDialog::Accepted;
}

void QtDialogs::print(QPrinter* printer, const std::function<void(QPagedPaintDevice*)>& render)
{
    render(printer);
}

}  // namespace kx
