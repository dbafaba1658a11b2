#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace kx {

class SettingsStore;

// A register on a database server as the connection window edits it: the
// parts of a libpq connection URI ("postgresql://user@host:port/dbname?…").
struct ServerAddress {
    QString host;
    int port = 5432;
    QString database;
    QString user;
    // The URI's other settings ("sslmode=require&connect_timeout=5"), kept
    // as the URI had them; never a password.
    QString options;
};

// Which register the program opens, and how it is named to the user. A
// register is a file path or a connection URI; which of the two a text is
// follows from its scheme. Nothing here connects to anything.
class RegisterChoice {
public:
    // The register to open: `--database X` (or `--database=X`) among the
    // program's arguments, else the choice saved in the settings, else the
    // local file.
    static QString choose(const QStringList& arguments, const SettingsStore& settings, const QString& localFile);
    // The value of `--database`; nullopt when the option is not given, an
    // empty text when it is given without a value.
    static std::optional<QString> databaseOption(const QStringList& arguments);

    // The saved server, or an empty text for the local file.
    static QString saved(const SettingsStore& settings);
    // Saves the choice (an empty text for the local file). A password in a
    // URI is left out: the settings are a plain file. Throws OperationError
    // when the store refuses.
    static void save(SettingsStore& settings, const QString& uri);

    // Whether the text names a register on a server rather than a file.
    static bool isServerUri(const QString& text);
    // The URI for these parts, each percent-encoded; TLS whenever the server
    // offers it (sslmode=prefer) unless the options name their own mode.
    static QString buildUri(const ServerAddress& address);
    // The parts of a URI, decoded; a password in it is dropped.
    static ServerAddress parseUri(const QString& uri);
    // The URI without a password, in its user part or among its settings;
    // everything else as it was.
    static QString withoutPassword(const QString& uri);
    // The register as the windows show it: the file's absolute path, or
    // "host/dbname" for a server. Never a password.
    static QString label(const QString& pathOrUri);
    // The reason in a failed connection's message, without the data
    // layer's English lead-in, to follow a Chinese one. A message that
    // quotes the URI does not show the password it may hold.
    static QString serverReason(const QString& message, const QString& uri);
};

}  // namespace kx
