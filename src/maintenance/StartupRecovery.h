#pragma once

#include "data/Schema.h"

#include <QDate>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace kx {

class Database;
struct Platform;

// Opens the register at start. A data.mdb that is refused (damaged, cut
// short, empty, not this program's) would end the program before the login,
// and with it before the backup window that could put it right: when the
// exit backup's folder holds a sound copy, the user is asked whether to
// restore the newest one instead.
//
// A register on a database server is opened with the same care for the shop:
// when the server cannot be reached (or asks for a password nobody gives),
// the reason is shown and the user may try again, change the connection, work
// on the local file this time, or end the program; a server that is down
// never locks the shop out.
class StartupRecovery {
public:
    // What the start asks the user about a server, through windows that
    // tests replace.
    struct ServerPrompts {
        // The server's password for the register named `label`; nullopt
        // when the user declines.
        std::function<std::optional<QString>(const QString& label)> askPassword;
        // The connection window at start, on the register that could not be
        // opened: the register saved in it (empty for the local file), or
        // nullopt when it was closed without saving.
        std::function<std::optional<QString>(const QString& current)> chooseConnection;
    };
    // The prompts of the program: a password box and the connection window.
    static ServerPrompts windowPrompts(const Platform& platform);

    // The data module on `pathOrUri` (a file or a server register), or null
    // when the program must end; the reason has been shown then.
    static std::unique_ptr<Database> open(const Platform& platform, const QString& pathOrUri = schema::databaseFile);
    static std::unique_ptr<Database> open(const Platform& platform, const QString& pathOrUri,
                                          const ServerPrompts& prompts);
    // The newest of the exit backup's copies for `path` (in the exit
    // backup's order) that passes the whole check; empty when there is none.
    static QString newestSoundCopy(const QString& path, const QDate& today);

private:
    static std::unique_ptr<Database> openFile(const Platform& platform, const QString& path);
    static std::unique_ptr<Database> openServer(const Platform& platform, const QString& uri,
                                                const ServerPrompts& prompts);
};

}  // namespace kx
