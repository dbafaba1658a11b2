// Kestrix: the program's start.
#include "app/AppStyle.h"
#include "app/MainWindow.h"
#include "data/Database.h"
#include "extras/Extras.h"
#include "extras/Restarter.h"
#include "maintenance/StartupRecovery.h"
#include "platform/AppInfo.h"
#include "platform/Platform.h"
#include "platform/QtDialogs.h"
#include "platform/QtTranslations.h"
#include "widgets/FontSubstitutions.h"

#include <QApplication>
#include <memory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(kx::appTitle);
    // The style goes in before the first window: replacing it later would
    // repolish every widget and cost the style-sheet labels their font.
    QApplication::setStyle(new kx::AppStyle);
    kx::loadQtTranslations();
    kx::registerFontSubstitutions();

    kx::QtDialogs dialogs;
    kx::QtShell shell;
    kx::QtSettingsStore settings;
    kx::SystemClock clock;
    const kx::Platform platform{dialogs, shell, settings, clock};

    // The data module opens data.mdb in the working directory, once the
    // checker has looked at its schema; when it cannot, the reason is shown,
    // the newest sound exit backup offered in its place, or the program ends.
    std::unique_ptr<kx::Database> dm = kx::StartupRecovery::open(platform);
    if (!dm)
        return 1;
    kx::MainWindow main(*dm, platform);
    kx::QtRestarter restarter;
    kx::Extras::install(main, platform, restarter);
    main.show();
    return app.exec();
}
