#include "PgTestServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString superuser = QStringLiteral("kxtest");
const QString serverAccount = QStringLiteral("nobody");

// A loopback port nothing listens on at this moment.
int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

}  // namespace

QString PgTestServer::binDir()
{
    const QString debian = QStringLiteral("/usr/lib/postgresql/15/bin");
    if (QFileInfo(debian + QStringLiteral("/initdb")).isExecutable())
        return debian;
    const QString initdb = QStandardPaths::findExecutable(QStringLiteral("initdb"));
    return initdb.isEmpty() ? QString() : QFileInfo(initdb).absolutePath();
}

bool PgTestServer::run(const QString& program, const QStringList& args, bool asServerUser, QString* output)
{
    QProcess p;
    p.setWorkingDirectory(m_dir.path());
    p.setProcessChannelMode(QProcess::MergedChannels);
    const QString path = binDir() + QLatin1Char('/') + program;
    if (asServerUser && ::geteuid() == 0) {
        // The server's programs refuse to run as root.
        p.start(QStringLiteral("setpriv"), QStringList{QStringLiteral("--reuid=") + serverAccount,
                                                       QStringLiteral("--regid=nogroup"),
                                                       QStringLiteral("--clear-groups"), QStringLiteral("--"), path}
                                               + args);
    } else {
        p.start(path, args);
    }
    const bool finished = p.waitForFinished(120000);
    const QString text = QString::fromUtf8(p.readAll());
    if (output)
        *output = text;
    if (!finished || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        m_error = QStringLiteral("%1 failed: %2").arg(program, text.isEmpty() ? p.errorString() : text);
        return false;
    }
    return true;
}

bool PgTestServer::start()
{
    if (binDir().isEmpty()) {
        m_error = QStringLiteral("the PostgreSQL server programs are not installed");
        return false;
    }
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder: %1").arg(m_dir.errorString());
        return false;
    }
    if (::geteuid() == 0) {
        const passwd* account = ::getpwnam(qPrintable(serverAccount));
        if (!account || ::chown(QFile::encodeName(m_dir.path()).constData(), account->pw_uid, account->pw_gid) != 0) {
            m_error = QStringLiteral("cannot hand the temporary folder to %1").arg(serverAccount);
            return false;
        }
    }
    m_port = freePort();
    if (m_port == 0) {
        m_error = QStringLiteral("no free loopback port");
        return false;
    }
    const QString data = m_dir.filePath(QStringLiteral("data"));
    if (!run(QStringLiteral("initdb"),
             {QStringLiteral("-D"), data, QStringLiteral("-U"), superuser, QStringLiteral("-A"), QStringLiteral("trust"),
              QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C"), QStringLiteral("--no-sync")},
             true))
        return false;
    QFile conf(data + QStringLiteral("/postgresql.conf"));
    if (!conf.open(QIODevice::Append)) {
        m_error = QStringLiteral("cannot write %1").arg(conf.fileName());
        return false;
    }
    conf.write(QStringLiteral("\nlisten_addresses = '127.0.0.1'\nport = %1\nunix_socket_directories = '%2'\n"
                              "fsync = off\nsynchronous_commit = off\nfull_page_writes = off\n")
                   .arg(m_port)
                   .arg(m_dir.path())
                   .toUtf8());
    conf.close();
    if (!run(QStringLiteral("pg_ctl"),
             {QStringLiteral("-D"), data, QStringLiteral("-l"), m_dir.filePath(QStringLiteral("server.log")),
              QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("start")},
             true)) {
        QFile log(m_dir.filePath(QStringLiteral("server.log")));
        if (log.open(QIODevice::ReadOnly))
            m_error += QString::fromUtf8(log.readAll());
        return false;
    }
    m_started = true;
    // The destructor does not run when the test crashes or is killed: a
    // watcher stops the server and removes its folder once this process is
    // gone (after a normal end it finds nothing left to do).
    const QString stop = (::geteuid() == 0 ? QStringLiteral("setpriv --reuid=%1 --regid=nogroup --clear-groups -- ")
                                                 .arg(serverAccount)
                                           : QString())
                         + QStringLiteral("\"$3/pg_ctl\" -D \"$2/data\" -m immediate -w stop");
    QProcess::startDetached(
        QStringLiteral("sh"),
        {QStringLiteral("-c"),
         QStringLiteral("while kill -0 \"$1\" 2>/dev/null; do sleep 1; done; "
                        "[ -d \"$2/data\" ] && { %1 >/dev/null 2>&1; rm -rf \"$2\"; }")
             .arg(stop),
         QStringLiteral("sh"), QString::number(QCoreApplication::applicationPid()), m_dir.path(), binDir()},
        QStringLiteral("/"));
    return true;
}

PgTestServer::~PgTestServer()
{
    if (!m_started)
        return;
    const QString data = m_dir.filePath(QStringLiteral("data"));
    // Read before the stop: should pg_ctl fail, the server is ended by hand.
    QFile pidFile(data + QStringLiteral("/postmaster.pid"));
    const qint64 pid = pidFile.open(QIODevice::ReadOnly) ? pidFile.readLine().trimmed().toLongLong() : 0;
    if (!run(QStringLiteral("pg_ctl"),
             {QStringLiteral("-D"), data, QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("-w"),
              QStringLiteral("stop")},
             true)
        && pid > 0)
        ::kill(pid_t(pid), SIGQUIT);
}

QString PgTestServer::uri(const QString& database) const
{
    return QStringLiteral("postgresql:///%1?host=%2&port=%3&user=%4").arg(database, m_dir.path()).arg(m_port).arg(superuser);
}

QString PgTestServer::createDatabase(const QString& name)
{
    if (!psql(QStringLiteral("postgres"), QStringLiteral("create database \"%1\"").arg(name)))
        return {};
    return uri(name);
}

bool PgTestServer::psql(const QString& database, const QString& sql, QString* output)
{
    return run(QStringLiteral("psql"),
               {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"), QStringLiteral("-t"),
                QStringLiteral("-F"), QStringLiteral("|"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                QStringLiteral("-d"), uri(database), QStringLiteral("-c"), sql},
               false, output);
}
