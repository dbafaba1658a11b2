#pragma once

#include "extras/CourierLookupWindow.h"
#include "extras/SystemFacts.h"
#include "extras/UpdateSettings.h"

namespace kx {

class MainWindow;
struct Platform;
class Restarter;
class AboutBox;
class Updater;

// The extras of the main window that need more of the desktop than the rest
// of the program (the embedded browser among them). They live in a library
// of their own that only the program and its own tests link, and are added
// to a finished main window from the program's start.
class Extras {
public:
    // What install() made; all of it lives as long as the main window.
    struct Parts {
        CourierLookupWindow* lookup;
        AboutBox* about;
        Updater* updater;
    };

    // Claims the web lookup, the support menu and the status bar link. The
    // browser factory, the update settings and what is known of the system
    // are the program's own unless a test hands in others; `programDir` is
    // the folder the updater replaces files in.
    static Parts install(MainWindow& main, const Platform& platform, Restarter& restarter,
                         const CourierLookupWindow::BrowserFactory& makeBrowser = {},
                         const QList<CourierSite>& sites = courierSites(),
                         const UpdateSettings& update = defaultUpdateSettings(), const QString& programDir = {},
                         const SystemFacts& system = SystemFacts::real());
};

}  // namespace kx
