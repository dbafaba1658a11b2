#include "maintenance/Skins.h"

namespace kx {

namespace {

struct Colours {
    const char* window;      // main window and dialogs
    const char* panel;       // the lower panel, floating panels, scroll bar tracks
    const char* menu;        // menus
    const char* menuText;
    const char* select;      // a chosen menu entry, a pressed button, progress
    const char* selectText;
    const char* barTop;      // toolbar gradient
    const char* barBottom;
    const char* barText;
    const char* buttonTop;   // push button gradient
    const char* buttonBottom;
    const char* buttonText;
    const char* border;
    const char* edit;        // edit and combo boxes
    const char* editText;
    const char* status;      // status bar
    const char* statusText;
    const char* accent;      // group box titles, check and radio box texts
    const char* statusEdge;  // the frames of the status bar's panels
};

// 黑色经典, 蓝色幻想, 梦幻天空, 黑色遐想, 梦想成真
constexpr Colours skins[Skins::count] = {
    {"#3a3a3a", "#2e2e2e", "#262626", "#e8e8e8", "#c8c8c8", "#000000", "#555555", "#1c1c1c", "#f2f2f2",
     "#626262", "#2a2a2a", "#ffffff", "#101010", "#f4f4f4", "#000000", "#141414", "#d6d6d6", "#e0e0e0", "#4a4a4a"},
    {"#d6e4f5", "#c2d7f0", "#eef4fc", "#0b2a55", "#2f6fc0", "#ffffff", "#5b8fd6", "#2a5ea8", "#ffffff",
     "#f0f6ff", "#a9c8ef", "#0b2a55", "#2a5ea8", "#ffffff", "#000000", "#2a5ea8", "#ffffff", "#1d4f9a", "#7aa6de"},
    {"#e8f8ff", "#cdeffc", "#f6fcff", "#005a80", "#3bb4e5", "#ffffff", "#bfeafc", "#6cc8f0", "#00435f",
     "#ffffff", "#c4ebfb", "#00435f", "#5cbde8", "#ffffff", "#000000", "#8ed6f4", "#00435f", "#0088bb", "#4fb3e0"},
    {"#221b28", "#2d2435", "#19131e", "#e6d9f2", "#8a4fbf", "#ffffff", "#3e2f4b", "#140f19", "#f0c36a",
     "#4c3b5a", "#20182a", "#f0c36a", "#8a4fbf", "#f2ecf7", "#000000", "#0d0a10", "#f0c36a", "#c89cf0", "#3f2f4c"},
    {"#fdf1d8", "#f9e2ad", "#fff8e8", "#6b3a00", "#e58a1f", "#ffffff", "#f8cd72", "#e0952a", "#4a2800",
     "#fff4da", "#f2c574", "#5a3000", "#c97a12", "#fffdf6", "#000000", "#c96f12", "#ffffff", "#b35c00", "#eaa55a"},
};

QString sheet(const Colours& c)
{
    // Type and name selectors only: the order grid draws its own colours,
    // the success banner and the backup window's bands keep theirs.
    return QStringLiteral(R"(
QMainWindow, QDialog { background: %1; }
QFrame#Panel2, QFrame#Panel3, QFrame#Panel5 { background: %2; }
QFrame#Panel2 QLabel, QFrame#Panel3 QLabel, QFrame#Panel5 QLabel { color: %18; }
QMenu { background: %3; color: %4; border: 1px solid %13; }
QMenu::item { background: transparent; padding: 3px 22px 3px 22px; }
QMenu::item:selected { background: %5; color: %6; }
QMenu::item:disabled { color: #8c8c8c; }
QMenu::separator { height: 1px; background: %13; margin: 3px 6px; }
QToolBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %7, stop:1 %8); border: 1px solid %13; }
QToolButton { color: %9; background: transparent; border: 1px solid transparent; border-radius: 3px; }
QToolButton:hover { border-color: %5; }
QToolButton:pressed, QToolButton:checked { background: %5; color: %6; }
QToolButton:disabled { color: #8c8c8c; }
QPushButton { color: %12; background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %10, stop:1 %11);
              border: 1px solid %13; border-radius: 3px; padding: 2px 6px; }
QPushButton:hover { border-color: %5; }
QPushButton:pressed { background: %11; }
QPushButton:disabled { color: #8c8c8c; }
QGroupBox { color: %18; border: 1px solid %13; border-radius: 3px; margin-top: 7px; }
QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 2px; }
QCheckBox, QRadioButton { color: %18; }
QLineEdit, QComboBox { background: %14; color: %15; border: 1px solid %13; }
QComboBox QAbstractItemView { background: %14; color: %15; selection-background-color: %5;
                              selection-color: %6; }
QProgressBar { background: %14; color: %15; border: 1px solid %13; text-align: center; }
QProgressBar::chunk { background: %5; }
QScrollBar:vertical { background: %2; width: 16px; margin: 0; }
QScrollBar:horizontal { background: %2; height: 16px; margin: 0; }
QScrollBar::handle { background: qlineargradient(x1:0, y1:0, x2:1, y2:1, stop:0 %10, stop:1 %11);
                     border: 1px solid %13; border-radius: 3px; }
QScrollBar::handle:vertical { min-height: 20px; }
QScrollBar::handle:horizontal { min-width: 20px; }
QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none; }
QScrollBar::add-page, QScrollBar::sub-page { background: none; }
QTabBar::tab { background: %11; color: %12; border: 1px solid %13; padding: 3px 10px; }
QTabBar::tab:selected { background: %10; }
QStatusBar { background: %16; color: %17; }
QStatusBar QLabel { color: %17; background: transparent; border: 1px solid %19; }
)")
        .arg(QLatin1String(c.window), QLatin1String(c.panel), QLatin1String(c.menu), QLatin1String(c.menuText),
             QLatin1String(c.select), QLatin1String(c.selectText), QLatin1String(c.barTop),
             QLatin1String(c.barBottom), QLatin1String(c.barText))
        .arg(QLatin1String(c.buttonTop), QLatin1String(c.buttonBottom), QLatin1String(c.buttonText),
             QLatin1String(c.border), QLatin1String(c.edit), QLatin1String(c.editText), QLatin1String(c.status),
             QLatin1String(c.statusText), QLatin1String(c.accent))
        .arg(QLatin1String(c.statusEdge));
}

}  // namespace

QString Skins::styleSheet(int number)
{
    if (number < 0 || number >= count)
        return QString();
    return sheet(skins[number]);
}

std::optional<int> Skins::fromStored(const QString& value)
{
    if (value.size() == 1 && value.at(0) >= QLatin1Char('0') && value.at(0) < QLatin1Char(char('0' + count)))
        return value.at(0).unicode() - u'0';
    return std::nullopt;
}

}  // namespace kx
