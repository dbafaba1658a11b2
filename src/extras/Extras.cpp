#include "extras/Extras.h"

#include "app/MainWindow.h"
#include "extras/StatusBarLink.h"
#include "extras/AboutBox.h"
#include "extras/Updater.h"
#include "extras/UserGuide.h"
#include "extras/WebEngineBrowser.h"
#include "orders/OrderEditorPanel.h"
#include "platform/Platform.h"
#include "widgets/CommandRegistry.h"

#include <QCoreApplication>
#include <QDir>
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
    // The maker's site holds no guide for this program: help is the guide
    // that comes with it, looked up at each click.
    const QString guideFolder = programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir;
    commands.on(Command::Help, [&main, &platform, guideFolder] {
        const QString guide = UserGuide::find(guideFolder);
        if (guide.isEmpty())
            platform.dialogs.inform(&main, QStringLiteral("找不到使用说明文件 %1。")
                                               .arg(QDir::toNativeSeparators(UserGuide::installedPath(guideFolder))));
        else
            platform.shell.openFile(guide);
    });
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
