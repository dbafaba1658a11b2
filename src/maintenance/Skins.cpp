#include "maintenance/Skins.h"

namespace kx {

namespace {

struct Colours {
    const char* window;      // the main window's own ground
    const char* panel;       // the lower panel and the floating panels
    const char* panelText;   // labels, group box titles, check and radio boxes on a panel
    const char* menu;        // menus
    const char* menuText;
    const char* select;      // a chosen menu entry, a pressed tool button, a list's choice
    const char* selectText;
    const char* barTop;      // toolbar gradient
    const char* barBottom;
    const char* barText;
    const char* buttonTop;   // push button and tab gradient
    const char* buttonBottom;
    const char* buttonText;
    const char* border;
    const char* edit;        // edit and combo boxes, progress bars
    const char* editText;
    const char* status;      // status bar
    const char* statusText;
    const char* statusEdge;  // the frames of the status bar's panels
    const char* disabled;    // the text of a disabled entry, tool button, button or tab
    const char* chunk;       // the done part of a progress bar, under its text
};

// Every text colour here stands at a contrast of at least 4.5 : 1 against
// each ground it is drawn on (both ends of a gradient), disabled texts
// included; a change of colour keeps that.
// 黑色经典, 蓝色幻想, 梦幻天空, 黑色遐想, 梦想成真
constexpr Colours skins[Skins::count] = {
    {"#3a3a3a", "#2e2e2e", "#e8e8e8", "#262626", "#e8e8e8", "#c8c8c8", "#000000", "#444444", "#1c1c1c",
     "#f2f2f2", "#484848", "#2a2a2a", "#ffffff", "#101010", "#f4f4f4", "#000000", "#141414", "#d6d6d6",
     "#4a4a4a", "#bababa", "#c8c8c8"},
    {"#d6e4f5", "#c2d7f0", "#163f7d", "#eef4fc", "#0b2a55", "#2f6fc0", "#ffffff", "#eaf2fc", "#bcd3f1",
     "#0b2a55", "#f0f6ff", "#bcd3f1", "#0b2a55", "#2a5ea8", "#ffffff", "#000000", "#2a5ea8", "#ffffff",
     "#7aa6de", "#4a5565", "#9dbdea"},
    {"#e8f8ff", "#cdeffc", "#005f85", "#f6fcff", "#005a80", "#17729f", "#ffffff", "#d8f3fe", "#9fdcf6",
     "#00435f", "#ffffff", "#c4ebfb", "#00435f", "#5cbde8", "#ffffff", "#000000", "#8ed6f4", "#00435f",
     "#4fb3e0", "#3d5862", "#8ed6f4"},
    {"#221b28", "#2d2435", "#c89cf0", "#19131e", "#e6d9f2", "#8a4fbf", "#ffffff", "#3e2f4b", "#140f19",
     "#f0c36a", "#4c3b5a", "#20182a", "#f0c36a", "#8a4fbf", "#f2ecf7", "#000000", "#0d0a10", "#f0c36a",
     "#3f2f4c", "#b9aec4", "#c89cf0"},
    {"#fdf1d8", "#f9e2ad", "#7a3e00", "#fff8e8", "#6b3a00", "#a85a00", "#ffffff", "#fde7b4", "#f5c56a",
     "#4a2800", "#fff4da", "#f5cf85", "#5a3000", "#c97a12", "#fffdf6", "#000000", "#a85a00", "#ffffff",
     "#eaa55a", "#65492a", "#f5c56a"},
};

QString sheet(const Colours& c)
{
    // A skin colours controls, not windows: each rule that gives a text its
    // colour paints the ground behind it as well (a panel for the texts on
    // it), so no text of a skin ever stands on a ground the skin did not
    // choose. Dialogs, message boxes, file dialogs and tool windows keep the
    // desktop's ground and texts, with the skin's buttons, boxes and tabs.
    // Type and name selectors only: the order grid draws its own colours,
    // the success banner and the backup window's bands keep theirs.
    return QStringLiteral(R"(
QMainWindow#TMainForm { background: %1; }
QFrame#Panel2, QFrame#Panel3, QFrame#Panel5 { background: %2; }
QFrame#Panel2 QLabel, QFrame#Panel3 QLabel, QFrame#Panel5 QLabel,
QFrame#Panel2 QGroupBox, QFrame#Panel3 QGroupBox, QFrame#Panel5 QGroupBox,
QFrame#Panel2 QCheckBox, QFrame#Panel3 QCheckBox, QFrame#Panel5 QCheckBox,
QFrame#Panel2 QRadioButton, QFrame#Panel3 QRadioButton, QFrame#Panel5 QRadioButton,
QFrame#Panel3 QToolButton, QFrame#Panel5 QToolButton { color: %3; }
QMenu { background: %4; color: %5; border: 1px solid %14; }
QMenu::item { background: transparent; padding: 3px 22px 3px 22px; }
QMenu::item:selected { background: %6; color: %7; }
QMenu::item:disabled { color: %20; }
QMenu::separator { height: 1px; background: %14; margin: 3px 6px; }
QToolBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %8, stop:1 %9); border: 1px solid %14; }
QToolBar QToolButton { color: %10; background: transparent; border: 1px solid transparent; border-radius: 3px; }
QToolBar QToolButton:hover { border-color: %6; }
QToolBar QToolButton:pressed, QToolBar QToolButton:checked { background: %6; color: %7; }
QToolBar QToolButton:disabled { color: %20; }
QPushButton { color: %13; background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %11, stop:1 %12);
              border: 1px solid %14; border-radius: 3px; padding: 2px 6px; }
QPushButton:hover { border-color: %6; }
QPushButton:pressed { background: %12; }
QPushButton:disabled { color: %20; }
QGroupBox { border: 1px solid %14; border-radius: 3px; margin-top: 7px; }
QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 2px; }
QLineEdit, QComboBox { background: %15; color: %16; border: 1px solid %14; }
QComboBox QAbstractItemView { background: %15; color: %16; selection-background-color: %6;
                              selection-color: %7; }
