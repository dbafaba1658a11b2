#pragma once

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"

#include <functional>

class QWidget;

namespace kx {

// The desktop seams, created once at start and handed to every window.
struct Platform {
    Dialogs& dialogs;
    Shell& shell;
    SettingsStore& settings;
    Clock& clock;

    // Runs a handler the user triggered. An error that escapes it ends the
    // handler where it arose and is shown by the general error display; the
    // program goes on. Returns false when an error was shown.
    bool guard(QWidget* owner, const std::function<void()>& handler) const;
};

}  // namespace kx
