#pragma once

#include "data/Schema.h"

#include <QDate>
#include <QString>
#include <memory>

namespace kx {

class Database;
struct Platform;

// Opens the register at start. A data.mdb that is refused (damaged, cut
// short, empty, not this program's) would end the program before the login,
// and with it before the backup window that could put it right: when the
// exit backup's folder holds a sound copy, the user is asked whether to
// restore the newest one instead.
class StartupRecovery {
public:
    // The data module on `path`, or null when the program must end; the
    // reason has been shown then.
    static std::unique_ptr<Database> open(const Platform& platform, const QString& path = schema::databaseFile);
    // The newest of the exit backup's copies for `path` (in the exit
    // backup's order) that passes the whole check; empty when there is none.
    static QString newestSoundCopy(const QString& path, const QDate& today);
};

}  // namespace kx
