#include "extras/Updater.h"

#include "extras/Restarter.h"
#include "platform/AppInfo.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProgressDialog>
#include <QTemporaryFile>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kx {

namespace {

const QString caption = QStringLiteral("软件自动升级");
const QString unchanged = QStringLiteral("程序没有改动。");
const QString usePackageManager = QStringLiteral("请用系统的软件包管理器升级本软件。");
// A server that stops answering ends the check at once; one that answers
// too slowly is stopped by the deadline of the whole check.
constexpr int transferTimeoutMs = 30000;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

// Makes what was renamed or linked in the folder durable.
void syncFolder(const QString& dir)
{
    const int fd = ::open(encoded(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

Updater::Updater(const UpdateSettings& settings, const QString& programDir, const Platform& platform,
                 const SystemFacts& system, Restarter& restarter, QWidget* owner)
    : QObject(owner)
    , m_settings(settings)
    , m_dir(programDir)
    , m_platform(platform)
    , m_system(system)
    , m_restarter(restarter)
    , m_owner(owner)
    , m_net(new QNetworkAccessManager(this))
    , m_deadline(new QTimer(this))
{
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, &Updater::deadlinePassed);
}

Updater::~Updater()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
    discardDownloads();
}

void Updater::tell(const QString& text, bool warning)
{
    m_platform.dialogs.message(m_owner, caption, text,
                               warning ? Dialogs::Icon::Warning : Dialogs::Icon::Information, QMessageBox::Ok,
                               QMessageBox::Ok);
}

void Updater::check()
{
    if (m_busy)
        return;
    m_busy = true;
    m_cancelled = false;
    m_timedOut = false;
    m_refusedRedirect.clear();
    if (m_settings.publicKey.isEmpty()) {
        tell(QStringLiteral("这个版本的软件没有设置自动升级（编译时没有提供升级签名的公钥），不会下载任何文件。"
                            "新版本请到官方网站 %1 获取，或用系统的软件包管理器升级。")
                 .arg(makerSite),
             false);
        finish(false);
        return;
    }
    m_infoText.clear();
    m_infoTooLong = false;
    m_deadline->start(m_settings.deadlineMs);
    m_reply = get(QUrl(m_settings.infoUrl));
    connect(m_reply, &QNetworkReply::readyRead, this, &Updater::infoChunk);
    connect(m_reply, &QNetworkReply::finished, this, &Updater::infoArrived);
}

QNetworkReply* Updater::get(const QUrl& url)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(transferTimeoutMs);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    // Each redirect is looked at before it is followed.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    QNetworkReply* reply = m_net->get(request);
    connect(reply, &QNetworkReply::redirected, this, &Updater::redirected);
    return reply;
}

void Updater::redirected(const QUrl& target)
{
    // The signature decides what is installed, but a redirect still goes no
    // further than the maker's own server, and never from https to http.
    const QUrl origin(m_settings.infoUrl);
    const bool sameHost = target.host().compare(origin.host(), Qt::CaseInsensitive) == 0;
    const bool schemeOk = target.scheme() == QLatin1String("https")
                          || (target.scheme() == QLatin1String("http") && origin.scheme() == QLatin1String("http"));
    if (!m_reply)
        return;
    if (sameHost && schemeOk) {
        emit m_reply->redirectAllowed();
        return;
    }
    m_refusedRedirect = target;
    m_reply->abort();
}

void Updater::deadlinePassed()
{
    m_timedOut = true;
    if (m_reply)
        m_reply->abort();
}

QString Updater::interruption() const
{
    if (m_timedOut)
        return QStringLiteral("升级没有在限定的 %1 秒内完成，已停止。").arg((m_settings.deadlineMs + 999) / 1000);
    if (!m_refusedRedirect.isEmpty())
        return QStringLiteral("升级服务器把请求转到了别的网站（%1），已拒绝。").arg(m_refusedRedirect.host());
    return {};
}

void Updater::infoChunk()
{
    m_infoText += m_reply->readAll();
    // Nothing larger is update information; stop taking it in.
    if (m_infoText.size() > UpdateInfo::maxTextSize) {
        m_infoTooLong = true;
        m_reply->abort();
    }
}

void Updater::infoArrived()
{
    QNetworkReply* reply = m_reply;
    reply->deleteLater();
    if (!m_infoTooLong && reply->error() == QNetworkReply::NoError && reply->bytesAvailable() > 0)
        infoChunk();
    m_reply = nullptr;
    const QString interrupted = interruption();
    if (!interrupted.isEmpty()) {
        fail(interrupted + unchanged);
        return;
    }
    if (m_infoTooLong) {
        fail(QStringLiteral("升级信息文件 wbq.inf 超过 64 KB，已拒绝。") + unchanged);
        return;
    }
    if (reply->error() == QNetworkReply::ContentNotFoundError) {
        fail(QStringLiteral("升级服务器上没有升级信息文件 wbq.inf，暂时无法升级。"));
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        fail(QStringLiteral("无法连接升级服务器（%1），请检查网络后再试。").arg(reply->errorString()));
        return;
    }
    QString why;
    const std::optional<UpdateInfo> info =
        UpdateInfo::read(m_infoText, m_settings.publicKey, m_settings.files, &why);
    m_infoText.clear();
    if (!info) {
        fail(QStringLiteral("升级信息文件 wbq.inf 无效：%1。已拒绝升级，").arg(why) + unchanged);
        return;
    }
    offer(*info);
}

void Updater::offer(const UpdateInfo& info)
{
    // The operator's time to answer is not the server's.
    m_deadline->stop();
    const QString running = m_settings.runningVersion;
    if (info.expires < m_platform.clock.now().date()) {
        fail(QStringLiteral("升级信息已过期（有效期到 %1），可能是旧的升级信息被重新发送，已拒绝。")
                 .arg(info.expires.toString(QStringLiteral("yyyy年M月d日")))
             + unchanged);
        return;
    }
    const int order = UpdateInfo::compareVersions(info.version, running);
    if (order == 0) {
        tell(QStringLiteral("您使用的已是最新版本（%1），无需升级。").arg(running), false);
        finish(false);
        return;
    }
    if (order < 0) {
        fail(QStringLiteral("升级服务器提供的版本 %1 比您正在使用的版本 %2 旧，可能是旧的升级信息被重新发送，"
                            "已拒绝。您使用的已是最新版本。")
                 .arg(info.version, running));
        return;
    }
    const QString newer = QStringLiteral("发现新版本 %1（您正在使用 %2）。").arg(info.version, running);
    // Where the package manager or root is in charge the program never
    // writes over itself; it only says what is there and how to get it.
    if (m_system.runningAsRoot()) {
        tell(newer + QStringLiteral("以 root（系统管理员）身份运行时本软件不会升级自己，") + usePackageManager, true);
        finish(false);
        return;
    }
    for (const UpdateInfo::File& file : info.files) {
        if (m_system.ownedByPackage(targetPath(file))) {
            tell(newer + QStringLiteral("本软件是用系统的软件包管理器安装的，") + usePackageManager, true);
            finish(false);
            return;
        }
    }
    if (!folderWritable()) {
        tell(newer + QStringLiteral("但程序所在的文件夹 %1 不能写入，本软件是为整个系统安装的。")
                         .arg(QDir::toNativeSeparators(m_dir))
                 + usePackageManager,
             true);
        finish(false);
        return;
    }
    const auto answer = m_platform.dialogs.message(
        m_owner, caption, newer + QStringLiteral("\n是否现在下载并升级？升级后程序将自动重新启动。"),
        Dialogs::Icon::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer != QMessageBox::Yes) {
        finish(false);
        return;
    }
    startDownload(info);
}

void Updater::startDownload(const UpdateInfo& info)
{
    m_info = info;
    m_current = 0;
    m_doneBytes = 0;
    m_totalBytes = m_info.totalSize();

    m_progress = new QProgressDialog(m_owner);
    m_progress->setObjectName(QStringLiteral("UpdateProgress"));
    m_progress->setWindowTitle(caption);
    m_progress->setLabelText(QStringLiteral("正在下载新版本……"));
    m_progress->setCancelButtonText(QStringLiteral("取 消"));
    m_progress->setRange(0, 1000);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setMinimumDuration(0);
    // Not modal: a modal progress dialog runs the event loop inside setValue,
    // which would let the reply finish in the middle of a chunk.
    m_progress->setWindowModality(Qt::NonModal);
    connect(m_progress, &QProgressDialog::canceled, this, &Updater::cancel);
    m_progress->show();
    m_deadline->start(m_settings.deadlineMs);
    downloadNext();
}

bool Updater::folderWritable() const
{
    // Asking for the permission bits is not enough (root passes every such
    // check, a read-only mount none): try to make a file there.
    QTemporaryFile probe(QDir(m_dir).filePath(QStringLiteral(".kestrix-probe-XXXXXX")));
    return probe.open();
}

QString Updater::targetPath(const UpdateInfo::File& file) const
{
    return QDir(m_dir).filePath(file.localName);
}

QString Updater::tempPath(const UpdateInfo::File& file) const
{
    return QDir(m_dir).filePath(QStringLiteral(".%1.download").arg(file.localName));
}

void Updater::downloadNext()
{
    if (m_current == m_info.files.size()) {
        m_deadline->stop();
        if (!swapIn())
            return;
        finish(true);
        m_restarter.restart({QStringLiteral("/afterupgrade")});
        return;
    }
    const UpdateInfo::File& file = m_info.files[m_current];
    // A file of our own, new, under a name nobody else holds: an existing
    // name (a link planted there, a leftover) is never written through.
    const QString path = tempPath(file);
    m_fd = ::open(encoded(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        const int error = errno;
        if (error == EEXIST) {
            fail(QStringLiteral("程序所在的文件夹中已有 %1（可能是上次升级留下的，也可能是别人放的），"
                                "为安全起见升级已停止。请删除它后再试。")
                     .arg(QDir::toNativeSeparators(path))
                 + unchanged);
        } else {
            fail(QStringLiteral("无法在程序所在的文件夹中写入临时文件（%1）。").arg(systemError(error))
                 + usePackageManager);
        }
        return;
    }
    m_created << path;
    m_writeError = 0;
    m_hash = std::make_unique<QCryptographicHash>(QCryptographicHash::Sha256);
    m_received = 0;
    m_reply = get(QUrl(m_settings.infoUrl).resolved(QUrl(file.serverPath)));
    connect(m_reply, &QNetworkReply::readyRead, this, &Updater::chunkArrived);
    connect(m_reply, &QNetworkReply::finished, this, &Updater::fileArrived);
}

void Updater::chunkArrived()
{
    const QByteArray chunk = m_reply->readAll();
    m_received += chunk.size();
    // More than announced is already wrong; stop instead of filling the disk.
    if (m_received > m_info.files[m_current].size) {
        m_reply->abort();
        return;
    }
    for (qsizetype written = 0; written < chunk.size();) {
        const ssize_t n = ::write(m_fd, chunk.constData() + written, size_t(chunk.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_writeError = n < 0 ? errno : ENOSPC;
            m_reply->abort();
            return;
        }
        written += n;
    }
    m_hash->addData(chunk);
    if (m_progress && m_totalBytes > 0)
        m_progress->setValue(int((m_doneBytes + m_received) * 1000 / m_totalBytes));
}

void Updater::fileArrived()
{
    QNetworkReply* reply = m_reply;
    if (reply->error() == QNetworkReply::NoError && reply->bytesAvailable() > 0)
        chunkArrived();
    reply->deleteLater();
    m_reply = nullptr;
    const UpdateInfo::File& file = m_info.files[m_current];

    if (m_cancelled) {
        fail(QStringLiteral("升级已取消。") + unchanged);
        return;
    }
    const QString interrupted = interruption();
    if (!interrupted.isEmpty()) {
        fail(interrupted + unchanged);
        return;
    }
    if (m_writeError != 0) {
        fail(QStringLiteral("无法写入临时文件（%1）。").arg(systemError(m_writeError)) + unchanged);
        return;
    }
    if (m_received > file.size) {
        fail(QStringLiteral("下载的 %1 比升级信息中的大小大，已放弃。").arg(file.localName) + unchanged);
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        fail(QStringLiteral("下载 %1 时出错（%2）。").arg(file.localName, reply->errorString()) + unchanged);
        return;
    }
    if (m_received != file.size) {
        fail(QStringLiteral("下载的 %1 不完整（收到 %2 字节，应为 %3 字节）。")
                 .arg(file.localName)
                 .arg(m_received)
                 .arg(file.size)
             + unchanged);
        return;
    }
    if (m_hash->result() != file.sha256) {
        fail(QStringLiteral("下载的 %1 校验失败（SHA-256 不符），可能已损坏。").arg(file.localName) + unchanged);
        return;
    }
    // The new file takes the old one's permission bits (a new one those of
    // a program), set through the descriptor, never through the name; it is
    // on the disk before any rename points at it.
    struct stat old {};
    const bool hadOld = ::lstat(encoded(targetPath(file)).constData(), &old) == 0 && S_ISREG(old.st_mode);
    const mode_t mode = hadOld ? ((old.st_mode & 0777) | S_IRUSR | S_IXUSR) : 0755;
    if (::fsync(m_fd) != 0 || ::fchmod(m_fd, mode) != 0) {
        fail(QStringLiteral("无法写入临时文件（%1）。").arg(systemError(errno)) + unchanged);
        return;
    }
    ::close(m_fd);
    m_fd = -1;
    m_doneBytes += file.size;
    ++m_current;
    downloadNext();
}

bool Updater::swapIn()
{
    // Each file is replaced with one rename, so the program's name always
    // holds a whole program; the old one is linked as NAME.old before. A
    // failure undoes the files done, so the folder ends either with every
    // new file in place or with the old ones as they were.
    struct Done {
        QByteArray target;
        QByteArray old;
        bool hadOld;
    };
    QList<Done> done;
    auto rollBack = [&] {
        for (auto it = done.rbegin(); it != done.rend(); ++it) {
            if (it->hadOld)
                ::rename(it->old.constData(), it->target.constData());
            else
                ::unlink(it->target.constData());
        }
        syncFolder(m_dir);
    };
    for (const UpdateInfo::File& file : m_info.files) {
        const QByteArray target = encoded(targetPath(file));
        const QByteArray old = target + ".old";
        const QByteArray temp = encoded(tempPath(file));
        struct stat status {};
        const bool hadOld = ::lstat(target.constData(), &status) == 0;
        int error = 0;
        if (hadOld && ((::unlink(old.constData()) != 0 && errno != ENOENT) || ::link(target.constData(), old.constData()) != 0))
            error = errno;
        if (error == 0 && ::rename(temp.constData(), target.constData()) != 0) {
            error = errno;
            if (hadOld)
                ::unlink(old.constData());
        }
        if (error != 0) {
            rollBack();
            fail(QStringLiteral("无法替换 %1（%2）。").arg(file.localName, systemError(error)) + unchanged);
            return false;
        }
        m_created.removeAll(tempPath(file));
        done << Done{target, old, hadOld};
    }
    syncFolder(m_dir);
    tell(QStringLiteral("升级完成，程序将重新启动。"), false);
    return true;
}

void Updater::cancel()
{
    m_cancelled = true;
    if (m_reply)
        m_reply->abort();
}

void Updater::fail(const QString& text)
{
    discardDownloads();
    if (m_progress)
        m_progress->hide();
    tell(text, true);
    finish(false);
}

void Updater::discardDownloads()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    for (const QString& path : std::as_const(m_created))
        ::unlink(encoded(path).constData());
    m_created.clear();
}

void Updater::finish(bool replaced)
{
    m_deadline->stop();
    if (m_progress) {
        m_progress->hide();
        m_progress->deleteLater();
        m_progress = nullptr;
    }
    m_info = {};
    m_busy = false;
    emit finished(replaced);
}

}  // namespace kx
