#pragma once

#include "widgets/CharacterKeyFilter.h"

namespace kx {

// The typing rule of a password field: ASCII letters and digits only, at
// most ten of them, each shown as "*". Backspace, Enter and the other editing
// keys pass, so an EnterChain on the field still moves the focus on; every
// other typed character is dropped as it is typed.
class PasswordKeyFilter : public CharacterKeyFilter {
    Q_OBJECT
public:
    static constexpr int maxLength = 10;

    // Masks the field with "*", limits its length and installs a filter it owns.
    static void install(QLineEdit* field);

protected:
    // Full-width letters and digits are refused: a password typed with them
    // could not be typed again on another keyboard layout.
    bool acceptsCharacter(char16_t c) const override;
};

}  // namespace kx
