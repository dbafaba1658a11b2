#pragma once

#include <QString>
#include <QStringList>

namespace kx {

class Database;

// The users who may log in (userdb), as user administration and the password
// change read and write them, through the data module's general-purpose
// dataset. Every name and password is bound, so that a quote, "%", "_" or
// "[" in a name is stored and matched as the character it is; names and
// passwords compare exactly, letter case counting, as the login compares them.
// A password is written as a hash (PasswordHash), never in the clear.
class UserAccounts {
public:
    // Every user name in the order the table gives them. A null name stops
    // with the conversion error.
    static QStringList names(Database& dm);

    // Whether the password opens the administrator's row, by the login's own
    // check (exactly one row).
    static bool isAdministratorPassword(Database& dm, const QString& password);

    // Adds a user with the initial password. False, and nothing written, when
    // a user of that name exists: a second row would let anyone log in under
    // that name with the initial password, and a login that finds two rows
    // fails for both.
    static bool add(Database& dm, const QString& name);

    // A register without a single user could never be logged into again
    // (the program never deletes the administrator; a file edited or damaged
    // elsewhere can lack every row): puts the administrator back with the
    // initial password, as a new file has it. True when it did; nothing is
    // written while any user exists.
    static bool restoreAdministratorIfNoUsers(Database& dm);

    // Sets the user's password back to the initial one; false when no user
    // has that name (any more).
    static bool resetPassword(Database& dm, const QString& name);

    // Deletes the user; false when no user has that name (any more).
    static bool remove(Database& dm, const QString& name);

    // Gives the user the new password when the old one is theirs; false, and
    // nothing written, when it is not (or the user is gone).
    static bool changePassword(Database& dm, const QString& name, const QString& oldPassword,
                               const QString& newPassword);

    // A register made before passwords were hashed holds them in the clear:
    // hashes every such row, every user's, in one transaction, so that the
    // register holds either no hash or no clear password. Returns how many
    // it hashed (none when there was nothing left in the clear).
    static int hashClearPasswords(Database& dm);
};

}  // namespace kx
