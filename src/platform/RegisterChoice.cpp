#include "platform/RegisterChoice.h"

#include "platform/SettingsKeys.h"
#include "platform/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace kx {

namespace {

const QString databaseValue = QStringLiteral("database");
const QString defaultSslMode = QStringLiteral("sslmode=prefer");

QString decoded(const QString& part)
{
    return QUrl::fromPercentEncoding(part.toUtf8());
}

QString encoded(const QString& part)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(part));
}

// A URI cut into its pieces as libpq reads them:
// scheme://[userinfo@]hostspec[/dbname][?name=value&…]
struct UriPieces {
    QString scheme;    // "postgresql://"
    QString userinfo;  // "user" or "user:password", still encoded
    bool hasUserinfo = false;
    QString hostspec;  // one or several "host[:port]", comma-separated
    QString path;      // after the "/", still encoded
    bool hasPath = false;
    QStringList settings;  // "name=value", still encoded
};

UriPieces cut(const QString& uri)
{
    UriPieces p;
    const int schemeEnd = uri.indexOf(QLatin1String("://")) + 3;
    p.scheme = uri.left(schemeEnd);
    QString rest = uri.mid(schemeEnd);
    const int query = rest.indexOf(QLatin1Char('?'));
    if (query >= 0) {
        p.settings = rest.mid(query + 1).split(QLatin1Char('&'), Qt::SkipEmptyParts);
        rest.truncate(query);
    }
    const int slash = rest.indexOf(QLatin1Char('/'));
    if (slash >= 0) {
        p.path = rest.mid(slash + 1);
        p.hasPath = true;
        rest.truncate(slash);
    }
    // The last "@": a password typed with an "@" of its own, not encoded,
    // still counts as part of the user's details and is never shown.
    const int at = rest.lastIndexOf(QLatin1Char('@'));
    if (at >= 0) {
        p.userinfo = rest.left(at);
        p.hasUserinfo = true;
        rest = rest.mid(at + 1);
    }
    p.hostspec = rest;
    return p;
}

QString settingName(const QString& setting)
{
    return decoded(setting.section(QLatin1Char('='), 0, 0)).trimmed();
}

QString settingValue(const QString& setting)
{
    return decoded(setting.section(QLatin1Char('='), 1));
}

bool isPasswordSetting(const QString& setting)
{
    return settingName(setting).compare(QLatin1String("password"), Qt::CaseInsensitive) == 0;
}

}  // namespace

QString RegisterChoice::choose(const QStringList& arguments, const SettingsStore& settings, const QString& localFile)
{
    const std::optional<QString> option = databaseOption(arguments);
    if (option && !option->isEmpty())
        return *option;
    const QString server = saved(settings);
    return server.isEmpty() ? localFile : server;
}

std::optional<QString> RegisterChoice::databaseOption(const QStringList& arguments)
{
    const QString name = QStringLiteral("--database");
    std::optional<QString> value;
    // The first argument is the program; a later option wins, as in most
    // programs' option parsing.
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == name)
            value = i + 1 < arguments.size() ? arguments[++i] : QString();
        else if (a.startsWith(name + QLatin1Char('=')))
            value = a.mid(name.size() + 1);
    }
    return value;
}

QString RegisterChoice::saved(const SettingsStore& settings)
{
    const QString value = settings.read(settingsKeys::connection, databaseValue).value_or(QString()).trimmed();
    // Anything else (an empty value, a text edited by hand) means the local file.
    return isServerUri(value) ? value : QString();
}

void RegisterChoice::save(SettingsStore& settings, const QString& uri)
{
    settings.write(settingsKeys::connection, databaseValue, isServerUri(uri) ? withoutPassword(uri) : QString());
}

bool RegisterChoice::isServerUri(const QString& text)
{
    return text.startsWith(QLatin1String("postgresql://")) || text.startsWith(QLatin1String("postgres://"));
}

