#pragma once

#include <QString>

namespace kx {

// The register holds customers' names, mobiles and addresses, and so does
// every copy of it. The files that carry its content (the register, its
// backups and kept copies, their temporary files and journals) are made
// readable and writable by their owner alone, and the folders made for them
// open to their owner alone, whatever the umask. A file is born owner-only,
// before its first byte: an empty file is a valid empty database, and the
// engine gives a journal the mode of its database file.
class OwnerOnly {
public:
    // Creates `path` as an empty file of mode 0600; refuses one that is
    // there. Throws OperationError.
    static void createFile(const QString& path);
    // Makes the folder and its missing parents, each one it makes of mode
    // 0700; folders that are there keep their modes. Throws OperationError.
    static void createFolder(const QString& path);
    // Takes every permission of the group and of others from an existing
    // file or folder. False when that was refused (another user's file).
    static bool restrict(const QString& path);
};

}  // namespace kx
