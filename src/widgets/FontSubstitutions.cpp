#include "widgets/FontSubstitutions.h"

#include <QFont>
#include <QStringList>

namespace kx {

void registerFontSubstitutions()
{
    // Noto Serif CJK has a real bold, which the waybills use throughout; the
    // AR PL faces are the fall-back on desktops without it.
    const QStringList song = {QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Source Han Serif SC"),
                              QStringLiteral("AR PL UMing CN"),    QStringLiteral("AR PL UMing TW"),
                              QStringLiteral("Noto Serif CJK TC"), QStringLiteral("SimSun")};
    for (const QString& name : {QStringLiteral("宋体"), QStringLiteral("SimSun")}) {
        const QStringList present = QFont::substitutes(name);
        for (const QString& face : song)
            if (face != name && !present.contains(face))
                QFont::insertSubstitution(name, face);
    }
}

QFont songFont(int pixels, bool bold)
{
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

}  // namespace kx
