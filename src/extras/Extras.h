#pragma once

namespace kx {

class TMainForm;

// The extras of the main window that need more of the desktop than the rest
// of the program (the embedded browser among them). They live in a library
// of their own that only the program and its own tests link, and are added
// to a finished main window from the program's start.
class Extras {
public:
    // Claims the extras' entries in the main window's command tables.
    static void install(TMainForm& main);
};

}  // namespace kx
