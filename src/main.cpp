// Kestrix: the program's start.
#include "app/AppStyle.h"
#include "app/MainWindow.h"
#include "core/OperationError.h"
#include "data/Database.h"
#include "extras/Extras.h"
#include "extras/Restarter.h"
#include "platform/AppInfo.h"
#include "platform/Platform.h"
#include "platform/QtDialogs.h"
#include "platform/QtTranslations.h"
#include "widgets/FontSubstitutions.h"

#include <QApplication>
#include <memory>
#include <unistd.h>

int main(int argc, char** argv)
{
    // The embedded browser refuses to run as root without this.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
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

    // The data module opens data.mdb in the working directory; when it
    // cannot, the engine's message is shown and the program ends.
    std::unique_ptr<kx::Database> dm;
    try {
        dm = std::make_unique<kx::Database>();
    } catch (const kx::OperationError& e) {
        dialogs.showError(nullptr, e.message());
        return 1;
    }
    kx::MainWindow main(*dm, platform);
    kx::QtRestarter restarter;
    kx::Extras::install(main, platform, restarter);
    main.show();
    return app.exec();
}
