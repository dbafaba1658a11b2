// Kestrix: the program's start.
#include "app/AppStyle.h"
#include "app/MainWindow.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "extras/Extras.h"
#include "extras/Restarter.h"
#include "maintenance/StartupRecovery.h"
#include "platform/AppInfo.h"
#include "platform/Platform.h"
#include "platform/QtDialogs.h"
#include "platform/QtTranslations.h"
#include "platform/RegisterChoice.h"
#include "widgets/FontSubstitutions.h"

#include <QApplication>
#include <cstdio>
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

    // The register: `--database URI` if given, else the one saved in the
    // connection window, else data.mdb in the working directory.
    const std::optional<QString> option = kx::RegisterChoice::databaseOption(QApplication::arguments());
    if (option && option->isEmpty()) {
        std::fputs("kestrix: --database 后面需要数据库连接 URI 或数据文件的路径\n", stderr);
        return 2;
    }
    const QString chosen = kx::RegisterChoice::choose(QApplication::arguments(), settings, kx::schema::databaseFile);

    // The data module opens the file once the checker has looked at its
    // schema; when it cannot, the reason is shown, the newest sound exit
    // backup offered in its place, or the program ends. A server that cannot
    // be reached offers the connection window or the local file.
    std::unique_ptr<kx::Database> dm = kx::StartupRecovery::open(platform, chosen);
    if (!dm)
        return 1;
    kx::MainWindow main(*dm, platform);
    kx::QtRestarter restarter;
    kx::Extras::install(main, platform, restarter);
    main.show();
    return app.exec();
}
