#include "extras/Extras.h"

#include "app/MainWindow.h"
#include "extras/StatusBarLink.h"
#include "extras/TAboutBox.h"
#include "extras/Updater.h"
#include "extras/WebEngineBrowser.h"
#include "orders/OrderEditorPanel.h"
#include "platform/Platform.h"
#include "widgets/CommandRegistry.h"

#include <QCoreApplication>
#include <QStatusBar>

namespace kx {

Extras::Parts Extras::install(MainWindow& main, const Platform& platform, Restarter& restarter,
                              const TForm2::BrowserFactory& makeBrowser, const QList<CourierSite>& sites,
                              const UpdateSettings& update, const QString& programDir)
{
    const TForm2::BrowserFactory browser =
        makeBrowser ? makeBrowser
                    : TForm2::BrowserFactory([](QWidget* parent) { return std::make_unique<WebEngineBrowser>(parent); });
    Parts parts;
    // The lookup window and the about box are made once, here, and only
    // hidden between showings.
    parts.lookup = new TForm2(sites, browser, &main);
    parts.about = new TAboutBox(platform.shell, &main);
    parts.updater = new Updater(update, programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir,
                                platform, restarter, &main);

    CommandRegistry& commands = *main.commands();
    TForm2* lookup = parts.lookup;
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
    TAboutBox* about = parts.about;
    commands.on(Command::About, [about] { about->showModal(); });

    new StatusBarLink(main.statusBar(), [&shell] { shell.openUrl(makerSite); });
    return parts;
}

}  // namespace kx
