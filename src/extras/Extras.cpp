#include "extras/Extras.h"

#include "app/MainWindow.h"
#include "extras/StatusBarLink.h"
#include "extras/AboutBox.h"
#include "extras/Updater.h"
#include "extras/WebEngineBrowser.h"
#include "orders/OrderEditorPanel.h"
#include "platform/Platform.h"
#include "widgets/CommandRegistry.h"

#include <QCoreApplication>
#include <QStatusBar>

namespace kx {

Extras::Parts Extras::install(MainWindow& main, const Platform& platform, Restarter& restarter,
                              const CourierLookupWindow::BrowserFactory& makeBrowser, const QList<CourierSite>& sites,
                              const UpdateSettings& update, const QString& programDir, const SystemFacts& system)
{
    const CourierLookupWindow::BrowserFactory browser =
        makeBrowser ? makeBrowser
                    : CourierLookupWindow::BrowserFactory([](QWidget* parent) { return std::make_unique<WebEngineBrowser>(parent); });
    Parts parts;
    // The lookup window and the about box are made once, here, and only
    // hidden between showings.
    parts.lookup = new CourierLookupWindow(sites, browser, system.runningAsRoot(), &main);
    parts.about = new AboutBox(platform.shell, &main);
    parts.updater = new Updater(update, programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir,
                                platform, system, restarter, &main);

    CommandRegistry& commands = *main.commands();
    CourierLookupWindow* lookup = parts.lookup;
    commands.on(Command::WebLookup, [&main, lookup] {
        main.editor()->hide();
        lookup->showLookup();
    });
    Shell& shell = platform.shell;
    commands.on(Command::Help, [&shell] { shell.openUrl(makerSite); });
    commands.on(Command::Website, [&shell] { shell.openUrl(makerSite); });
    Updater* updater = parts.updater;
    commands.on(Command::Update, [updater] { updater->check(); });
    // The contact entry only shows the address.
    commands.on(Command::Contact, [] {});
    AboutBox* about = parts.about;
    commands.on(Command::About, [about] { about->showModal(); });

    new StatusBarLink(main.statusBar(), [&shell] { shell.openUrl(makerSite); });
    return parts;
}

}  // namespace kx
