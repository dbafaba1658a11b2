#pragma once

#include <QString>
#include <functional>

namespace kx {

// What the extras must know of the system they run on before they start a
// browser or write over the program. The program asks the system itself;
// a test answers as it needs.
struct SystemFacts {
    // The process runs as root: whatever it starts runs as root too.
    std::function<bool()> runningAsRoot;
    // The file at `path` belongs to an installed Debian package, so only the
    // package manager may replace it.
    std::function<bool(const QString& path)> ownedByPackage;

    static SystemFacts real();
};

}  // namespace kx
