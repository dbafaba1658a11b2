#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kx {

// The update check: the information file at the root of the maker's server,
// the program files it may replace (local names beside the program), the
// running version, the maker's public key that signs the information, and
// the time the check, and then the download, may take at most.
struct UpdateSettings {
    QString infoUrl;
    QStringList files;
    QString runningVersion;  // the package version, "2.1.0"
    QByteArray publicKey;    // raw Ed25519 key; empty: updates are not set up
    int deadlineMs = 10 * 60 * 1000;
};

// The program's own: its version and the key compiled into this build.
UpdateSettings defaultUpdateSettings();

}  // namespace kx
