#pragma once

#include "platform/Dialogs.h"

namespace kx {

// The real dialogs of the desktop.
class QtDialogs : public Dialogs {
public:
    QMessageBox::StandardButton message(QWidget* owner, const QString& caption, const QString& text, Icon icon,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override;
    QMessageBox::StandardButton messageWithDetails(QWidget* owner, const QString& caption, const QString& text,
                                                   const QString& details, Icon icon,
                                                   QMessageBox::StandardButtons buttons,
                                                   QMessageBox::StandardButton defaultButton) override;
    void warning(QWidget* owner, const QString& text) override;
    QString openFileName(QWidget* owner, const QString& title, const QString& filter,
                         const QString& defaultSuffix) override;
    QString openFileNameIn(QWidget* owner, const QString& title, const QString& filter,
                           const QString& folder) override;
    QString saveFileName(QWidget* owner, const QString& title, const QString& filter,
                         const QString& defaultSuffix, const QString& initialPath) override;
    bool printerSetup(QWidget* owner, QPrinter* printer) override;
    void print(QPrinter* printer, const std::function<void(QPagedPaintDevice*)>& render) override;

private:
    static void prepare(QMessageBox& box, const QString& caption, const QString& text, Icon icon,
                        QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton);
};

}  // namespace kx
