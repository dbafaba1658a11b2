#pragma once

#include <QString>

namespace kx::settingsKeys {

// The settings key: the skin, the column memory and the other values the
// main window reads each time it is shown.
inline const QString main = QStringLiteral("Software\\tarnvale\\wbq");
// The backup window's remembered path (value "save") and "n0".
inline const QString backup = QStringLiteral("Software\\vorrindo\\lmt");
// The register the program opens (value "database": a connection URI
// without a password, or empty for the local file).
inline const QString connection = QStringLiteral("Software\\tarnvale\\connection");

}  // namespace kx::settingsKeys
