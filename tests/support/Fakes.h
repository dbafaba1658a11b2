#pragma once

#include "platform/Platform.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QQueue>
#include <QString>
#include <QStringList>

namespace kx::test {

// Records every message box and answers from a script (OK when the script
// is empty), so that no test ever blocks on a dialog.
class FakeDialogs : public Dialogs {
public:
    struct Shown {
        QString caption;
        QString text;
        Icon icon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton;
        QString details;  // folded away under the box's "details"
    };
    QList<Shown> shown;
    QQueue<QMessageBox::StandardButton> answers;
    QQueue<QString> fileNames;  // answers to the file dialogs; empty = cancel
    // What each file dialog (open or save) was opened with.
    struct FileDialog {
        QString title;
        QString filter;
        QString defaultSuffix;
        QString initialPath;
    };
    QList<FileDialog> fileDialogs;
    QStringList openFolders;    // the folders the open dialogs started in
    // Called with each message box as it is shown, before it is answered.
    std::function<void(const Shown&)> onShown;
    bool printerSetupAnswer = true;
    int printerSetups = 0;
    // What the user picks in the printer setup (paper, orientation), when set.
    std::function<void(QPrinter*)> printerSetupChoice;
    // Each print renders into this PDF when set; the count goes up either way.
    QString printToPdf;
    // Each print renders on the printer itself, as the desktop's print does
    // (a test points the printer at a PDF file); printToPdf is then unused.
    bool printOnPrinter = false;
    int prints = 0;

    QMessageBox::StandardButton message(QWidget*, const QString& caption, const QString& text, Icon icon,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override;
    QMessageBox::StandardButton messageWithDetails(QWidget*, const QString& caption, const QString& text,
                                                   const QString& details, Icon icon,
                                                   QMessageBox::StandardButtons buttons,
                                                   QMessageBox::StandardButton defaultButton) override;
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override;
    QString openFileNameIn(QWidget*, const QString&, const QString&, const QString& folder) override;
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&, const QString&) override;
    bool printerSetup(QWidget*, QPrinter*) override;
    void print(QPrinter* printer, const std::function<void(QPagedPaintDevice*)>& render) override;

    QStringList texts() const;
    QString lastText() const { return shown.isEmpty() ? QString() : shown.last().text; }
    void clear() { shown.clear(); }
};

class FakeShell : public Shell {
public:
    QStringList opened;
    // Runs as a file is opened, to look at the screen at that moment.
    std::function<void(const QString&)> onOpenFile;
    void openUrl(const QString& url) override { opened << url; }
    void openFile(const QString& path) override
    {
        opened << path;
        if (onOpenFile)
            onOpenFile(path);
    }
};

class FakeSettingsStore : public SettingsStore {
public:
    QMap<QString, QMap<QString, QString>> keys;
    bool failWrites = false;
    bool keyExists(const QString& key) const override { return keys.contains(key); }
    std::optional<QString> read(const QString& key, const QString& name) const override;
    void write(const QString& key, const QString& name, const QString& value) override;
};

class FakeClock : public Clock {
public:
    QDateTime moment = QDateTime(QDate(2026, 12, 10), QTime(9, 30, 15));
    QDateTime now() const override { return moment; }
};

// All four fakes, and the Platform that hands them out.
struct FakePlatform {
    FakeDialogs dialogs;
    FakeShell shell;
    FakeSettingsStore settings;
    FakeClock clock;
    Platform platform{dialogs, shell, settings, clock};
};

}  // namespace kx::test
