#pragma once

namespace kx {

// What the backup window does to the main window: it hides it while the
// database is closed and shows it again (which runs its start-up sequence)
// once the database is open and the order list reloaded.
class MaintenanceHost {
public:
    virtual ~MaintenanceHost() = default;
    virtual void hideMainWindow() = 0;
    virtual void showMainWindow() = 0;
    virtual void showAll() = 0;     // "全部记录"; may throw
    virtual void endProgram() = 0;  // when the database cannot be opened again
};

}  // namespace kx