QProgressBar { background: %15; color: %16; border: 1px solid %14; text-align: center; }
QProgressBar::chunk { background: %21; }
QScrollBar:vertical { background: %2; width: 16px; margin: 0; }
QScrollBar:horizontal { background: %2; height: 16px; margin: 0; }
QScrollBar::handle { background: qlineargradient(x1:0, y1:0, x2:1, y2:1, stop:0 %11, stop:1 %12);
                     border: 1px solid %14; border-radius: 3px; }
QScrollBar::handle:vertical { min-height: 20px; }
QScrollBar::handle:horizontal { min-width: 20px; }
QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none; }
QScrollBar::add-page, QScrollBar::sub-page { background: none; }
QTabBar::tab { background: %12; color: %13; border: 1px solid %14; padding: 3px 10px; }
QTabBar::tab:selected { background: %11; }
QTabBar::tab:disabled { color: %20; }
QStatusBar { background: %17; color: %18; }
QStatusBar QLabel { color: %18; background: transparent; border: 1px solid %19; }
)")
        .arg(QLatin1String(c.window), QLatin1String(c.panel), QLatin1String(c.panelText), QLatin1String(c.menu),
             QLatin1String(c.menuText), QLatin1String(c.select), QLatin1String(c.selectText),
             QLatin1String(c.barTop), QLatin1String(c.barBottom))
        .arg(QLatin1String(c.barText), QLatin1String(c.buttonTop), QLatin1String(c.buttonBottom),
             QLatin1String(c.buttonText), QLatin1String(c.border), QLatin1String(c.edit), QLatin1String(c.editText),
             QLatin1String(c.status), QLatin1String(c.statusText))
        .arg(QLatin1String(c.statusEdge), QLatin1String(c.disabled), QLatin1String(c.chunk));
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
