#include "extras/Updater.h"

#include "extras/Restarter.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProgressDialog>
#include <QTemporaryFile>

namespace kx {

namespace {

const QString caption = QStringLiteral("软件自动升级");
const QString unchanged = QStringLiteral("程序没有改动。");
// A server that stops answering ends the check instead of leaving it open.
constexpr int transferTimeoutMs = 30000;

QString dateText(const QDate& date)
{
    return date.toString(QStringLiteral("yyyy年M月d日"));
}

}  // namespace

Updater::Updater(const UpdateSettings& settings, const QString& programDir, const Platform& platform,
                 Restarter& restarter, QWidget* owner)
    : QObject(owner)
    , m_settings(settings)
    , m_dir(programDir)
    , m_platform(platform)
    , m_restarter(restarter)
    , m_owner(owner)
    , m_net(new QNetworkAccessManager(this))
{
}

Updater::~Updater()
{
    if (m_reply)
        m_reply->abort();
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
    QNetworkRequest request{QUrl(m_settings.infoUrl)};
    request.setTransferTimeout(transferTimeoutMs);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    m_reply = m_net->get(request);
    connect(m_reply, &QNetworkReply::finished, this, &Updater::infoArrived);
}

void Updater::infoArrived()
{
    QNetworkReply* reply = m_reply;
    reply->deleteLater();
    m_reply = nullptr;
    if (reply->error() == QNetworkReply::ContentNotFoundError) {
        fail(QStringLiteral("升级服务器上没有升级信息文件 wbq.inf，暂时无法升级。"));
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        fail(QStringLiteral("无法连接升级服务器（%1），请检查网络后再试。").arg(reply->errorString()));
        return;
    }
    QString why;
    const std::optional<UpdateInfo> info = UpdateInfo::parse(reply->readAll(), m_settings.files, &why);
    if (!info) {
        fail(QStringLiteral("升级信息文件 wbq.inf 格式不正确：%1。").arg(why));
        return;
    }
    offer(*info);
}

void Updater::offer(const UpdateInfo& info)
{
    const QDate running = UpdateInfo::versionDate(m_settings.runningVersion);
    if (info.version <= running) {
        tell(QStringLiteral("您使用的已是最新版本（%1），无需升级。").arg(dateText(running)), false);
        finish(false);
        return;
    }
    if (!folderWritable()) {
        tell(QStringLiteral("发现新版本（%1），但程序所在的文件夹 %2 不能写入，"
                            "本软件是为整个系统安装的。请用系统的软件包管理器升级本软件。")
                 .arg(dateText(info.version), QDir::toNativeSeparators(m_dir)),
             true);
        finish(false);
        return;
    }
    const auto answer = m_platform.dialogs.message(
        m_owner, caption,
        QStringLiteral("发现新版本（%1），您现在使用的版本是 %2。\n是否现在下载并升级？升级后程序将自动重新启动。")
            .arg(dateText(info.version), dateText(running)),
        Dialogs::Icon::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer != QMessageBox::Yes) {
        finish(false);
        return;
    }
    m_info = info;
    m_current = 0;
    m_doneBytes = 0;
    m_totalBytes = 0;
    for (const UpdateInfo::File& file : m_info.files)
        m_totalBytes += file.size;

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
    downloadNext();
}

bool Updater::folderWritable() const
{
    // Asking for the permission bits is not enough (root passes every such
    // check, a read-only mount none): try to make a file there.
    QTemporaryFile probe(QDir(m_dir).filePath(QStringLiteral(".kestrix-probe-XXXXXX")));
    return probe.open();
}

QString Updater::tempPath(const UpdateInfo::File& file) const
{
    return QDir(m_dir).filePath(QStringLiteral(".%1.download").arg(file.localName));
}

void Updater::downloadNext()
{
    if (m_current == m_info.files.size()) {
        if (!swapIn())
            return;
        finish(true);
        m_restarter.restart({QStringLiteral("/afterupgrade")});
        return;
    }
    const UpdateInfo::File& file = m_info.files[m_current];
    m_file = std::make_unique<QFile>(tempPath(file));
    if (!m_file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        fail(QStringLiteral("无法在程序所在的文件夹中写入临时文件（%1）。请用系统的软件包管理器升级本软件。")
                 .arg(m_file->errorString()));
        return;
    }
    m_hash = std::make_unique<QCryptographicHash>(QCryptographicHash::Sha256);
    m_received = 0;
    QNetworkRequest request{QUrl(m_settings.infoUrl).resolved(QUrl(file.serverPath))};
    request.setTransferTimeout(transferTimeoutMs);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    m_reply = m_net->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &Updater::chunkArrived);
    connect(m_reply, &QNetworkReply::finished, this, &Updater::fileArrived);
}

void Updater::chunkArrived()
{
    const QByteArray chunk = m_reply->readAll();
    m_received += chunk.size();
    // More than announced is already wrong; stop instead of filling the disk.
    if (m_received > m_info.files[m_current].size || m_file->write(chunk) != chunk.size()) {
        m_reply->abort();
        return;
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
    const bool written = m_file->flush();
    m_file->close();

    if (m_cancelled) {
        fail(QStringLiteral("升级已取消。") + unchanged);
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
    if (!written) {
        fail(QStringLiteral("无法写入临时文件（%1）。").arg(m_file->errorString()) + unchanged);
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
    m_doneBytes += file.size;
    ++m_current;
    downloadNext();
}

bool Updater::swapIn()
{
    // Each step is undone when a later one fails, so the folder ends either
    // with every new file in place or with the old ones exactly as they were.
    const QDir dir(m_dir);
    struct Done {
        QString target;
        QString old;
        bool hadOld;
    };
    QList<Done> done;
    auto rollBack = [&] {
        for (auto it = done.rbegin(); it != done.rend(); ++it) {
            QFile::remove(it->target);
            if (it->hadOld)
                QFile::rename(it->old, it->target);
        }
    };
    for (const UpdateInfo::File& file : m_info.files) {
        const QString target = dir.filePath(file.localName);
        const QString old = target + QStringLiteral(".old");
        const bool hadOld = QFileInfo::exists(target);
        const QFileDevice::Permissions permissions =
            hadOld ? QFile::permissions(target)
                   : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                         | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
                         | QFileDevice::ExeOther;
        if ((QFileInfo::exists(old) && !QFile::remove(old)) || (hadOld && !QFile::rename(target, old))) {
            rollBack();
            fail(QStringLiteral("无法替换 %1。").arg(file.localName) + unchanged);
            return false;
        }
        if (!QFile::rename(tempPath(file), target)) {
            if (hadOld)
                QFile::rename(old, target);
            rollBack();
            fail(QStringLiteral("无法替换 %1。").arg(file.localName) + unchanged);
            return false;
        }
        QFile::setPermissions(target, permissions);
        done << Done{target, old, hadOld};
    }
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
    m_file.reset();
    for (const UpdateInfo::File& file : m_info.files)
        QFile::remove(tempPath(file));
}

void Updater::finish(bool replaced)
{
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
