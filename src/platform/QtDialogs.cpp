#include "platform/QtDialogs.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QRegularExpression>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace kx {

void QtDialogs::prepare(QMessageBox& box, const QString& caption, const QString& text, Icon icon,
                        QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
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
}

QMessageBox::StandardButton QtDialogs::message(QWidget* owner, const QString& caption, const QString& text,
                                               Icon icon, QMessageBox::StandardButtons buttons,
                                               QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(owner);
    prepare(box, caption, text, icon, buttons, defaultButton);
    return QMessageBox::StandardButton(box.exec());
}

QMessageBox::StandardButton QtDialogs::messageWithDetails(QWidget* owner, const QString& caption, const QString& text,
                                                          const QString& details, Icon icon,
                                                          QMessageBox::StandardButtons buttons,
                                                          QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(owner);
    prepare(box, caption, text, icon, buttons, defaultButton);
    box.setDetailedText(details);
    return QMessageBox::StandardButton(box.exec());
}

void QtDialogs::warning(QWidget* owner, const QString& text)
{
    QMessageBox box(owner);
    prepare(box, QStringLiteral("Warning"), text, Icon::Warning, QMessageBox::Ok, QMessageBox::Ok);
    // The standard button would read "确定" in Chinese; this box keeps its English "OK".
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.exec();
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

QString QtDialogs::openFileNameIn(QWidget* owner, const QString& title, const QString& filter,
                                  const QString& folder)
{
    QFileDialog dialog(owner, title, folder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString QtDialogs::saveFileName(QWidget* owner, const QString& title, const QString& filter,
                                const QString& defaultSuffix, const QString& initialPath)
{
    QFileDialog dialog(owner, title, initialPath, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    // With a choice of formats, a name typed without extension takes the
    // chosen filter's ("*.xlsx" gives "xlsx"); the first filter's suffix is
    // the caller's default.
    if (!defaultSuffix.isEmpty() && filter.contains(QStringLiteral(";;")))
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, defaultSuffix](const QString& f) {
            static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
            const QRegularExpressionMatch m = pattern.match(f);
            dialog.setDefaultSuffix(m.hasMatch() ? m.captured(1) : defaultSuffix);
        });
    // The callers ask their own overwrite question.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

bool QtDialogs::printerSetup(QWidget* owner, QPrinter* printer)
{
    QPrintDialog dialog(printer, owner);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    // Confirming only keeps the choices for the template's next "打印": the
    // dialog is the printer setup, and its button is no "打印".
    dialog.setWindowTitle(QStringLiteral("打印设置"));
    if (auto* box = dialog.findChild<QDialogButtonBox*>())
        if (QPushButton* ok = box->button(QDialogButtonBox::Ok))
            ok->setText(QStringLiteral("确定"));
    return dialog.exec() == QDialog::Accepted;
}

void QtDialogs::print(QPrinter* printer, const std::function<void(QPagedPaintDevice*)>& render)
{
    render(printer);
}

}  // namespace kx
