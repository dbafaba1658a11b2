#include "widgets/FontSubstitutions.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QStringList>

namespace kx {

namespace {

// Noto Serif CJK has a real bold, which the waybills use throughout; the AR PL
// faces are the fall-back on desktops without it.
const QStringList& songFaces()
{
    static const QStringList faces = {QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Source Han Serif SC"),
                                      QStringLiteral("AR PL UMing CN"),    QStringLiteral("AR PL UMing TW"),
                                      QStringLiteral("Noto Serif CJK TC"), QStringLiteral("SimSun")};
    return faces;
}

}  // namespace

void registerFontSubstitutions()
{
    for (const QString& name : {QStringLiteral("宋体"), QStringLiteral("SimSun")}) {
        const QStringList present = QFont::substitutes(name);
        for (const QString& face : songFaces())
            if (face != name && !present.contains(face))
                QFont::insertSubstitution(name, face);
    }
    // The printed list's faces: Liberation Sans has Arial's metrics, and
    // stands in for the bitmap MS Sans Serif of its page header too.
    for (const QString& name : {QStringLiteral("Arial"), QStringLiteral("MS Sans Serif")})
        if (!QFont::substitutes(name).contains(QStringLiteral("Liberation Sans")))
            QFont::insertSubstitution(name, QStringLiteral("Liberation Sans"));
}

QFont songFont(int pixels, bool bold)
{
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QFont songFigureFont(int pixels)
{
    // Noto Serif's figures are proportional and about 0.55 em wide, so an
    // 11-digit mobile needs 6 pixels more at 14 pixels than in the Windows
    // face; SimSun and AR PL UMing set them at exactly half an em.
    static QHash<int, QString> chosen;
    auto it = chosen.find(pixels);
    if (it == chosen.end()) {
        QString face;
        for (const QString& candidate : songFaces()) {
            if (!QFontDatabase::hasFamily(candidate))
                continue;
            QFont f(candidate);
            f.setPixelSize(pixels);
            if (QFontMetricsF(f).horizontalAdvance(QStringLiteral("0123456789")) <= 5.0 * pixels + 0.01) {
                face = candidate;
                break;
            }
        }
        it = chosen.insert(pixels, face);
    }
    QFont font = songFont(pixels);
    if (!it->isEmpty()) {
        font.setFamilies({*it, QStringLiteral("宋体")});
        // Its thin one-pixel strokes stay crisp and in their true colour
        // without smoothing, as the Windows face's bitmaps are at this size.
        font.setStyleStrategy(QFont::NoAntialias);
    }
    return font;
}

}  // namespace kx
