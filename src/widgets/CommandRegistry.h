#pragma once

#include "widgets/Command.h"

#include <QObject>
#include <array>
#include <functional>
#include <vector>

class QAction;
class QMenu;
class QToolBar;
class QToolButton;
class QWidget;

namespace kx {

struct Platform;

// The main window's command tables: the toolbar (ToolBar2) with its drop-down
// menus, the order grid's context menu (PopupMenu1), the courier print menus
// and the start-up sequence, each entry in its fixed place. Features claim
// their entries and steps here, so adding a feature touches no central list
// of handlers. Every handler runs through the platform's guard.
class CommandRegistry : public QObject {
    Q_OBJECT
public:
    CommandRegistry(const Platform& platform, QWidget* owner);

    QAction* action(Command command) const { return m_actions[size_t(command)]; }
    QMenu* menu(CommandMenu menu) const { return m_menus[size_t(menu)]; }
    QToolBar* toolBar() const { return m_toolBar; }
    QMenu* gridMenu() const { return m_gridMenu; }
    // The toolbar buttons that only open their menu.
    QToolButton* importButton() const { return m_importButton; }
    QToolButton* settingsButton() const { return m_settingsButton; }
    QToolButton* supportButton() const { return m_supportButton; }

    // Enables the entry and runs `handler` (guarded) when it is chosen.
    void on(Command command, std::function<void()> handler);
    // Adds a step to the start-up sequence; steps of one kind run in the
    // order they were added.
    void addStartUpStep(StartUpStep step, std::function<void()> run);
    // Runs the start-up sequence under one guard: an error ends it there.
    void runStartUp() const;

private:
    const Platform& m_platform;
    QWidget* m_owner;
    QToolBar* m_toolBar;
    QMenu* m_gridMenu;
    QToolButton* m_importButton;
    QToolButton* m_settingsButton;
    QToolButton* m_supportButton;
    std::array<QAction*, size_t(Command::Count)> m_actions{};
    std::array<QMenu*, size_t(CommandMenu::Count)> m_menus{};
    std::array<std::vector<std::function<void()>>, size_t(StartUpStep::Count)> m_steps;
};

}  // namespace kx
