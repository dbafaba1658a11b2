#pragma once

#include <QString>
#include <optional>

namespace kx {

// The five stored skins, numbered 0 to 4 as the menu "皮肤界面" lists them
// (黑色经典, 蓝色幻想, 梦幻天空, 黑色遐想, 梦想成真). A skin is a style sheet
// for the main window and every window it owns: menus, toolbars, buttons,
// panels, group boxes, edit and combo boxes, check and radio boxes, progress
// and scroll bars, tabs and the status bar. The built-in skin is no style
// sheet at all.
class Skins {
public:
    static constexpr int count = 5;

    // Empty for a number outside 0 to 4.
    static QString styleSheet(int number);
    // A stored value names a skin only as exactly "0" … "4".
    static std::optional<int> fromStored(const QString& value);
};

}  // namespace kx
