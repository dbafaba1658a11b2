#include "Fakes.h"

#include "core/OperationError.h"

#include <QPdfWriter>
#include <QPrinter>

namespace kx::test {

QMessageBox::StandardButton FakeDialogs::message(QWidget*, const QString& caption, const QString& text, Icon icon,
                                                 QMessageBox::StandardButtons buttons,
                                                 QMessageBox::StandardButton defaultButton)
{
    shown.append({caption, text, icon, buttons, defaultButton, QString()});
    if (onShown)
        onShown(shown.last());
    return answers.isEmpty() ? QMessageBox::Ok : answers.dequeue();
}

QMessageBox::StandardButton FakeDialogs::messageWithDetails(QWidget*, const QString& caption, const QString& text,
                                                            const QString& details, Icon icon,
                                                            QMessageBox::StandardButtons buttons,
                                                            QMessageBox::StandardButton defaultButton)
{
    shown.append({caption, text, icon, buttons, defaultButton, details});
    if (onShown)
        onShown(shown.last());
    return answers.isEmpty() ? QMessageBox::Ok : answers.dequeue();
}

QString FakeDialogs::openFileName(QWidget*, const QString& title, const QString& filter, const QString& suffix)
{
    fileDialogs.append({title, filter, suffix, QString()});
    return fileNames.isEmpty() ? QString() : fileNames.dequeue();
}

QString FakeDialogs::openFileNameIn(QWidget*, const QString&, const QString&, const QString& folder)
{
    openFolders << folder;
    return fileNames.isEmpty() ? QString() : fileNames.dequeue();
}

QString FakeDialogs::saveFileName(QWidget*, const QString& title, const QString& filter, const QString& defaultSuffix,
                                  const QString& initialPath)
{
    fileDialogs.append({title, filter, defaultSuffix, initialPath});
    return fileNames.isEmpty() ? QString() : fileNames.dequeue();
}

bool FakeDialogs::printerSetup(QWidget*, QPrinter* printer)
{
    ++printerSetups;
    if (printerSetupAnswer && printerSetupChoice)
        printerSetupChoice(printer);
    return printerSetupAnswer;
}

void FakeDialogs::print(QPrinter* printer, const std::function<void(QPagedPaintDevice*)>& render)
{
    ++prints;
    if (printOnPrinter) {
        render(printer);
        return;
    }
    if (printToPdf.isEmpty())
        return;
    QPdfWriter pdf(printToPdf);
    pdf.setPageLayout(printer->pageLayout());
    pdf.setResolution(printer->resolution());
    render(&pdf);
}

QStringList FakeDialogs::texts() const
{
    QStringList list;
    for (const Shown& s : shown)
        list << s.text;
    return list;
}

std::optional<QString> FakeSettingsStore::read(const QString& key, const QString& name) const
{
    const auto k = keys.find(key);
    if (k == keys.end() || !k->contains(name))
        return std::nullopt;
    return k->value(name);
}

void FakeSettingsStore::write(const QString& key, const QString& name, const QString& value)
{
    if (failWrites)
        throw OperationError(QStringLiteral("Failed to set data for '%1'").arg(name));
    keys[key][name] = value;
}

}  // namespace kx::test
