#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace kx {

// The update information file wbq.inf at the root of the maker's server, a
// small UTF-8 text of our own, signed by the maker:
//
//     # comment lines and blank lines are ignored
//     version=2.2.0
//     expires=2027-06-30
//     file=download/kestrix kestrix 2816512 <SHA-256, 64 hex digits>
//     signature=<Ed25519 signature, 128 hex digits>
//
// The last line is the signature over every byte before it, comments
// included; nothing of the file is looked at before it has been checked, so
// whoever serves the file or sits on the way to it can neither change it
// nor make one of their own. "version" is the offered package version,
// "expires" the last day the information may be used (an old, signed file
// replayed later is refused), and each "file" line gives the file's path on
// the server (relative to wbq.inf), its name beside the program, its size in
// bytes and its SHA-256. Only names of the program's own file list are
// accepted, each once, and only plain names: a file can never reach outside
// the program's folder.
class UpdateInfo {
public:
    struct File {
        QString serverPath;
        QString localName;
        qint64 size = 0;
        QByteArray sha256;  // raw, 32 bytes
    };

    // A larger file is not update information; a larger program is not ours.
    static constexpr qsizetype maxTextSize = 64 * 1024;
    static constexpr qint64 maxFileSize = qint64(256) * 1024 * 1024;
    static constexpr qint64 maxTotalSize = qint64(512) * 1024 * 1024;

    QString version;
    QDate expires;
    QList<File> files;

    qint64 totalSize() const;

    // The whole file as it came from the server: its size, then its
    // signature against `publicKey` (raw, 32 bytes), then its content.
    // Empty, with the reason in `error`, when any of them fails.
    static std::optional<UpdateInfo> read(const QByteArray& text, const QByteArray& publicKey,
                                          const QStringList& allowedNames, QString* error);
    // The content above the signature line, already known to be the maker's.
    // Empty, with the reason in `error`, unless it holds a version, an expiry
    // date and at least one well-formed file line.
    static std::optional<UpdateInfo> parse(const QByteArray& text, const QStringList& allowedNames,
                                           QString* error);

    // "2.10.1" style versions, one to four numbers: whether `text` is one,
    // and how two of them compare (<0, 0, >0; missing numbers count as 0, so
    // "2.1" equals "2.1.0"). An invalid version sorts before every valid one.
    static bool validVersion(const QString& text);
    static int compareVersions(const QString& a, const QString& b);
};

}  // namespace kx
