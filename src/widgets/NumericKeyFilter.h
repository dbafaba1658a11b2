#pragma once

#include "widgets/CharacterKeyFilter.h"

namespace kx {

// Lets a field take only what a number needs from the keyboard: the digits
// 0 to 9, the point, Backspace and Enter. Every other typed character is
// dropped as it is typed; editing keys and shortcuts still work.
class NumericKeyFilter : public CharacterKeyFilter {
    Q_OBJECT
public:
    // Installs a filter owned by the field.
    static void install(QLineEdit* field);

protected:
    bool acceptsCharacter(char16_t c) const override;
};

}  // namespace kx
