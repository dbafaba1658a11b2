#pragma once

#include <QDateTime>
#include <QString>

namespace kx {

class Database;

// The login journal rz and the user table userdb, through the data module's
// general-purpose dataset. Every value is bound.
class LoginJournal {
public:
    // Whether exactly one user has this name and password (the name compared
    // exactly, the password verified against its hash or, in a register not
    // yet upgraded, compared exactly; letter case counting in both).
    static bool passwordMatches(Database& dm, const QString& user, const QString& password);
    // A new journal row for a login; returns its journal number.
    static int writeLogin(Database& dm, const QString& user, const QDateTime& when);
    // The exit time of the login with that journal number.
    static void writeExit(Database& dm, int number, const QDateTime& when);
};

}  // namespace kx
