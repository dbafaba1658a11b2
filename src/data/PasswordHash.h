#pragma once

#include <QString>

namespace kx {

// How userdb keeps a password: a salted, slow hash (Argon2id, in libsodium's
// self-describing text form "$argon2id$v=19$m=…,t=…,p=1$salt$hash"), so that
// a copy of the file together with its database password still gives away
// no one's login password.
//
// A register made before passwords were hashed holds them in the clear; such
// a text still opens with the same password until the first login hashes it.
class PasswordHash {
public:
    // A new hash of the password, with a salt of its own: two users with the
    // same password get different texts.
    static QString make(const QString& password);

    // Whether the typed password is the stored one: verified against a hash,
    // compared exactly (letter case counting) with a text in the clear. The
    // typed text is taken as it is; the windows trim it before.
    static bool matches(const QString& stored, const QString& typed);

    // Whether the stored text is a hash rather than a password in the clear.
    // A password typed into the program is letters and digits only, so none
    // can begin with the hash's "$argon2id$".
    static bool isHash(const QString& stored);

    // The work a new hash costs, which the same hash costs again at every
    // check (a hash carries its own limits). The program's: libsodium's
    // "interactive" limits, two passes over 64 MiB, a quarter of a second on
    // a busy two-core machine, so that a login keeps well under a second even
    // on an old shop PC. The lightest is for tests, which make and check
    // hundreds of hashes.
    enum class Cost { Program, Lightest };
    static void setCost(Cost cost);
};

}  // namespace kx