QString RegisterChoice::buildUri(const ServerAddress& address)
{
    QString uri = QStringLiteral("postgresql://");
    if (!address.user.isEmpty())
        uri += encoded(address.user) + QLatin1Char('@');
    const QString host = address.host.trimmed();
    // An IPv6 address goes in brackets, as libpq reads it; everything else
    // (a name, an IPv4 address, a socket folder) is encoded.
    if (host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('[')))
        uri += QLatin1Char('[') + host + QLatin1Char(']');
    else
        uri += encoded(host);
    if (address.port > 0)
        uri += QLatin1Char(':') + QString::number(address.port);
    uri += QLatin1Char('/') + encoded(address.database);

    QStringList settings;
    bool hasSslMode = false;
    for (const QString& s : address.options.split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
        if (isPasswordSetting(s))
            continue;
        hasSslMode = hasSslMode || settingName(s) == QLatin1String("sslmode");
        settings << s;
    }
    if (!hasSslMode)
        settings << defaultSslMode;
    return uri + QLatin1Char('?') + settings.join(QLatin1Char('&'));
}

ServerAddress RegisterChoice::parseUri(const QString& uri)
{
    ServerAddress a;
    if (!isServerUri(uri))
        return a;
    const UriPieces p = cut(uri);
    a.user = decoded(p.userinfo.section(QLatin1Char(':'), 0, 0));
    // The first of several hosts is the one the window edits.
    const QString first = p.hostspec.section(QLatin1Char(','), 0, 0);
    QString portText;
    if (first.startsWith(QLatin1Char('['))) {
        const int close = first.indexOf(QLatin1Char(']'));
        a.host = first.mid(1, close - 1);
        portText = first.mid(close + 1).section(QLatin1Char(':'), 1);
    } else {
        a.host = decoded(first.section(QLatin1Char(':'), 0, 0));
        portText = first.section(QLatin1Char(':'), 1);
    }
    a.database = decoded(p.path);
    if (!portText.isEmpty())
        a.port = portText.toInt();

    QStringList others;
    for (const QString& s : p.settings) {
        const QString name = settingName(s);
        if (name == QLatin1String("host"))
            a.host = settingValue(s);
        else if (name == QLatin1String("port"))
            a.port = settingValue(s).toInt();
        else if (name == QLatin1String("dbname"))
            a.database = settingValue(s);
        else if (name == QLatin1String("user"))
            a.user = settingValue(s);
        else if (!isPasswordSetting(s))
            others << s;
    }
    a.options = others.join(QLatin1Char('&'));
    return a;
}

QString RegisterChoice::withoutPassword(const QString& uri)
{
    if (!isServerUri(uri))
        return uri;
    const UriPieces p = cut(uri);
    QString out = p.scheme;
    if (p.hasUserinfo)
        out += p.userinfo.section(QLatin1Char(':'), 0, 0) + QLatin1Char('@');
    out += p.hostspec;
    if (p.hasPath)
        out += QLatin1Char('/') + p.path;
    QStringList settings;
    for (const QString& s : p.settings)
        if (!isPasswordSetting(s))
            settings << s;
    if (!settings.isEmpty())
        out += QLatin1Char('?') + settings.join(QLatin1Char('&'));
    return out;
}

QString RegisterChoice::label(const QString& pathOrUri)
{
    if (!isServerUri(pathOrUri))
        return QDir::toNativeSeparators(QFileInfo(pathOrUri).absoluteFilePath());
    const ServerAddress a = parseUri(pathOrUri);
    // libpq's own defaults: the local machine, and a database named as the user.
    const QString host = a.host.isEmpty() ? QStringLiteral("localhost") : a.host;
    return host + QLatin1Char('/') + (a.database.isEmpty() ? a.user : a.database);
}

QString RegisterChoice::serverReason(const QString& message, const QString& uri)
{
    const QString lead = QStringLiteral("Cannot connect to the database server: ");
    QString reason = message.startsWith(lead) ? message.mid(lead.size()) : message;
    if (!isServerUri(uri))
        return reason;
    QStringList passwords;
    const UriPieces p = cut(uri);
    if (p.userinfo.contains(QLatin1Char(':')))
        passwords << p.userinfo.section(QLatin1Char(':'), 1);
    for (const QString& s : p.settings)
        if (isPasswordSetting(s))
            passwords << s.section(QLatin1Char('='), 1);
    for (const QString& password : passwords) {
        // As typed and as the URI decodes it.
        for (const QString& form : {password, decoded(password)})
            if (!form.isEmpty())
                reason.replace(form, QStringLiteral("******"));
    }
    return reason;
}

}  // namespace kx
