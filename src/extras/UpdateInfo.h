#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace kx {

// The update information file wbq.inf at the root of the maker's server, a
// small UTF-8 text of our own:
//
//     # comment lines and blank lines are ignored
//     version=01/15/2015
//     file=download/kestrix kestrix 2816512 <SHA-256, 64 hex digits>
//
// "version" is the newest version's date, month/day/year; each "file" line
// gives the file's path on the server (relative to wbq.inf), its name beside
// the program, its size in bytes and its SHA-256. Only names of the program's
// own file list are accepted, and only plain names: the file can never reach
// outside the program's folder.
class UpdateInfo {
public:
    struct File {
        QString serverPath;
        QString localName;
        qint64 size = 0;
        QByteArray sha256;  // raw, 32 bytes
    };

    QDate version;
    QList<File> files;

    // Empty, with the reason in `error`, when the text does not hold a
    // version and at least one well-formed file line.
    static std::optional<UpdateInfo> parse(const QByteArray& text, const QStringList& allowedNames,
                                           QString* error);
    // "12/29/2014" → 29 December 2014; invalid for anything else.
    static QDate versionDate(const QString& text);
};

}  // namespace kx
