#pragma once

#include <QPointF>
#include <QString>
#include <optional>

namespace kx {

// A printer's correction of where things land on paper: a position (x, y) in
// millimetres from the paper's top-left corner prints at
// (x × scaleX + offsetX, y × scaleY + offsetY). Only positions move; sizes of
// fonts and boxes stay as laid out.
struct PrintCorrection {
    static constexpr double minOffsetMm = -20.0;
    static constexpr double maxOffsetMm = 20.0;
    static constexpr double minScalePercent = 95.0;
    static constexpr double maxScalePercent = 105.0;

    double offsetXMm = 0;
    double offsetYMm = 0;
    double scaleXPercent = 100.0;
    double scaleYPercent = 100.0;

    // No correction at all: the renderer then places everything untouched.
    bool isIdentity() const;
    QPointF map(const QPointF& mm) const;

    // Stored as "dx,dy,sx,sy": millimetres and per cent, one decimal each.
    QString toText() const;
    // nullopt for a text that is not four numbers; values outside the
    // ranges are brought back into them, to a tenth.
    static std::optional<PrintCorrection> fromText(const QString& text);

    bool operator==(const PrintCorrection&) const = default;
};

}  // namespace kx
